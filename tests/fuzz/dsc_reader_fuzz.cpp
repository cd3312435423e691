// libFuzzer target over the whole description reader path: checksum, marker, header,
// parameters, enumeration lines, messages, and the lint observer on top.
//
// The input is taken twice: as a whole file as stored (almost always refused by its
// checksum, which exercises that path), and as a description text that is signed here so
// that the reader proper sees it. Besides the sanitizers, it checks what must hold for
// every input: both checksum forms agree, the result is 0 or -1, every message line ends
// in "\n", and no kept word exceeds its limit or holds white space or NUL; and the round
// trip through the register table: a description whose table has nothing to warn of builds
// back into the same device, and that build's table is the same table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Checksum.h"
#include "catalogue/DescriptionReader.h"
#include "catalogue/DescriptionLint.h"
#include "tools/DescriptionTable.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsCleanWord(const std::string& word, std::size_t limit)
{
    if (word.size() > limit)
        return false;
    for (char c : word) {
        if (c == '\0' || c == ' ' || (c >= '\t' && c <= '\r'))
            return false;
    }
    return true;
}

void CheckDevice(const CDevice& device, std::size_t textSize)
{
    Check(IsCleanWord(device.m_strName, kNameWordLimit));
    // Every parameter takes at least one byte of its name.
    Check(device.m_Parameters.GetCount() <= textSize);
    for (const CParameter& p : device.m_Parameters) {
        Check(IsCleanWord(p.m_strName, kNameWordLimit));
        Check(p.m_nType == kTypeUnknown || (p.m_nType >= 0 && p.m_nType < kParameterTypeCount));
        Check(p.m_nMemory == kMemoryUnknown || (p.m_nMemory >= 0 && p.m_nMemory < kMemoryAreaCount));
        Check(p.m_nAccess >= 0 && p.m_nAccess <= 3);
        Check(p.m_EnumValues.IsEmpty() || p.m_nType == kTypeEnum);
        for (const std::string& value : p.m_EnumValues)
            Check(!value.empty() && IsCleanWord(value, kEnumWordLimit));
    }
}

void CheckLines(const std::string& out)
{
    Check(out.empty() || out.back() == '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The table-driven checksum equals the bit-by-bit definition, whole and in two pieces,
    // from a register taken from the input.
    std::uint32_t reg = 0;
    if (size >= 4)
        reg = ReadStoredChecksum(data);
    const std::size_t cut = size ? data[size - 1] % (size + 1) : 0;
    const std::uint32_t bitwise = UpdateChecksumBitwise(reg, data, size);
    Check(UpdateChecksum(reg, data, size) == bitwise);
    Check(UpdateChecksum(UpdateChecksum(reg, data, cut), data + cut, size - cut) == bitwise);
    Check(UpdateChecksum(0, data, size) <= 0x7FFFFFFFu);

    // The bytes as a stored file.
    {
        CDevice device;
        std::ostringstream out;
        const int result = ReadDescriptionFile(bytes, "fuzz.dsc", device, out);
        Check(result == 0 || result == -1);
        CheckLines(out.str());
        CheckDevice(device, size);
    }

    // The bytes as a text behind a valid checksum.
    std::string file(4, '\0');
    WriteStoredChecksum(UpdateChecksum(0, bytes), reinterpret_cast<unsigned char*>(&file[0]));
    file.append(bytes.data(), bytes.size());
    {
        CDevice device;
        std::ostringstream out;
        const int result = ReadDescriptionFile(file, "fuzz.dsc", device, out);
        Check(result == 0 || result == -1);
        CheckLines(out.str());
        CheckDevice(device, size);
    }

    // The register table and back. tests/fuzz/roundtrip-crash.bin (a parameter whose name
    // begins with NUL bytes, so read as empty) is in every run's corpus: its table must warn.
    {
        CDevice device;
        std::ostringstream out;
        if (ReadDescriptionText(bytes, "fuzz.dsc", device, out) == 0) {
            std::vector<std::string> warnings;
            const std::string table = DescriptionTextToTable(bytes, &warnings);
            const BuiltDescription built = BuildDescriptionFromTable(table, "fuzz.csv");
            Check(built.ok == built.problems.empty());
            if (warnings.empty()) {
                Check(built.ok);
                CDevice again;
                std::ostringstream out2;
                Check(ReadDescriptionText(built.text, "built.dsc", again, out2) == 0);
                Check(again == device);
                Check(DescriptionTextToTable(built.text, nullptr) == table);
            }
        }
    }

    // The linter, on the text and on the signed file.
    {
        std::ostringstream out;
        LintDescription(bytes, "fuzz.txt", out);
        CheckLines(out.str());
        std::ostringstream out2;
        LintDescription(file, "fuzz.dsc", out2);
        CheckLines(out2.str());
    }
    return 0;
}
