// What the window's commands that carry out an import plan share (the import of a tag file,
// the copy of a device): whether a reading of the server's tags can be planned on, the
// tags the server accepted put into the tree, and the words about a run's refusals, a
// lost connection and a stop.
#pragma once

#include <cstddef>
#include <string>

#include "tagfile/ImportPlan.h"
#include "tagfile/ImportRun.h"
#include "tagfile/ServerTags.h"
#include "tree/ChildIndex.h"
#include "ui/TreeViewModel.h"

// The tree gains the tags a run adds, named as the fill names them: each as the server
// accepts it (Called, ImportRunOptions::called), so that a long run spreads the tree's work
// over its calls. Redraw is off while the object lives; the nodes that grew are sorted
// whenever a tag of another device comes, and the rest at the end.
class CAcceptedTags {
public:
    explicit CAcceptedTags(CTreeViewModel& tree);
    ~CAcceptedTags();
    CAcceptedTags(const CAcceptedTags&) = delete;
    CAcceptedTags& operator=(const CAcceptedTags&) = delete;

    void Called(ImportAction action, const PlannedTag& tag, HResult hr);
    void Insert(const TagId& id);

private:
    void SortWhatGrew();

    CTreeViewModel& m_tree;
    CBulkUpdate m_bulk;
    CChildIndex m_index;
    TagId m_device;  // the device of the last tag inserted (param 0)
};

// The same after a run: the tags of plan.add the server accepted (the adds come first in
// the plan, and callsMade of its calls were made).
void InsertAcceptedTags(CTreeViewModel& tree, const ImportPlan& plan, const ImportReport& report,
                        std::size_t callsMade);

// "\nСервер отказал в N тегах (первая ошибка 0x...)." and the lines of a lost connection
// and of a stop (stopped: "Импорт остановлен"), each refusal told once.
std::string RunTroubleLines(const ImportReport& report, const std::string& stopped);
