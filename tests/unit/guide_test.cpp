// The user's guide (docs/guide/guide.md) against the program: every section the program
// opens it at exists, the file: URL given to the browser is well formed, and every error
// message the guide explains is a text the programs really show.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/Guide.h"

namespace fs = std::filesystem;

namespace {

fs::path SourceDir()
{
    const char* dir = std::getenv("ZOL_SOURCE_DIR");
    return dir != nullptr ? fs::path(dir) : fs::path(".");
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string GuideSource() { return ReadAll(SourceDir() / "docs" / "guide" / "guide.md"); }

// The string literals of C++ source text, adjacent ones joined as the compiler joins them,
// escapes resolved; a line break ("\n", "\r\n") becomes a space, as the guide writes a
// message's lines. Comments and character literals are skipped.
std::vector<std::string> Literals(const std::string& code)
{
    std::vector<std::string> literals;
    std::string chain;
    bool inChain = false;
    const size_t n = code.size();
    size_t i = 0;
    const auto endChain = [&] {
        if (inChain) literals.push_back(chain);
        inChain = false;
        chain.clear();
    };
    while (i < n) {
        const char c = code[i];
        if (c == '/' && i + 1 < n && code[i + 1] == '/') {
            while (i < n && code[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < n && code[i + 1] == '*') {
            const size_t end = code.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
        } else if (c == '\'') {
            for (++i; i < n && code[i] != '\''; ++i)
                if (code[i] == '\\') ++i;
            ++i;
            endChain();
        } else if (c == '"') {
            std::string literal;
            for (++i; i < n && code[i] != '"'; ++i) {
                if (code[i] != '\\' || i + 1 >= n) {
                    literal += code[i];
                    continue;
                }
                const char e = code[++i];
                if (e == 'n' || e == 't') literal += ' ';
                else if (e != 'r') literal += e;
            }
            ++i;
            chain += literal;
            inChain = true;
        } else {
            if (!std::isspace(static_cast<unsigned char>(c))) endChain();
            ++i;
        }
    }
    endChain();
    return literals;
}

// Every literal of the programs' sources (tests excluded).
std::vector<std::string> ProgramTexts()
{
    std::vector<std::string> texts;
    for (const char* room : {"app", "dialogs", "search", "serial", "ui", "server", "history", "tagfile", "ctl",
                             "tools", "catalogue", "common"}) {
        const fs::path dir = SourceDir() / room;
        if (!fs::is_directory(dir)) continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            for (std::string& literal : Literals(ReadAll(entry.path()))) texts.push_back(std::move(literal));
        }
    }
    return texts;
}

// The messages the guide explains: the code spans of the terms of its error section (a term
// is the line above a ":   " definition). "<...>" marks a part the program fills in.
std::vector<std::string> ExplainedMessages(const std::string& guide)
{
    std::vector<std::string> messages;
    const size_t start = guide.find("{#errors}");
    if (start == std::string::npos) return messages;
    std::istringstream in(guide.substr(start));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].empty() || lines[i + 1].rfind(":   ", 0) != 0) continue;
        const std::string& term = lines[i];
        for (size_t open = term.find('`'); open != std::string::npos; open = term.find('`', open)) {
            const size_t close = term.find('`', open + 1);
            if (close == std::string::npos) break;
            messages.push_back(term.substr(open + 1, close - open - 1));
            open = close + 1;
        }
    }
    return messages;
}

// The fixed parts of a message, between its "<...>" parts. The window's refusal box "A
// (ошибка <код>)." is built by one routine (RefusalText) from A and the code: A and the
// routine's " (ошибка " are parts of their own.
std::vector<std::string> FixedParts(const std::string& message)
{
    static const std::string kRefusalCode = u8" (ошибка ";
    std::vector<std::string> parts;
    const auto add = [&](const std::string& part) {
        const size_t at = part.size() >= kRefusalCode.size() ? part.size() - kRefusalCode.size() : std::string::npos;
        if (at != std::string::npos && at > 0 && part.compare(at, std::string::npos, kRefusalCode) == 0) {
            parts.push_back(part.substr(0, at));
            parts.push_back(kRefusalCode);
        } else {
            parts.push_back(part);
        }
    };
    size_t from = 0;
    for (;;) {
        const size_t open = message.find('<', from);
        const size_t close = open == std::string::npos ? std::string::npos : message.find('>', open);
        if (close == std::string::npos) {
            add(message.substr(from));
            return parts;
        }
        add(message.substr(from, open - from));
        from = close + 1;
    }
}

// The messages whose fixed parts are not all in the programs' texts, or that have no fixed
// part long enough to say anything.
std::vector<std::string> NotShownByThePrograms(const std::vector<std::string>& messages,
                                               const std::vector<std::string>& texts)
{
    std::vector<std::string> missing;
    for (const std::string& message : messages) {
        bool found = true;
        size_t longest = 0;
        for (const std::string& part : FixedParts(message)) {
            longest = std::max(longest, part.size());
            bool inSome = false;
            for (const std::string& text : texts)
                if (text.find(part) != std::string::npos) inSome = true;
            found = found && inSome;
        }
        if (!found || longest < 6) missing.push_back(message);
    }
    return missing;
}

TEST(Guide, EverySectionTheProgramOpensExistsInTheGuide)
{
    const std::string guide = GuideSource();
    ASSERT_FALSE(guide.empty()) << "no docs/guide/guide.md under " << SourceDir();
    const std::vector<std::string> sections = GuideSections();
    EXPECT_GE(sections.size(), 10u);
    for (const std::string& section : sections)
        EXPECT_NE(guide.find("{#" + section + "}"), std::string::npos) << section;
    // A window the guide has no section for opens it at the main window's.
    EXPECT_EQ(std::string(GuideSectionOf(99999)), "main-window");
}

TEST(Guide, FileUrlsKeepTheAnchorAndEncodeWhatAUrlCannotHold)
{
    EXPECT_EQ(FileUrl("C:\\Program Files (x86)\\zolcfg\\guide\\index.html", "add-device"),
              "file:///C:/Program%20Files%20%28x86%29/zolcfg/guide/index.html#add-device");
    // Cyrillic folder names as UTF-8 bytes, '#' and '%' of a folder name escaped.
    EXPECT_EQ(FileUrl("D:\\\xD0\x9F\xD1\x80\\a#b%c\\index.html", "find"),
              "file:///D:/%D0%9F%D1%80/a%23b%25c/index.html#find");
    EXPECT_EQ(FileUrl("/opt/zolcfg/guide/index.html", ""), "file:///opt/zolcfg/guide/index.html");
    EXPECT_EQ(FileUrl("\\\\server\\share\\guide\\index.html", "x"), "file:////server/share/guide/index.html#x");
}

TEST(Guide, EveryErrorMessageItExplainsIsAProgramsText)
{
    const std::vector<std::string> messages = ExplainedMessages(GuideSource());
    // The guide explains the messages of connection, refusals, files and the journal.
    ASSERT_GE(messages.size(), 30u);
    const std::vector<std::string> texts = ProgramTexts();
    ASSERT_GT(texts.size(), 1000u);
    const std::vector<std::string> missing = NotShownByThePrograms(messages, texts);
    for (const std::string& message : missing) ADD_FAILURE() << "not a text of the programs: " << message;

    // The check itself: a made-up message, one with a changed fixed part, and one that is
    // nothing but placeholders are caught; the fixed parts around a placeholder are found.
    // (UTF-8 literals: the sources and the guide are UTF-8, the build's narrow literals are not.)
    EXPECT_EQ(NotShownByThePrograms({u8"Сервер сгорел (ошибка <код>).", u8"Сервер не удалил тег (код <код>).",
                                     u8"<что-то>: <ещё>", u8"Сервер не удалил тег (ошибка <код>)."},
                                    texts),
              (std::vector<std::string>{u8"Сервер сгорел (ошибка <код>).", u8"Сервер не удалил тег (код <код>).",
                                        u8"<что-то>: <ещё>"}));
}

TEST(Guide, LiteralsAreJoinedAndUnescapedAsTheCompilerSeesThem)
{
    const std::string code =
        "// \"not a literal\"\n"
        "f('\"', \"first \" \"second\\n\"  /* \"no\" */ \"third\");\n"
        "g(\"a \\\"quoted\\\" word\");\n";
    EXPECT_EQ(Literals(code), (std::vector<std::string>{"first second third", "a \"quoted\" word"}));
}

}  // namespace
