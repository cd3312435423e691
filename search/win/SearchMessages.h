// The messages between the auto-search dialog and its search worker, and their payloads.
//
// The dialog posts requests to the worker's thread; the worker posts reports to the
// dialog's window. A payload belongs to the sender until the post succeeds and to the
// receiver afterwards, which frees it with the matching Free... function. A sender whose
// post fails frees the payload itself. CPayload holds a payload on either side, so that
// neither has to free it by hand: the sender posts through PostPayload, the receiver takes
// the lParam into an owner first thing (TakePayload).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "search/LineCheck.h"
#include "search/LineLoad.h"

// Reports, worker -> dialog window (wParam as noted, lParam the payload).
constexpr UINT WM_SCAN_PROGRESS = WM_USER + 0x150;  // 1360: heap std::int32_t, the probed address
constexpr UINT WM_DEVICE_FOUND = WM_USER + 0x151;   // 1361: heap FoundDevice
constexpr UINT WM_SCAN_FINISHED = WM_USER + 0x152;  // 1362: no payload; wParam a ScanEnd
// Requests, dialog -> worker thread.
constexpr UINT WM_START_SCAN = WM_USER + 0x153;     // 1363: heap SearchRequest
constexpr UINT WM_STOP_SCAN = WM_USER + 0x154;      // 1364: no payload; stops a scan or a line check
// The line check: a request, dialog -> worker; reports, worker -> dialog window. Its end is
// WM_SCAN_FINISHED, as a scan's.
constexpr UINT WM_START_CHECK = WM_USER + 0x155;    // 1365: heap LineCheckRequest
constexpr UINT WM_CHECK_PLANNED = WM_USER + 0x156;  // 1366: heap LineCheckPlan
constexpr UINT WM_DEVICE_CHECKED = WM_USER + 0x157; // 1367: heap LineCheckEntry

// wParam of WM_SCAN_FINISHED: how the worker's work ended.
enum ScanEnd : WPARAM {
    kScanCompleted = 0,     // a scan ran to its end or was stopped
    kScanNotConnected = 1,  // the worker could not connect to the server and has ended
    kScanConnectionLost = 2,  // the connection went during the scan (the server restarted or ended)
};

struct SearchRequest {
    std::int32_t nStartAddress;  // as the user entered it
    std::int32_t nEndAddress;    // as the user entered it; may be below the start
    HWND hNotifyWnd;             // the window that receives the reports
};

struct FoundDevice {
    std::int32_t nTypeCode;  // as the server returned it; never 0
    char* pszName;           // the server's text, NUL-terminated, exactly its length + 1
    std::int32_t nAddress;   // where the device answered
};

struct LineCheckRequest {
    bool oneDevice;       // false: every device the server holds tags for
    std::uint32_t type;   // the one device
    std::uint32_t address;
    HWND hNotifyWnd;
};

// What the worker read before its first probe.
struct LineCheckPlan {
    std::size_t devices = 0;  // to be checked
    LineLoadEstimate load;    // of the devices checked
    bool listWhole = true;    // the server's list was read to its end
};

// Allocation and release of the payloads. The count of payloads alive lets tests prove
// that every posted payload ended up freed.
SearchRequest* NewSearchRequest(int startAddress, int endAddress, HWND notifyWnd);
void FreeSearchRequest(SearchRequest* request);
std::int32_t* NewProgressReport(int address);
void FreeProgressReport(std::int32_t* address);
FoundDevice* NewFoundDevice(std::int32_t typeCode, const std::string& name, int address);
void FreeFoundDevice(FoundDevice* device);
LineCheckRequest* NewLineCheckRequest(bool oneDevice, std::uint32_t type, std::uint32_t address, HWND notifyWnd);
void FreeLineCheckRequest(LineCheckRequest* request);
LineCheckPlan* NewLineCheckPlan(const LineCheckPlan& plan);
void FreeLineCheckPlan(LineCheckPlan* plan);
LineCheckEntry* NewCheckedDevice(const LineCheckEntry& entry);
void FreeCheckedDevice(LineCheckEntry* entry);
long LiveSearchPayloads();

// Frees the payload of a search message that will never be handled (removed from a queue
// or refused by the post).
void FreeSearchPayload(UINT message, LPARAM lParam);

// The Free... function of each payload, by its type.
inline void FreePayload(SearchRequest* request) { FreeSearchRequest(request); }
inline void FreePayload(std::int32_t* address) { FreeProgressReport(address); }
inline void FreePayload(FoundDevice* device) { FreeFoundDevice(device); }
inline void FreePayload(LineCheckRequest* request) { FreeLineCheckRequest(request); }
inline void FreePayload(LineCheckPlan* plan) { FreeLineCheckPlan(plan); }
inline void FreePayload(LineCheckEntry* entry) { FreeCheckedDevice(entry); }

struct PayloadFree {
    template <typename T>
    void operator()(T* payload) const
    {
        FreePayload(payload);
    }
};

// CPayload<T>: one payload, freed with its Free... function however its holder's scope ends,
// unless it has been handed over by a post. Not copyable; moving hands it on.
template <typename T>
using CPayload = std::unique_ptr<T, PayloadFree>;

// Posts a report with its payload to a window. True when posted: the payload is then the
// window's. Otherwise (no window, a window gone, a full queue) it is freed here. No window is
// not posted at all: PostMessage would put the message in the calling thread's own queue.
template <typename T>
bool PostPayload(HWND window, UINT message, WPARAM wParam, CPayload<T> payload)
{
    if (window == nullptr || !PostMessageW(window, message, wParam, reinterpret_cast<LPARAM>(payload.get())))
        return false;
    payload.release();  // the receiver's from here on, and perhaps already freed by it
    return true;
}

// Posts a request with its payload to a thread's queue, by the same rule.
template <typename T>
bool PostPayloadToThread(DWORD threadId, UINT message, CPayload<T> payload)
{
    if (!PostThreadMessageW(threadId, message, 0, reinterpret_cast<LPARAM>(payload.get()))) return false;
    payload.release();
    return true;
}

// The receiver's side: the payload of a message it handles, taken over at once.
template <typename T>
CPayload<T> TakePayload(LPARAM lParam)
{
    return CPayload<T>(reinterpret_cast<T*>(lParam));
}
