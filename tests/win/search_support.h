// Shared by the auto-search and add-device window tests: a catalogue of test devices, a
// connection of the test thread's own (the one the dialogs are given), the stand-in's
// serial line, and readers of the dialogs' lists from the driver thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "AddTags.h"

namespace search_test {

struct CatalogueDevice {
    int typeCode;
    const char* name;
};
// Replaces the device catalogue with these devices, in this order.
void SetCatalogue(std::initializer_list<CatalogueDevice> devices);

struct ListEntry {
    std::string text;
    std::uint32_t data;
    bool operator==(const ListEntry& o) const { return text == o.text && data == o.data; }
};
std::ostream& operator<<(std::ostream& out, const ListEntry& entry);

// The root entries of a tree view, in order.
std::vector<ListEntry> TreeEntries(HWND tree);
HTREEITEM TreeEntryAt(HWND tree, size_t index);
// The entries of a drop-down list, in order.
std::vector<ListEntry> ComboEntries(HWND combo);

// Selects the entry and sends the tree's double-click notification to its dialog, as a
// double click on the entry does; returns when the dialog has handled it.
void DoubleClickEntry(HWND dialog, int treeId, HTREEITEM item);

// The range of an up-down control.
std::pair<int, int> SpinRange(HWND spin);

// Waits for the window's title to begin with the prefix; the title seen last otherwise.
bool WaitForTitle(HWND window, const std::string& prefix, int timeoutMs = 20000);

// Polls (every millisecond) until no search worker object is alive; the time it saw that,
// or the deadline (NowMs() clock).
double WaitForNoWorker(double deadlineMs);

// Milliseconds since an arbitrary start, with sub-millisecond resolution.
double NowMs();

// A test with the stand-in server reset, COM initialised on the test thread and a
// connection of its own (m_pAddTags) that the dialogs are given. Ends with the worker gone,
// every search payload freed, and the server ended (all of its objects released).
class CSearchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The stand-in's line (line.txt) and faults (faults.txt); read on every new connection,
    // so they apply to the worker's.
    void SetLine(const std::string& text);
    void SetFaults(const std::string& text);

    IAddTags* m_pAddTags = nullptr;

private:
    bool m_bComInitialized = false;
};

}  // namespace search_test
