#include "standin/FaultTable.h"

#include "server/ServerErrors.h"

#include <cctype>

using namespace standin_text;

namespace {

bool EqualsIgnoreCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

int OperationSlot(const std::string& name)
{
    for (const auto& op : kAddTagsOperations)
        if (EqualsIgnoreCase(name, op.name)) return op.slot;
    return -1;
}

const char* OperationName(int slot)
{
    for (const auto& op : kAddTagsOperations)
        if (op.slot == slot) return op.name;
    return "?";
}

bool ParseHResult(const std::string& text, HResult* hr)
{
    if (HResultFromName(text, hr)) return true;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (text.size() > 10) return false;
        std::uint32_t value = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else return false;
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        *hr = static_cast<HResult>(value);
        return true;
    }
    std::int64_t value = 0;
    if (!ParseSigned64(text, &value) || value < INT32_MIN || value > static_cast<std::int64_t>(UINT32_MAX))
        return false;
    *hr = static_cast<HResult>(static_cast<std::uint32_t>(value));
    return true;
}

FaultTable ParseFaultsFile(std::istream& in, SkipLog& skipped)
{
    static const char kFile[] = "faults.txt";
    FaultTable faults;
    ForEachRecord(in, [&](int number, const std::string& line) {
        auto skip = [&](const char* why) {
            skipped.push_back(SkippedLine{kFile, number, line, why});
        };
        auto f = Fields(line);
        if (f.empty()) return;
        const std::string& kind = f[0];
        HResult hr = 0;
        std::uint64_t ms = 0;

        if (kind == "class" || kind == "instance") {
            if (f.size() != 2) return skip("expected: class|instance <hresult>");
            if (!ParseHResult(f[1], &hr) || !HrFailed(hr)) return skip("needs a failure HRESULT");
            (kind == "class" ? faults.classRefusal : faults.instanceRefusal) = hr;
        } else if (kind == "fail" || kind == "slow" || kind == "die") {
            if (kind == "fail" && f.size() == 5 && f[3] == "after") {
                std::uint64_t after = 0;
                if (f[1] != "EnumTags") return skip("only EnumTags breaks off after a number of tags");
                if (!ParseHResult(f[2], &hr) || !HrFailed(hr)) return skip("needs a failure HRESULT");
                if (!ParseDecimal(f[4], UINT32_MAX, &after)) return skip("the number of tags must be 0 or more");
                faults.enumBreak = FaultTable::EnumBreak{static_cast<std::uint32_t>(after), hr};
                return;
            }
            const bool tagFail = kind == "fail" && f.size() == 6;
            const bool dieAt = kind == "die" && f.size() == 3;
            const std::size_t want = kind == "die" ? 2 : 3;
            if (f.size() != want && !tagFail && !dieAt) return skip("wrong number of fields");
            const int slot = OperationSlot(f[1]);
            if (slot < 0) return skip("unknown operation");
            if (kind == "fail") {
                if (!ParseHResult(f[2], &hr)) return skip("not an HRESULT");
                if (tagFail) {
                    std::uint64_t key[3] = {};
                    for (int i = 0; i < 3; ++i) {
                        if (!ParseDecimal(f[3 + i], UINT32_MAX, &key[i])) return skip("type, address and param must be numbers");
                    }
                    faults.tagFailures.push_back(FaultTable::TagFailure{
                        slot, static_cast<std::uint32_t>(key[0]), static_cast<std::uint32_t>(key[1]),
                        static_cast<std::uint32_t>(key[2]), hr});
                } else {
                    faults.fail[slot] = hr;
                }
            } else if (kind == "slow") {
                if (!ParseDecimal(f[2], kMaxConfiguredMs, &ms)) return skip("ms must be 0..600000");
                faults.slowMs[slot] = static_cast<std::uint32_t>(ms);
            } else {
                std::uint64_t call = 1;
                if (dieAt && (!ParseDecimal(f[2], UINT32_MAX, &call) || call == 0))
                    return skip("the call number must be 1 or more");
                faults.die[slot] = static_cast<std::uint32_t>(call);
            }
        } else if (kind == "enum-endless" || kind == "probe-unterminated" || kind == "no-restart" ||
                   kind == "no-save" || kind == "restart-dies" || kind == "exit-hangs") {
            if (f.size() != 1) return skip("takes no argument");
            if (kind == "enum-endless") faults.enumEndless = true;
            else if (kind == "probe-unterminated") faults.probeUnterminated = true;
            else if (kind == "no-save") faults.noSave = true;
            else if (kind == "restart-dies") faults.restartDies = true;
            else if (kind == "exit-hangs") faults.exitHangs = true;
            else faults.noRestart = true;
        } else if (kind == "probe_timeout_ms") {
            if (f.size() != 2 || !ParseDecimal(f[1], kMaxConfiguredMs, &ms))
                return skip("expected: probe_timeout_ms <0..600000>");
            faults.probeTimeoutMs = static_cast<std::uint32_t>(ms);
        } else {
            skip("unknown fault");
        }
    });
    return faults;
}
