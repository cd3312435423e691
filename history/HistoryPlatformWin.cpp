// The history's platform on Windows: the local clock and time zone, the user and computer
// names, the environment, and appends through a handle opened for appending only (each
// WriteFile lands at the end of the file as one piece, whatever other processes do).
#include "history/HistoryPlatform.h"

#include <windows.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* text, int length = -1)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], size, nullptr, nullptr);
    if (length < 0) out.resize(out.size() - 1);
    return out;
}

std::string Reason(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                   reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = n ? Utf8(text, static_cast<int>(n)) : std::string();
    if (text) LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' ||
                               reason.back() == '.'))
        reason.pop_back();
    return (reason.empty() ? std::string("system error") : reason) + " (" + std::to_string(code) + ")";
}

class CWinAppendFile final : public IAppendFile {
public:
    explicit CWinAppendFile(HANDLE file) : m_hFile(file) {}
    ~CWinAppendFile() override { CloseHandle(m_hFile); }

    bool Append(std::string_view bytes, std::string* error) override
    {
        DWORD written = 0;
        if (WriteFile(m_hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size())
            return true;
        if (error) *error = written != 0 ? "the disk took only part of the line" : Reason(GetLastError());
        return false;
    }
    bool Flush(std::string* error) override
    {
        if (FlushFileBuffers(m_hFile)) return true;
        const DWORD code = GetLastError();
        // A handle for appending only may not be flushed; its writes are with the system.
        if (code == ERROR_ACCESS_DENIED) return true;
        if (error) *error = Reason(code);
        return false;
    }

private:
    HANDLE m_hFile;
};

std::int64_t Minutes(const SYSTEMTIME& t)
{
    FILETIME f;
    SystemTimeToFileTime(&t, &f);
    const std::int64_t ticks = (static_cast<std::int64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    return ticks / 600000000;
}

class CWinHistoryPlatform final : public IHistoryPlatform {
public:
    LocalTime Now() override
    {
        SYSTEMTIME utc, local;
        GetSystemTime(&utc);
        if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
        LocalTime t;
        t.year = local.wYear;
        t.month = local.wMonth;
        t.day = local.wDay;
        t.hour = local.wHour;
        t.minute = local.wMinute;
        t.second = local.wSecond;
        SYSTEMTIME a = utc, b = local;
        a.wSecond = b.wSecond = 0;
        a.wMilliseconds = b.wMilliseconds = 0;
        t.offsetMinutes = static_cast<int>(Minutes(b) - Minutes(a));
        return t;
    }
    std::string UserName() override
    {
        wchar_t name[257] = {};
        DWORD size = 257;
        return GetUserNameW(name, &size) ? Utf8(name) : std::string();
    }
    std::string ComputerName() override
    {
        wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        return GetComputerNameW(name, &size) ? Utf8(name) : std::string();
    }
    bool Environment(const char* name, std::string* value) override
    {
        const std::wstring wide(name, name + std::char_traits<char>::length(name));  // ASCII names
        const DWORD size = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
        if (size == 0) return false;
        std::wstring text(size, L'\0');
        const DWORD length = GetEnvironmentVariableW(wide.c_str(), &text[0], size);
        text.resize(length);
        *value = Utf8(text.c_str());
        return true;
    }
    std::unique_ptr<IAppendFile> OpenAppend(const std::filesystem::path& path, std::string* error) override
    {
        const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (error) *error = Reason(GetLastError());
            return nullptr;
        }
        return std::make_unique<CWinAppendFile>(file);
    }
    bool CreateExclusive(const std::filesystem::path& path, std::string_view content, bool* alreadyExists,
                         std::string* error) override
    {
        // Written under a name of its own, then moved to its name without replacing: the
        // move fails when the name exists, so the file appears whole or not at all.
        *alreadyExists = false;
        std::filesystem::path temp = path;
        temp += L".new" + std::to_wstring(GetCurrentProcessId());
        const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (error) *error = Reason(GetLastError());
            return false;
        }
        DWORD written = 0;
        const bool wrote = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                           written == content.size() && FlushFileBuffers(file);
        const DWORD writeError = GetLastError();
        CloseHandle(file);
        bool ok = false;
        if (!wrote) {
            if (error) *error = Reason(writeError);
        } else if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
            ok = true;
        } else {
            const DWORD code = GetLastError();
            if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
                *alreadyExists = true;
            else if (error)
                *error = Reason(code);
        }
        if (!ok) DeleteFileW(temp.c_str());
        return ok;
    }
};

}  // namespace

IHistoryPlatform& SystemHistoryPlatform()
{
    static CWinHistoryPlatform platform;
    return platform;
}
