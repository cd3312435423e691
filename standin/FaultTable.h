// Faults the stand-in server plays on request, read from faults.txt in its state directory
// afresh on every new connection. One fault a line ('#' comments):
//
//   class <hresult>           the class object refuses IClassFactory with this HRESULT
//   instance <hresult>        IClassFactory::CreateInstance returns this HRESULT
//   fail <Operation> <hresult> the operation returns this HRESULT and leaves its outs untouched
//   fail <Operation> <hresult> <type> <address> <param>   the same, for that one tag only
//   fail EnumTags <hresult> after <n>   each walk delivers n tags, then the next call returns
//                             this HRESULT with the cursor at 0: the list breaks off there
//   slow <Operation> <ms>     the operation first waits this long
//   die <Operation> [<n>]     the process ends inside the operation's n-th call (default the
//                             first) since the faults were read (the caller gets an RPC error)
//   enum-endless              EnumTags never leaves the cursor at 0: it starts over after the last tag
//   probe-unterminated        ProbeDevice fills all 100 text bytes, no NUL among them
//   no-restart                after RestartServer the server refuses every new connection
//   restart-dies              RestartServer restarts, then the process ends before it answers
//   exit-hangs                the process, once it has decided to end, hangs before it does
//   probe_timeout_ms <n>      time a probe of an absent address takes (default 50)
//   no-save                   changes are kept in memory only, tags.txt and port.txt are not
//                             written (for benchmarks: each change would rewrite the whole file)
//
// <Operation> is a name of IAddTags (AddTag, DeleteTag, RestartServer, GetComSettings,
// SetComSettings, EnumTags, GetTagInfo, ProbeDevice). <hresult> is hexadecimal with 0x,
// decimal, or one of the usual names (E_FAIL, E_INVALIDARG, ...). class and instance take a
// failure code only.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "server/TagServer.h"
#include "standin/StateFiles.h"

// Operations are indexed by their slot in the IAddTags table (3..11).
constexpr int kStandinSlotCount = 12;

// The slot of an operation name of kAddTagsOperations, or -1.
int OperationSlot(const std::string& name);
const char* OperationName(int slot);

// "0x80004005", "-2147467259", "2147500037" or a known name; false when it is none of these.
bool ParseHResult(const std::string& text, HResult* hr);

struct FaultTable {
    std::optional<HResult> classRefusal;
    std::optional<HResult> instanceRefusal;
    std::array<std::optional<HResult>, kStandinSlotCount> fail{};
    std::array<std::uint32_t, kStandinSlotCount> slowMs{};
    std::array<std::uint32_t, kStandinSlotCount> die{};  // the call that dies (1 = first); 0 none
    struct TagFailure {
        int slot;
        std::uint32_t type, address, param;
        HResult hr;
    };
    std::vector<TagFailure> tagFailures;
    struct EnumBreak {
        std::uint32_t after;  // tags delivered in a walk before the failing call
        HResult hr;
    };
    std::optional<EnumBreak> enumBreak;
    bool noSave = false;
    bool enumEndless = false;
    bool probeUnterminated = false;
    bool noRestart = false;
    bool restartDies = false;
    bool exitHangs = false;
    std::uint32_t probeTimeoutMs = 50;
};

FaultTable ParseFaultsFile(std::istream& in, SkipLog& skipped);
