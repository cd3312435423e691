// What the history core asks of the system: the local time with its offset, the user and
// the computer, the environment, and the two file primitives that make concurrent writers
// safe. The running system's (POSIX or Windows) comes from SystemHistoryPlatform(); tests
// give fixed clocks and names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

struct LocalTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int offsetMinutes = 0;  // local time minus UTC
};

// "2026-12-08T10:25:03+03:00"
std::string FormatIsoTime(const LocalTime& t);
// "20261208-102503"
std::string FormatSnapshotStamp(const LocalTime& t);

// A file open for appending: every Append is one write at the file's end, so that lines of
// two processes appending at once never interleave or overwrite each other.
class IAppendFile {
public:
    virtual ~IAppendFile() = default;
    virtual bool Append(std::string_view bytes, std::string* error) = 0;
    // Data and metadata to the disk (end of a command).
    virtual bool Flush(std::string* error) = 0;
};

class IHistoryPlatform {
public:
    virtual ~IHistoryPlatform() = default;
    virtual LocalTime Now() = 0;
    virtual std::string UserName() = 0;      // UTF-8
    virtual std::string ComputerName() = 0;  // UTF-8
    // An environment variable as UTF-8; false when it is not set.
    virtual bool Environment(const char* name, std::string* value) = 0;
    // Opens (creating when missing) a file for appending; null with *error when it cannot.
    virtual std::unique_ptr<IAppendFile> OpenAppend(const std::filesystem::path& path, std::string* error) = 0;
    // Creates `path` holding `content` only if it does not exist, as one step: other
    // processes see no file or the whole content. false with *alreadyExists, or *error.
    virtual bool CreateExclusive(const std::filesystem::path& path, std::string_view content,
                                 bool* alreadyExists, std::string* error) = 0;
};

// The running system's; one object for the whole process.
IHistoryPlatform& SystemHistoryPlatform();
