// Text for terminals: every control character escaped, line ends and other text kept as
// they are; and a file that cannot be read says why.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "common/AtomicFile.h"
#include "common/ControlChars.h"

namespace {

TEST(ControlChars, EveryControlIsEscapedAndTheRestKept)
{
    EXPECT_EQ(EscapeControlChars("PM3F(005).Frequency"), "PM3F(005).Frequency");
    EXPECT_EQ(EscapeControlChars("\x1B[2J\x1B]0;owned\x07"), "\\x1B[2J\\x1B]0;owned\\x07");
    EXPECT_EQ(EscapeControlChars(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(EscapeControlChars("tab\there\x7F"), "tab\\x09here\\x7F");
    // Line ends stay; a carriage return alone would overwrite the line: escaped.
    EXPECT_EQ(EscapeControlChars("one\ntwo\r\nthree\rfour\r"), "one\ntwo\r\nthree\\x0Dfour\\x0D");
    // C1 controls (CSI is U+009B) in UTF-8; Cyrillic and other letters after C2 stay.
    EXPECT_EQ(EscapeControlChars("\xC2\x9B" "31m \xC2\x85"), "\\u009B31m \\u0085");
    EXPECT_EQ(EscapeControlChars(u8"Счётчик \xC2\xA0\xC2\xBB"), u8"Счётчик \xC2\xA0\xC2\xBB");
    // Bytes that are not UTF-8 pass as they are (the console writer replaces them), a C2 at
    // the end included.
    EXPECT_EQ(EscapeControlChars("\x9B\xFF\xC2"), "\x9B\xFF\xC2");
    EXPECT_EQ(EscapeControlChars(""), "");
}

TEST(ReadWholeFile, AFileThatCannotBeReadSaysWhy)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("zol-read-whole-file-" + std::to_string(std::random_device()()));
    fs::create_directories(dir / "dir.csv");
    std::string content = "untouched", why;
    EXPECT_FALSE(ReadWholeFile(dir / "dir.csv", &content, &why));
    EXPECT_EQ(why, "it is a folder");
    EXPECT_FALSE(ReadWholeFile(dir / "missing.csv", &content, &why));
    EXPECT_EQ(why, "no such file");
    EXPECT_EQ(content, "untouched");
    std::ofstream(dir / "tags.csv", std::ios::binary) << "a;b\r\n";
    why.clear();
    EXPECT_TRUE(ReadWholeFile(dir / "tags.csv", &content, &why));
    EXPECT_EQ(content, "a;b\r\n");
    EXPECT_EQ(why, "");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
