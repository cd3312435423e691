// zoljournalappend FOLDER TAG COUNT: appends COUNT journal lines named "TAG line N" through
// the history's own writer and the system's append primitive. When the test has made the
// events "Local\zolcfg-append-ready-TAG" and "Local\zolcfg-append-go", it says it is
// ready and starts on the go, so that two such programs append at the same moment.
// Exit code 0 when every line was written.
#include <windows.h>

#include <string>

#include "history/Journal.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) return 2;
    const std::wstring tagWide = argv[2];
    const std::string tag(tagWide.begin(), tagWide.end());  // ASCII
    const int count = std::stoi(argv[3]);
    CJournal journal(SystemHistoryPlatform(), std::filesystem::path(argv[1]));
    std::string error;
    if (!journal.Open(&error)) return 1;
    const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"Local\\zolcfg-append-ready-" + tagWide).c_str());
    const HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, L"Local\\zolcfg-append-go");
    if (ready != nullptr && go != nullptr) {
        SetEvent(ready);
        if (WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 3;
    }
    for (int i = 0; i < count; ++i) {
        JournalLine line;
        line.program = "zoljournalappend";
        line.action = std::string(40 + i % 150, tag.empty() ? 'x' : tag[0]);  // lines of many lengths
        line.name = tag + " line " + std::to_string(i);
        line.result = "ok";
        if (!journal.Append(line, &error)) return 1;
    }
    return journal.Close(&error) ? 0 : 1;
}
