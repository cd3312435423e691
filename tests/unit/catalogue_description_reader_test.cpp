#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Checksum.h"
#include "catalogue/DescriptionReader.h"
#include "catalogue_test_util.h"

namespace {

struct ReadResult {
    int result = 0;
    CDevice device;
    std::string out;
};

ReadResult ReadText(const std::string& text)
{
    ReadResult r;
    std::ostringstream out;
    r.result = ReadDescriptionText(text, "t.dsc", r.device, out);
    r.out = out.str();
    return r;
}

CParameter P(const std::string& name, int number, int type, int access, int memory, int address,
             std::vector<std::string> values = {})
{
    CParameter p(name, access, type, memory, address);
    p.m_nNumber = number;
    for (auto& v : values)
        p.m_EnumValues.AddTail(v);
    return p;
}

std::vector<CParameter> Params(const CDevice& device)
{
    return std::vector<CParameter>(device.m_Parameters.begin(), device.m_Parameters.end());
}

std::vector<std::string> Values(const CParameter& p)
{
    return std::vector<std::string>(p.m_EnumValues.begin(), p.m_EnumValues.end());
}

const char kMeter[] =
    "DEVICE_DESCRIPTION\n"
    "; demonstration meter\n"
    "Meter 12\n"
    "; name   number type  access area     address  values\n"
    "Voltage  1      REAL  R      HOLD_REG 100\n"
    "Current  2      REAL  R      HOLD_REG 102\n"
    "Mode     3      ENUM  RW     HOLD_REG 110      Off Auto Manual\n"
    "Reset    4      BOOL  W      COIL     5\n";

const std::vector<CParameter> kMeterParameters = {
    P("Reset", 4, kTypeBool, 2, kMemoryCoil, 5),
    P("Mode", 3, kTypeEnum, 3, kMemoryHoldingRegister, 110, {"Off", "Auto", "Manual"}),
    P("Current", 2, kTypeReal, 1, kMemoryHoldingRegister, 102),
    P("Voltage", 1, kTypeReal, 1, kMemoryHoldingRegister, 100),
};

TEST(ReaderTest, ReadsTheExampleInReverseFileOrder)
{
    const ReadResult r = ReadText(kMeter);
    EXPECT_EQ(0, r.result);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("Meter", r.device.m_strName);
    EXPECT_EQ(12, r.device.m_nTypeCode);
    EXPECT_EQ(kMeterParameters, Params(r.device)) << Describe(r.device);
}

TEST(ReaderTest, MarkerDecidesAcceptance)
{
    const struct {
        const char* text;
        int result;
    } cases[] = {
        {"DEVICE_DESCRIPTION", 0},
        {" \r\n\t DEVICE_DESCRIPTION\n", 0},
        {"device_description\nMeter 1\n", -1},
        {"Device_Description\n", -1},
        {"DEVICE_DESCRIPTIONX\n", -1},
        {"DEVICE_DESCRIPTION_AND_MORE_THAN_NINETEEN\n", -1},  // cut at 19 bytes, still not the marker
        {"; DEVICE_DESCRIPTION\n", -1},                        // no comment before the marker
        {"", -1},
        {"   \n\n", -1},
    };
    for (const auto& c : cases) {
        const ReadResult r = ReadText(c.text);
        EXPECT_EQ(c.result, r.result) << c.text;
        EXPECT_EQ(c.result == 0 ? "" : "File t.dsc don't contain device description information\n", r.out)
            << c.text;
        // Neither a refused file nor a text without a header leaves anything in the device.
        EXPECT_EQ(CDevice(), r.device) << c.text;
    }
    EXPECT_EQ(CDevice(), ReadText("DEVICE_DESCRIPTION\n; nothing here\n;\n").device);
}

TEST(ReaderTest, FieldWords)
{
    // One parameter line per case; the fields read from it.
    const struct {
        const char* line;
        int type, access, memory;
        const char* message;
    } cases[] = {
        {"INT R RAM", kTypeInt, 1, kMemoryRam, ""},
        {"real W eeprom", kTypeReal, 2, kMemoryEeprom, ""},
        {"Short RW Command", kTypeShort, 3, kMemoryCommand, ""},
        {"bOOL R/W coil", kTypeBool, 3, kMemoryCoil, ""},
        {"BYTE WR disc_inpt", kTypeByte, 3, kMemoryDiscreteInput, ""},
        {"enum -W- hold_reg", kTypeEnum, 2, kMemoryHoldingRegister, ""},
        {"INT r INPT_REG", kTypeInt, 0, kMemoryInputRegister, ""},       // lower-case r is not R
        {"INT rw RAM", kTypeInt, 0, kMemoryRam, ""},
        {"INT xRx RAM", kTypeInt, 1, kMemoryRam, ""},
        {"FLOAT R RAM", kTypeUnknown, 1, kMemoryRam, "Wrong parameter type - FLOAT\n"},
        {"INT R FLASH", kTypeInt, 1, kMemoryUnknown, "Wrong memory type - FLASH\n"},
        {"INTEGER R HOLDREG", kTypeUnknown, 1, kMemoryUnknown,
         "Wrong parameter type - INTEGER\nWrong memory type - HOLDREG\n"},
    };
    for (const auto& c : cases) {
        const std::string text = std::string("DEVICE_DESCRIPTION\nD 1\nP 7 ") + c.line + " 9\nQ 8 INT R RAM 1\n";
        const ReadResult r = ReadText(text);
        ASSERT_EQ(2u, r.device.m_Parameters.GetCount()) << c.line;
        const CParameter& p = r.device.m_Parameters.GetTail();  // the first in the file
        EXPECT_EQ("P", p.m_strName) << c.line;
        EXPECT_EQ(7, p.m_nNumber) << c.line;
        EXPECT_EQ(c.type, p.m_nType) << c.line;
        EXPECT_EQ(c.access, p.m_nAccess) << c.line;
        EXPECT_EQ(c.memory, p.m_nMemory) << c.line;
        EXPECT_EQ(9, p.m_nAddress) << c.line;
        EXPECT_EQ(c.message, r.out) << c.line;
    }
}

TEST(ReaderTest, Comments)
{
    const ReadResult r = ReadText(
        "DEVICE_DESCRIPTION ; a comment may follow the marker on its line\n"
        "Meter 5\n");
    EXPECT_EQ("Meter", r.device.m_strName);
    EXPECT_EQ(5, r.device.m_nTypeCode);

    const ReadResult r2 = ReadText(
        "DEVICE_DESCRIPTION\n"
        ";whole line\n"
        "Meter 5 ; behind the header\n"
        "A 1 INT R RAM 0 ; behind a parameter\n"
        "   ; indented\n"
        "B 2 ENUM R RAM 1 On Off ; note\n"
        "C 3 ENUM R RAM 2 ;\n");
    ASSERT_EQ(3u, r2.device.m_Parameters.GetCount()) << Describe(r2.device);
    auto it = r2.device.m_Parameters.begin();
    EXPECT_EQ((std::vector<std::string>{";"}), Values(*it++));
    EXPECT_EQ((std::vector<std::string>{"On", "Off", ";", "note"}), Values(*it++));
    EXPECT_EQ(P("A", 1, kTypeInt, 1, kMemoryRam, 0), *it);
    EXPECT_EQ("", r2.out);
}

TEST(ReaderTest, EnumerationLines)
{
    // Nothing behind the address: no values.
    EXPECT_TRUE(ReadText("DEVICE_DESCRIPTION\nD 1\nE 1 ENUM R RAM 0\n").device.m_Parameters.GetHead()
                    .m_EnumValues.IsEmpty());
    EXPECT_TRUE(ReadText("DEVICE_DESCRIPTION\nD 1\nE 1 ENUM R RAM 0   \t \r\nF 2 INT R RAM 1")
                    .device.m_Parameters.GetTail().m_EnumValues.IsEmpty());
    // The last line without a line end.
    EXPECT_EQ((std::vector<std::string>{"a", "b"}),
              Values(ReadText("DEVICE_DESCRIPTION\nD 1\nE 1 ENUM R RAM 0 a b").device.m_Parameters.GetHead()));
    // CR LF: the CR is white space, never part of a value.
    EXPECT_EQ((std::vector<std::string>{"a", "b"}),
              Values(ReadText("DEVICE_DESCRIPTION\r\nD 1\r\nE 1 ENUM R RAM 0 a b\r\nF 2 INT R RAM 1\r\n")
                         .device.m_Parameters.GetTail()));

    // Lines far longer than the 100 bytes of a first read keep every word, in order.
    for (std::size_t count : {30u, 5000u, 60000u}) {
        std::string line;
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < count; ++i) {
            expected.push_back("value" + std::to_string(i));
            line += " " + expected.back();
        }
        const ReadResult r = ReadText("DEVICE_DESCRIPTION\nD 1\nE 1 ENUM R RAM 0" + line + "\nF 2 INT R RAM 1\n");
        ASSERT_EQ(2u, r.device.m_Parameters.GetCount());
        EXPECT_EQ(expected, Values(r.device.m_Parameters.GetTail())) << count;
        EXPECT_EQ("F", r.device.m_Parameters.GetHead().m_strName);
    }
}

TEST(ReaderTest, NoResynchronisationOnLineEnds)
{
    // A missing number shifts every later word by one field, across line ends.
    const ReadResult r = ReadText(
        "DEVICE_DESCRIPTION\n"
        "D 1\n"
        "P x REAL R HOLD_REG 1\n");
    // P: number "x" is not a number (stays 0, not consumed), type "x", access "REAL" (has
    // an R), memory "R", address "HOLD_REG" not a number; then a parameter named HOLD_REG
    // with number 1, cut short by the end of the text.
    EXPECT_EQ("Wrong parameter type - x\nWrong memory type - R\n", r.out);
    const std::vector<CParameter> expected = {
        P("HOLD_REG", 1, kTypeUnknown, 0, kMemoryUnknown, 0),
        P("P", 0, kTypeUnknown, 1, kMemoryUnknown, 0),
    };
    EXPECT_EQ(expected, Params(r.device)) << Describe(r.device);

    // "Meter Volts": the type code stays 0 and Volts becomes the first parameter's name.
    const ReadResult h = ReadText("DEVICE_DESCRIPTION\nMeter Volts 1 REAL R RAM 0\n");
    EXPECT_EQ(0, h.device.m_nTypeCode);
    EXPECT_EQ((std::vector<CParameter>{P("Volts", 1, kTypeReal, 1, kMemoryRam, 0)}), Params(h.device));

    // An ENUM parameter whose address is missing takes the next line as its values.
    const ReadResult e = ReadText("DEVICE_DESCRIPTION\nD 1\nE 1 ENUM R RAM\nF 2 INT R RAM 1\n");
    ASSERT_EQ(1u, e.device.m_Parameters.GetCount());
    EXPECT_EQ((std::vector<std::string>{"F", "2", "INT", "R", "RAM", "1"}), Values(e.device.m_Parameters.GetHead()));
}

TEST(ReaderTest, Numbers)
{
    const struct {
        const char* word;
        int expected;
        const char* next;  // the next field's word, if the number left something behind
    } cases[] = {
        {"0", 0, nullptr},
        {"+5", 5, nullptr},
        {"-7", -7, nullptr},
        {"007", 7, nullptr},
        {"2147483647", INT_MAX, nullptr},
        {"-2147483648", INT_MIN, nullptr},
        {"2147483648", INT_MAX, nullptr},           // clamped
        {"-2147483649", INT_MIN, nullptr},          // clamped
        {"99999999999999999999999", INT_MAX, nullptr},
        {"-99999999999999999999999", INT_MIN, nullptr},
        {"12abc", 12, "abc"},                       // digits end the number; the rest is the next word
        // Leading zeros count for nothing, however many: only the value decides the clamp.
        {"000000000000000000002147483647", INT_MAX, nullptr},
        {"-000000000000000000002147483648", INT_MIN, nullptr},
        {"0000000000000000000000012abc", 12, "abc"},
        {"9999999999", INT_MAX, nullptr},          // ten digits, beyond the range
    };
    for (const auto& c : cases) {
        const std::string text = std::string("DEVICE_DESCRIPTION\nD ") + c.word + "\n";
        const ReadResult r = ReadText(text);
        EXPECT_EQ(c.expected, r.device.m_nTypeCode) << c.word;
        if (c.next) {
            ASSERT_EQ(1u, r.device.m_Parameters.GetCount()) << c.word;
            EXPECT_EQ(c.next, r.device.m_Parameters.GetHead().m_strName);
        } else {
            EXPECT_TRUE(r.device.m_Parameters.IsEmpty()) << c.word;
        }
    }
    // A sign without digits is not a number and is not consumed.
    for (const char* word : {"-", "+", "-x", "+-1", "x1"}) {
        const ReadResult r = ReadText(std::string("DEVICE_DESCRIPTION\nD ") + word + "\n");
        EXPECT_EQ(0, r.device.m_nTypeCode) << word;
        ASSERT_EQ(1u, r.device.m_Parameters.GetCount()) << word;
        EXPECT_EQ(word, r.device.m_Parameters.GetHead().m_strName);
    }
}

TEST(ReaderTest, OverlongWordsAreCutAndReadingGoesOn)
{
    const std::string name200(200, 'N');
    const std::string type25 = "REAL" + std::string(21, 'X');
    const std::string memory40 = "HOLD_REG" + std::string(32, 'M');
    const std::string value80(80, 'v');
    const ReadResult r = ReadText("DEVICE_DESCRIPTION\n" + name200 + " 3\n" +
                                  name200 + " 1 " + type25 + " " + std::string(30, 'R') + " " + memory40 +
                                  " 4\n"
                                  "E 2 ENUM R RAM 0 a " + value80 + " b\n");
    EXPECT_EQ(std::string(149, 'N'), r.device.m_strName);
    EXPECT_EQ(3, r.device.m_nTypeCode);
    ASSERT_EQ(2u, r.device.m_Parameters.GetCount()) << Describe(r.device);
    const CParameter& first = r.device.m_Parameters.GetTail();
    EXPECT_EQ(std::string(149, 'N'), first.m_strName);
    EXPECT_EQ(1, first.m_nNumber);
    EXPECT_EQ(kTypeUnknown, first.m_nType);
    EXPECT_EQ(1, first.m_nAccess);
    EXPECT_EQ(kMemoryUnknown, first.m_nMemory);
    EXPECT_EQ(4, first.m_nAddress);
    EXPECT_EQ("Wrong parameter type - " + type25.substr(0, 19) + "\nWrong memory type - " + memory40.substr(0, 29) +
                  "\n",
              r.out);
    EXPECT_EQ((std::vector<std::string>{"a", std::string(59, 'v'), "b"}), Values(r.device.m_Parameters.GetHead()));

    // Exactly at the limits nothing is cut.
    const ReadResult exact = ReadText("DEVICE_DESCRIPTION\n" + std::string(149, 'n') + " 1\n");
    EXPECT_EQ(std::string(149, 'n'), exact.device.m_strName);
}

TEST(ReaderTest, ParameterCutShortByTheEndOfTheText)
{
    const struct {
        const char* tail;
        CParameter expected;
    } cases[] = {
        {"P", P("P", 0, kTypeUnknown, 0, kMemoryUnknown, 0)},
        {"P 1", P("P", 1, kTypeUnknown, 0, kMemoryUnknown, 0)},
        {"P 1 REAL", P("P", 1, kTypeReal, 0, kMemoryUnknown, 0)},
        {"P 1 REAL RW", P("P", 1, kTypeReal, 3, kMemoryUnknown, 0)},
        {"P 1 REAL RW RAM", P("P", 1, kTypeReal, 3, kMemoryRam, 0)},
        {"P 1 ENUM RW RAM", P("P", 1, kTypeEnum, 3, kMemoryRam, 0)},
        {"P 1 REAL RW RAM 4", P("P", 1, kTypeReal, 3, kMemoryRam, 4)},
    };
    for (const auto& c : cases) {
        const ReadResult r = ReadText(std::string("DEVICE_DESCRIPTION\nD 1\n") + c.tail);
        EXPECT_EQ("", r.out) << c.tail;  // a missing word is not an unknown word
        ASSERT_EQ(1u, r.device.m_Parameters.GetCount()) << c.tail;
        EXPECT_EQ(c.expected, r.device.m_Parameters.GetHead()) << c.tail << ": " << Describe(r.device);
    }
}

TEST(ReaderTest, NulBytesEndAWordsText)
{
    using namespace std::string_literals;
    const ReadResult r = ReadText("DEVICE_DESCRIPTION\nMe\0ter 1\nA\0B 2 INT R RAM 0\nE 3 ENUM R RAM 0 x\0y \0z w"s);
    EXPECT_EQ("Me", r.device.m_strName);
    EXPECT_EQ(1, r.device.m_nTypeCode);
    ASSERT_EQ(2u, r.device.m_Parameters.GetCount()) << Describe(r.device);
    EXPECT_EQ("A", r.device.m_Parameters.GetTail().m_strName);
    // A value that begins with NUL is empty and left out.
    EXPECT_EQ((std::vector<std::string>{"x", "w"}), Values(r.device.m_Parameters.GetHead()));

    // NUL bytes and no line end inside an enumeration line: it still ends.
    const ReadResult n = ReadText("DEVICE_DESCRIPTION\nD 1\nE 3 ENUM R RAM 0 \0\0\0"s);
    ASSERT_EQ(1u, n.device.m_Parameters.GetCount());
    EXPECT_TRUE(n.device.m_Parameters.GetHead().m_EnumValues.IsEmpty());
}

// Words are scanned eight bytes at a time: every length around those steps, ending at the
// end of the text or before white space, with a control byte, DEL, an upper-half byte or a
// NUL at every place in them.
TEST(ReaderTest, WordsOfEveryLengthAndContent)
{
    for (std::size_t length = 1; length <= 26; ++length) {
        for (const std::string tail : {"", " 7 INT R RAM 0", "\t7\r\nINT R RAM 0\r\n"}) {
            for (std::size_t at = 0; at <= length; ++at) {
                for (const char odd : {'\x01', '\x1f', '\x7f', '\xff', '\0'}) {
                    std::string word(length, 'w');
                    if (at < length)
                        word[at] = odd;
                    const ReadResult r = ReadText("DEVICE_DESCRIPTION\nD 1\n" + word + tail);
                    const std::string context = std::to_string(length) + "/" + std::to_string(at) + "/" +
                                                std::to_string(static_cast<unsigned char>(odd)) + "/" +
                                                std::to_string(tail.size());
                    ASSERT_EQ(1u, r.device.m_Parameters.GetCount()) << context;
                    const CParameter& p = r.device.m_Parameters.GetHead();
                    ASSERT_EQ(word.substr(0, word.find('\0')), p.m_strName) << context;
                    ASSERT_EQ(tail.empty() ? 0 : 7, p.m_nNumber) << context;
                    ASSERT_EQ(tail.empty() ? int(kMemoryUnknown) : int(kMemoryRam), p.m_nMemory) << context;
                }
            }
        }
    }
}

// --- through files on disk ---------------------------------------------------------------

std::string ToCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

TEST(ReaderFileTest, LineEndsDoNotChangeTheDevice)
{
    CScratchDir dir;
    const std::string lf = kMeter;
    const std::string noFinal = lf.substr(0, lf.size() - 1);
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"lf.dsc", lf},
        {"crlf.dsc", ToCrLf(lf)},
        {"lf-nofinal.dsc", noFinal},
        {"crlf-nofinal.dsc", ToCrLf(noFinal)},
        {"enum-last.dsc", "DEVICE_DESCRIPTION\nMeter 12\nReset 4 BOOL W COIL 5\nMode 3 ENUM RW HOLD_REG 110 Off "
                          "Auto Manual"},
    };
    for (const auto& c : cases) {
        const auto path = dir.WriteSigned(c.name, c.text);
        CDevice device;
        std::ostringstream out;
        ASSERT_EQ(0, LoadDeviceFile(path, c.name, device, out)) << c.name << ": " << out.str();
        EXPECT_EQ("", out.str());
        EXPECT_EQ("Meter", device.m_strName);
        EXPECT_EQ(12, device.m_nTypeCode);
        if (std::string(c.name) == "enum-last.dsc")
            EXPECT_EQ((std::vector<std::string>{"Off", "Auto", "Manual"}), Values(device.m_Parameters.GetHead()));
        else
            EXPECT_EQ(kMeterParameters, Params(device)) << c.name << ": " << Describe(device);
    }
}

TEST(ReaderFileTest, RefusedFilesAndTheirMessages)
{
    CScratchDir dir;
    std::string badSum = Signed(kMeter);
    badSum[3] ^= 0x10;
    dir.Write("badsum.dsc", badSum);
    dir.Write("short.dsc", "abc");
    dir.WriteSigned("nomarker.dsc", "DEVICE_DESCRIPTOR\nMeter 12\n");
    dir.WriteSigned("empty-text.dsc", "");
    std::filesystem::create_directory(dir / "folder.dsc");

    const struct {
        const char* name;
        std::string out;
    } cases[] = {
        {"badsum.dsc", "Wrong CRC in file badsum.dsc\n"},
        {"short.dsc", "Wrong CRC in file short.dsc\n"},
        {"missing.dsc", "missing.dsc \tCan't open file\nWrong CRC in file missing.dsc\n"},
        {"folder.dsc", "folder.dsc \tCan't open file\nWrong CRC in file folder.dsc\n"},
        {"nomarker.dsc", "File nomarker.dsc don't contain device description information\n"},
        {"empty-text.dsc", "File empty-text.dsc don't contain device description information\n"},
    };
    for (const auto& c : cases) {
        CDevice device;
        std::ostringstream out;
        EXPECT_EQ(-1, LoadDeviceFile(dir / c.name, c.name, device, out)) << c.name;
        EXPECT_EQ(c.out, out.str()) << c.name;
        EXPECT_EQ(CDevice(), device) << c.name;
    }
}

TEST(ReaderFileTest, FilesThatAreNotRegularAreRefusedUnopened)
{
    // Opening a FIFO waits for a writer; a device may never end. Neither is opened.
    CScratchDir dir;
    const auto fifo = MakeFifo(dir, "pipe.dsc");
    std::filesystem::create_symlink("/dev/null", dir / "null.dsc");
    for (const char* name : {"pipe.dsc", "null.dsc"}) {
        FileReadStatus status = FileReadStatus::Ok;
        ChecksumCheck check;
        check.status = ChecksumStatus::Ok;
        int loaded = 0, verified = 0;
        CDevice device;
        std::ostringstream out, verifyOut;
        std::string bytes = "left from before";
        EXPECT_TRUE(FinishesWithin(
            std::chrono::seconds(5),
            [&] {
                status = ReadFileBytes(dir / name, bytes);
                check = CheckFileChecksum(dir / name);
                loaded = LoadDeviceFile(dir / name, name, device, out);
                verified = VerifyFileChecksum(dir / name, name, verifyOut);
            },
            {fifo}))
            << name;
        EXPECT_EQ(FileReadStatus::CannotOpen, status) << name;
        EXPECT_EQ("", bytes) << name;
        EXPECT_EQ(ChecksumStatus::CannotOpen, check.status) << name;
        EXPECT_EQ(-1, loaded) << name;
        EXPECT_EQ(std::string(name) + " \tCan't open file\nWrong CRC in file " + name + "\n", out.str());
        EXPECT_EQ(255, verified) << name;
        EXPECT_EQ(std::string(name) + " \tCan't open file\n", verifyOut.str());
    }
    // A link to a regular file is read like the file.
    dir.WriteSigned("meter.txt", kMeter);
    std::filesystem::create_symlink(dir / "meter.txt", dir / "link.dsc");
    CDevice device;
    std::ostringstream out;
    EXPECT_EQ(0, LoadDeviceFile(dir / "link.dsc", "link.dsc", device, out)) << out.str();
}

TEST(ReaderFileTest, EachFileIsReadIntoABufferOfItsOwnSize)
{
    CScratchDir dir;
    const std::string big(std::size_t(16) << 20, 'B');
    const std::string small = "small file\n";
    const std::string medium(100000, 'm');
    dir.Write("big", big);
    dir.Write("small", small);
    dir.Write("medium", medium);
    dir.Write("empty", "");

    // A reused buffer holds exactly the bytes of the file read last, whatever it held.
    std::string buffer;
    for (const char* name : {"small", "big", "small", "medium", "empty", "big", "medium"}) {
        ASSERT_EQ(FileReadStatus::Ok, ReadFileBytes(dir / name, buffer)) << name;
        EXPECT_TRUE(buffer == ReadAll(dir / name)) << name << ": " << buffer.size() << " bytes";
    }

    // Small files read after a big one cost what they cost alone: nothing is done over the
    // capacity the big file left behind.
    std::vector<std::filesystem::path> smallFiles;
    for (int i = 0; i < 300; ++i)
        smallFiles.push_back(dir.Write("s" + std::to_string(i), small + std::to_string(i)));
    const auto readAll = [&](std::string& reused) {
        const auto start = std::chrono::steady_clock::now();
        for (const auto& file : smallFiles)
            ReadFileBytes(file, reused);
        return std::chrono::steady_clock::now() - start;
    };
    std::string fresh;
    const auto alone = readAll(fresh);
    std::string afterBig;
    ASSERT_EQ(FileReadStatus::Ok, ReadFileBytes(dir / "big", afterBig));
    const auto behindBig = readAll(afterBig);
    EXPECT_EQ(small + "299", afterBig);
    EXPECT_LT(behindBig, 5 * alone + std::chrono::milliseconds(100))
        << std::chrono::duration_cast<std::chrono::microseconds>(behindBig).count() << " us against "
        << std::chrono::duration_cast<std::chrono::microseconds>(alone).count() << " us";
}

}  // namespace
