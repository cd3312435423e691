#include "search/win/SearchMessages.h"

#include <atomic>
#include <cstring>

namespace {
std::atomic<long> g_nLivePayloads{0};
}

SearchRequest* NewSearchRequest(int startAddress, int endAddress, HWND notifyWnd)
{
    SearchRequest* request = new SearchRequest{startAddress, endAddress, notifyWnd};
    ++g_nLivePayloads;
    return request;
}

void FreeSearchRequest(SearchRequest* request)
{
    if (request == nullptr) return;
    delete request;
    --g_nLivePayloads;
}

std::int32_t* NewProgressReport(int address)
{
    std::int32_t* report = new std::int32_t(address);
    ++g_nLivePayloads;
    return report;
}

void FreeProgressReport(std::int32_t* address)
{
    if (address == nullptr) return;
    delete address;
    --g_nLivePayloads;
}

FoundDevice* NewFoundDevice(std::int32_t typeCode, const std::string& name, int address)
{
    // The text may hold a NUL of its own only if the server put one there; the copy ends at
    // the first, like the C string it stands for.
    const std::size_t length = std::strlen(name.c_str());
    char* copy = new char[length + 1];
    std::memcpy(copy, name.c_str(), length);
    copy[length] = '\0';
    FoundDevice* device = new FoundDevice{typeCode, copy, address};
    ++g_nLivePayloads;
    return device;
}

void FreeFoundDevice(FoundDevice* device)
{
    if (device == nullptr) return;
    delete[] device->pszName;
    delete device;
    --g_nLivePayloads;
}

LineCheckRequest* NewLineCheckRequest(bool oneDevice, std::uint32_t type, std::uint32_t address, HWND notifyWnd)
{
    LineCheckRequest* request = new LineCheckRequest{oneDevice, type, address, notifyWnd};
    ++g_nLivePayloads;
    return request;
}

void FreeLineCheckRequest(LineCheckRequest* request)
{
    if (request == nullptr) return;
    delete request;
    --g_nLivePayloads;
}

LineCheckPlan* NewLineCheckPlan(const LineCheckPlan& plan)
{
    LineCheckPlan* copy = new LineCheckPlan(plan);
    ++g_nLivePayloads;
    return copy;
}

void FreeLineCheckPlan(LineCheckPlan* plan)
{
    if (plan == nullptr) return;
    delete plan;
    --g_nLivePayloads;
}

LineCheckEntry* NewCheckedDevice(const LineCheckEntry& entry)
{
    LineCheckEntry* copy = new LineCheckEntry(entry);
    ++g_nLivePayloads;
    return copy;
}

void FreeCheckedDevice(LineCheckEntry* entry)
{
    if (entry == nullptr) return;
    delete entry;
    --g_nLivePayloads;
}

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
