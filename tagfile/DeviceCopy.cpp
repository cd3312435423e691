#include "tagfile/DeviceCopy.h"

#include "common/Decimal.h"

#include <algorithm>
#include <bitset>
#include <unordered_map>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSeparator(char c) { return c == ',' || IsBlank(c) || c == '\r' || c == '\n'; }
bool IsDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// One end of a range: false with *problem when it is no address.
bool ReadEnd(std::string_view text, std::uint32_t* address, AddressEntryProblem* problem)
{
    if (!IsDigits(text)) {
        *problem = AddressEntryProblem::NotAnAddress;
        return false;
    }
    std::uint64_t value = 0;
    // Digits past the bound (or past 64 bits) are a number all the same, only too large.
    if (!ParseDecimal(text, kCopyAddressMax, &value) || value < kCopyAddressMin) {
        *problem = AddressEntryProblem::OutOfRange;
        return false;
    }
    *address = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

AddressList ReadAddressList(std::string_view text)
{
    AddressList list;
    std::bitset<kCopyAddressMax + 1> taken;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        if (IsSeparator(text[i])) {
            ++i;
            continue;
        }
        // An entry: everything up to the next separator, a dash with blanks around it
        // joining the two ends of a range.
        std::string entry;
        while (i < n) {
            if (IsBlank(text[i])) {
                std::size_t j = i;
                while (j < n && IsBlank(text[j])) ++j;
                const bool dashAhead = j < n && text[j] == '-';
                const bool afterDash = !entry.empty() && entry.back() == '-';
                if (!dashAhead && !afterDash) break;
                i = j;
                continue;
            }
            if (IsSeparator(text[i])) break;
            entry += text[i++];
        }
        const std::size_t dash = entry.find('-');
        std::uint32_t first = 0, last = 0;
        AddressEntryProblem problem = AddressEntryProblem::NotAnAddress;
        bool ok;
        if (dash == std::string::npos) {
            ok = ReadEnd(entry, &first, &problem);
            last = first;
        } else {
            const std::string_view a = std::string_view(entry).substr(0, dash);
            const std::string_view b = std::string_view(entry).substr(dash + 1);
            // Both ends must be numbers before either is judged by its range.
            if (!IsDigits(a) || !IsDigits(b)) {
                ok = false;
            } else {
                ok = ReadEnd(a, &first, &problem) && ReadEnd(b, &last, &problem);
                if (ok && first > last) {
                    ok = false;
                    problem = AddressEntryProblem::Backward;
                }
            }
        }
        if (!ok) {
            list.refused.push_back(AddressEntry{entry, problem});
            continue;
        }
        for (std::uint32_t a = first; a <= last; ++a) taken.set(a);
    }
    for (std::uint32_t a = kCopyAddressMin; a <= kCopyAddressMax; ++a)
        if (taken.test(a)) list.addresses.push_back(a);
    return list;
}

std::string DescribeAddressEntry(const AddressEntry& entry)
{
    const char* why = entry.problem == AddressEntryProblem::OutOfRange ? "an address outside 1..247"
                      : entry.problem == AddressEntryProblem::Backward ? "a range from the larger address to the smaller"
                                                                       : "not an address nor a range";
    return "'" + entry.text + "': " + why;
}

std::string FormatAddressList(const std::vector<std::uint32_t>& addresses)
{
    std::string out;
    for (std::size_t i = 0; i < addresses.size();) {
        std::size_t j = i;
        while (j + 1 < addresses.size() && addresses[j + 1] == addresses[j] + 1) ++j;
        if (!out.empty()) out += ", ";
        if (j - i >= 2) {
            out += std::to_string(addresses[i]) + "-" + std::to_string(addresses[j]);
            i = j + 1;
        } else {
            out += std::to_string(addresses[i]);
            ++i;
        }
    }
    return out;
}

bool CopyNeedsPeriod(const CopySource& source, const TagId& id) { return id.type == source.type; }

std::vector<ServerTag> SourceTags(const CopySource& source, const std::vector<ServerTag>& serverTags)
{
    std::vector<ServerTag> tags;
    for (const ServerTag& tag : serverTags)
        if (tag.id.type == source.type && tag.id.address == source.address) tags.push_back(tag);
    return tags;
}

DeviceCopyPlan MakeDeviceCopyPlan(const CopySource& source, const std::vector<std::uint32_t>& addresses,
                                  const std::vector<ServerTag>& serverTags)
{
    DeviceCopyPlan copy;
    copy.source = source;
    std::vector<ServerTag> copied;
    for (const ServerTag& tag : SourceTags(source, serverTags)) {
        if (tag.periodKnown)
            copied.push_back(tag);
        else
            copy.unknownPeriods.push_back(tag.id);
    }
    copy.sourceTags = copied.size();

    // The first type other than the source's the server holds at each address.
    std::unordered_map<std::uint32_t, std::uint32_t> otherType;
    for (const ServerTag& tag : serverTags)
        if (tag.id.type != source.type) otherType.emplace(tag.id.address, tag.id.type);

    std::vector<std::uint32_t> sorted = addresses;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::vector<TagFileRow> rows;
    std::vector<bool> refused(copied.size(), false);
    for (const std::uint32_t address : sorted) {
        if (address == source.address) {
            copy.refused.push_back(RefusedTarget{address, CopyTargetProblem::SourceAddress, 0});
            continue;
        }
        const auto other = otherType.find(address);
        if (other != otherType.end()) {
            copy.refused.push_back(RefusedTarget{address, CopyTargetProblem::OtherDevice, other->second});
            continue;
        }
        copy.targets.push_back(address);
        for (std::size_t i = 0; i < copied.size(); ++i) {
            TagFileRow row;
            row.id = TagId{source.type, address, copied[i].id.param};
            row.period = copied[i].period;
            TagFileIssue issue;
            if (!CheckTagRowValues(row, &issue)) {
                // What fails is the tag's own (targets are addresses an import takes): once per tag.
                if (!refused[i]) {
                    refused[i] = true;
                    issue.id = copied[i].id;
                    copy.refusedTags.push_back(std::move(issue));
                }
                continue;
            }
            rows.push_back(row);
        }
    }
    if (!rows.empty()) copy.plan = MakeImportPlan(rows, serverTags, false);
    return copy;
}

std::vector<std::uint32_t> SearchedCopyTargets(const CopySource& source, const std::vector<FoundAtAddress>& found,
                                               const std::vector<ServerTag>& serverTags)
{
    std::bitset<kCopyAddressMax + 1> held, offered;
    for (const ServerTag& tag : serverTags)
        if (tag.id.address <= kCopyAddressMax) held.set(tag.id.address);
    for (const FoundAtAddress& device : found) {
        if (device.type != source.type || device.address == source.address) continue;
        if (device.address < kCopyAddressMin || device.address > kCopyAddressMax || held.test(device.address)) continue;
        offered.set(device.address);
    }
    std::vector<std::uint32_t> addresses;
    for (std::uint32_t a = kCopyAddressMin; a <= kCopyAddressMax; ++a)
        if (offered.test(a)) addresses.push_back(a);
    return addresses;
}

bool RereadingIsCheaper(const std::vector<ServerTag>& serverTags, const CopySource& source, std::size_t calls)
{
    // The walk asks once per tag and once more to end; then one GetTagInfo per tag of the
    // source's type.
    std::size_t reread = serverTags.size() + 1;
    for (const ServerTag& tag : serverTags)
        if (CopyNeedsPeriod(source, tag.id)) ++reread;
    return reread < calls;
}
