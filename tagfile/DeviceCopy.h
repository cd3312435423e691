// One device's tags copied to other addresses: a line of identical meters is configured
// once and copied, instead of being added address by address.
//
// The copy is an import of rows made in the program: for every target address, one row per
// tag of the source with the source's period. MakeImportPlan sorts them into tags to add,
// periods to change and tags already there, and RunImportPlan carries them out, so the
// copy sends, journals, stops and reports as an import does. It never deletes.
//
// An address is refused, and nothing is planned for it, when it is the source's own or
// when the server holds tags of another device type there: one bus address is one device.
// A source tag is refused, and copied nowhere, when a row of it would fail the check every
// row an import sends goes through (CheckTagRowValues: a param 0 or 65535, a period that is
// not whole milliseconds from 0 to 86,400,000, which another client may have put there).
//
// The address list is what a person types: numbers and ranges separated by commas or
// blanks ("6-20, 25"), each address from 1 to 247.
#pragma once

#include "tagfile/ImportPlan.h"
#include "tagfile/ServerTags.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr std::uint32_t kCopyAddressMin = kFileAddressMin, kCopyAddressMax = kFileAddressMax;

enum class AddressEntryProblem {
    NotAnAddress,  // not a number nor a range of two ("x", "6-", "6-7-8", "-5")
    OutOfRange,    // a number outside 1..247 ("0", "248", "6-300")
    Backward,      // a range whose first end is above its last ("20-6")
};

// An entry of the list that gave no address, as typed.
struct AddressEntry {
    std::string text;
    AddressEntryProblem problem = AddressEntryProblem::NotAnAddress;
};

struct AddressList {
    std::vector<std::uint32_t> addresses;  // ascending, each once, however often given
    std::vector<AddressEntry> refused;     // in the order typed
    bool Whole() const { return refused.empty(); }
};

// Reads "6-20, 25": entries separated by commas, blanks and tabs; blanks may stand around
// the dash of a range ("6 - 20"). An entry that cannot be used gives no address at all,
// not even the part of a range that would fit.
AddressList ReadAddressList(std::string_view text);

// Why an entry gives no address, in zolctl's words: "'6-300': an address outside 1..247".
std::string DescribeAddressEntry(const AddressEntry& entry);

// The addresses as the reader takes them, runs of three or more written as ranges:
// {6, 7, 8, 25, 26} -> "6-8, 25, 26". Ascending input expected.
std::string FormatAddressList(const std::vector<std::uint32_t>& addresses);

// The device copied.
struct CopySource {
    std::uint32_t type = 0;
    std::uint32_t address = 0;
};

// Whether a copy from source needs the period of a server tag: the tags of the source's
// type (the source's own and those already at the targets, wherever they are). For
// ServerTagsOptions::wantPeriod.
bool CopyNeedsPeriod(const CopySource& source, const TagId& id);

// The server's tags of the source, in the server's order.
std::vector<ServerTag> SourceTags(const CopySource& source, const std::vector<ServerTag>& serverTags);

enum class CopyTargetProblem {
    SourceAddress,  // the source's own address
    OtherDevice,    // the server holds tags of another type there (otherType)
};

struct RefusedTarget {
    std::uint32_t address = 0;
    CopyTargetProblem problem = CopyTargetProblem::SourceAddress;
    std::uint32_t otherType = 0;  // OtherDevice: the type of the first such tag
};

struct DeviceCopyPlan {
    CopySource source;
    std::size_t sourceTags = 0;            // with a known period (those copied, and refusedTags)
    std::vector<TagId> unknownPeriods;     // source tags whose period the server did not give: not copied
    // Source tags whose rows an import would refuse, in the server's order: not copied. Each
    // issue's id is the source's tag; kind and text say which value fails.
    std::vector<TagFileIssue> refusedTags;
    std::vector<std::uint32_t> targets;    // ascending: the addresses copied to
    std::vector<RefusedTarget> refused;    // ascending
    ImportPlan plan;                       // add, change, unchanged; target by target, each in the source's order
};

// The plan of copying source to addresses against the server's tags (periods of the tags
// CopyNeedsPeriod names). A source without tags plans nothing (sourceTags 0).
DeviceCopyPlan MakeDeviceCopyPlan(const CopySource& source, const std::vector<std::uint32_t>& addresses,
                                  const std::vector<ServerTag>& serverTags);

// A device the auto-search found.
struct FoundAtAddress {
    std::uint32_t type = 0;
    std::uint32_t address = 0;
};

// The addresses to offer for a copy of source: where a search found a device of the same
// type and the server holds no tag yet, the source's own address left out; ascending.
std::vector<std::uint32_t> SearchedCopyTargets(const CopySource& source, const std::vector<FoundAtAddress>& found,
                                               const std::vector<ServerTag>& serverTags);

// After the user's wait on a preview, the before-values of the journal must be read again:
// either the whole list once more (its tags plus the periods CopyNeedsPeriod names) or one
// GetTagInfo ahead of each call. True when reading the list again takes fewer calls.
bool RereadingIsCheaper(const std::vector<ServerTag>& serverTags, const CopySource& source, std::size_t calls);
