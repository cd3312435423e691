#include "search/win/SearchMessages.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<long> g_nLivePayloads{0};

// Every payload is made and freed through these two, so that the count stays true.
template <typename T>
T* Counted(T* payload)
{
    ++g_nLivePayloads;
    return payload;
}

template <typename T>
void FreeCounted(T* payload)
{
    if (payload == nullptr) return;
    delete payload;
    --g_nLivePayloads;
}

}  // namespace

SearchRequest* NewSearchRequest(int startAddress, int endAddress, HWND notifyWnd)
{
    return Counted(new SearchRequest{startAddress, endAddress, notifyWnd});
}

void FreeSearchRequest(SearchRequest* request) { FreeCounted(request); }

std::int32_t* NewProgressReport(int address) { return Counted(new std::int32_t(address)); }

void FreeProgressReport(std::int32_t* address) { FreeCounted(address); }

FoundDevice* NewFoundDevice(std::int32_t typeCode, const std::string& name, int address)
{
    // The text may hold a NUL of its own only if the server put one there; the copy ends at
    // the first, like the C string it stands for.
    const std::size_t length = std::strlen(name.c_str());
    char* copy = new char[length + 1];
    std::memcpy(copy, name.c_str(), length);
    copy[length] = '\0';
    return Counted(new FoundDevice{typeCode, copy, address});
}

void FreeFoundDevice(FoundDevice* device)
{
    if (device != nullptr) delete[] device->pszName;
    FreeCounted(device);
}

LineCheckRequest* NewLineCheckRequest(bool oneDevice, std::uint32_t type, std::uint32_t address, HWND notifyWnd)
{
    return Counted(new LineCheckRequest{oneDevice, type, address, notifyWnd});
}

void FreeLineCheckRequest(LineCheckRequest* request) { FreeCounted(request); }

LineCheckPlan* NewLineCheckPlan(const LineCheckPlan& plan) { return Counted(new LineCheckPlan(plan)); }

void FreeLineCheckPlan(LineCheckPlan* plan) { FreeCounted(plan); }

LineCheckEntry* NewCheckedDevice(const LineCheckEntry& entry) { return Counted(new LineCheckEntry(entry)); }

void FreeCheckedDevice(LineCheckEntry* entry) { FreeCounted(entry); }

long LiveSearchPayloads() { return g_nLivePayloads.load(); }

void FreeSearchPayload(UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_SCAN_PROGRESS:
        FreeProgressReport(reinterpret_cast<std::int32_t*>(lParam));
        break;
    case WM_DEVICE_FOUND:
        FreeFoundDevice(reinterpret_cast<FoundDevice*>(lParam));
        break;
    case WM_START_SCAN:
        FreeSearchRequest(reinterpret_cast<SearchRequest*>(lParam));
        break;
    case WM_START_CHECK:
        FreeLineCheckRequest(reinterpret_cast<LineCheckRequest*>(lParam));
        break;
    case WM_CHECK_PLANNED:
        FreeLineCheckPlan(reinterpret_cast<LineCheckPlan*>(lParam));
        break;
    case WM_DEVICE_CHECKED:
        FreeCheckedDevice(reinterpret_cast<LineCheckEntry*>(lParam));
        break;
    default:
        break;  // the other messages carry no payload
    }
}
