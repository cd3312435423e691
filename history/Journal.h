// The change journal: journal.csv in the history folder, one line per changing server call.
// Same CSV conventions as the tag files (tagfile/TagFileWriter.h): UTF-8 with BOM, ';',
// CR LF, fields quoted with their quotes doubled when they need it.
#pragma once

#include "history/HistoryPlatform.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The columns, in file order.
constexpr const char* kJournalColumns[] = {"time", "user",  "computer", "program", "action", "type",
                                           "address", "param", "name", "before", "after", "result"};
constexpr int kJournalColumnCount = 12;

constexpr const char* kJournalFileName = "journal.csv";
constexpr std::uint64_t kJournalRotateBytes = 10u * 1024u * 1024u;  // over this: journal-1.csv
constexpr int kJournalKeptFiles = 5;                                // journal-1 .. journal-5

// The result of the line written ahead of a call; the line with the call's result follows
// it once the call returned. A reader shows a pending line that no result follows as
// kJournalUnknownResult: the program ended during the call.
constexpr const char* kJournalPending = "pending";
constexpr const char* kJournalUnknownResult = "unknown: the program ended during the call";

// One line, every field as the file holds it (UTF-8 text; type/address/param decimal or
// empty for a call on no tag).
struct JournalLine {
    std::string time, user, computer, program, action;
    std::string type, address, param, name;
    std::string before, after, result;

    bool operator==(const JournalLine& o) const;
};

// The line's bytes, ending in CR LF. A text field (user, computer, program, action, name)
// that a spreadsheet would take for a formula is written with a leading apostrophe
// (GuardFormula); reading removes it.
std::string FormatJournalLine(const JournalLine& line);
// The header line with its BOM, as a new file starts.
std::string JournalFileStart();

// The lines of one journal file (a header line anywhere, blank lines and a last line left
// without its end are skipped; a line with fewer fields is padded with empty ones).
std::vector<JournalLine> ReadJournalLines(std::string_view bytes);

// Pairs each pending line with the result line of the same call (the same user, computer,
// program, action and tag, the latest pending one first) and drops it; a pending line that
// no result follows stays, with kJournalUnknownResult as its result.
// Two processes of one user changing one tag at once may be paired crosswise, which at
// worst shows a killed call's pending line with the other call's time and values. No
// column carries a process id or a sequence number to prevent it: each holds one thing a
// reader filters or sorts by (a time, a program and its version, "pending", a value), and
// an id added to any of them would split or break those filters in a spreadsheet. Nor is
// the before-value a key: a delete's result line may correct it ("?" once deleted).
std::vector<JournalLine> ResolvePendingLines(std::vector<JournalLine> lines);

// Every kept file of the folder, oldest first (journal-5 .. journal-1, journal.csv), with
// the pending lines resolved. Files that do not exist are skipped; false with *error when
// one cannot be read, or when the folder is no folder and cannot become one.
bool ReadJournal(const std::filesystem::path& folder, std::vector<JournalLine>* lines, std::string* error);

// The lines from a local time on: since "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM" (each line
// compared in its own local time). False when since is not of that form or names a day or
// a time that does not exist.
bool IsCalendarDate(int year, int month, int day);
bool ParseJournalSince(const std::string& since, std::string* key);
std::vector<JournalLine> JournalLinesSince(const std::vector<JournalLine>& lines, const std::string& sinceKey);

// The lines as a JSON array of objects with the columns as members, one object a line.
std::string WriteJournalJson(const std::vector<JournalLine>& lines);
// The lines as CSV for standard output: header, then the lines (no BOM, LF), the text as
// it is (no apostrophe before formula-looking names).
std::string WriteJournalCsv(const std::vector<JournalLine>& lines);

// The appending writer. Open creates the folder and the file (with its header) when
// missing, rotates a file over kJournalRotateBytes, and keeps the file open for the
// command; every Append is one write of one whole line; Close flushes.
class CJournal {
public:
    CJournal(IHistoryPlatform& platform, std::filesystem::path folder);
    ~CJournal();
    CJournal(const CJournal&) = delete;
    CJournal& operator=(const CJournal&) = delete;

    // False with *error (UTF-8, naming the reason) when the journal cannot be written.
    bool Open(std::string* error);
    bool IsOpen() const { return m_file != nullptr; }
    // Appends one line (time, user and computer are filled in when empty).
    bool Append(JournalLine line, std::string* error);
    // Flushes and closes; false when the flush failed.
    bool Close(std::string* error = nullptr);

    const std::filesystem::path& Folder() const { return m_folder; }
    IHistoryPlatform& Platform() { return m_platform; }

private:
    void RotateIfNeeded();

    IHistoryPlatform& m_platform;
    std::filesystem::path m_folder;
    std::unique_ptr<IAppendFile> m_file;
    std::uint64_t m_size = 0;  // of journal.csv at Open plus what this writer appended
    std::string m_user, m_computer;
};
