// The history's platform on Windows: the local clock and time zone, the user and computer
// names, the environment, and appends through a handle opened for appending. Windows puts
// each WriteFile of such a handle at the end of the file as one piece; Wine finds the end
// and writes there in two steps, so two processes can overwrite each other's lines. Every
// append therefore holds a lock while it writes: a word in memory shared by the processes
// that append to the same file (a file lock would cost a round trip to Wine's server twice a
// line, more than the write), taken over from a holder that has died.
#include "history/HistoryPlatform.h"

#include "common/AtomicFile.h"
#include "common/FileHolder.h"
#include "common/win/Owners.h"
#include "common/win/Owners.h"
#include "common/Utf8Text.h"

#include <windows.h>

#include <atomic>
#include <limits>
#include <string>

namespace {

std::string Reason(DWORD code)
{
    CLocalMemory<wchar_t> text;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                   reinterpret_cast<wchar_t*>(text.Put()), 0, nullptr);
    std::string reason = n ? NarrowUtf8(text.Get(), n) : std::string();
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' ||
                               reason.back() == '.'))
        reason.pop_back();
    return (reason.empty() ? std::string("system error") : reason) + " (" + std::to_string(code) + ")";
}

// Runs attempt (a system call that sets the last error) until it succeeds, fails otherwise
// than by a sharing violation (a spreadsheet showing the journal, a virus scanner looking at
// a new file), or the wait for held files has passed: ERROR_SUCCESS or the last error.
template <typename Attempt>
DWORD WhileShared(Attempt attempt)
{
    std::error_code ec;
    RetryWhileShared([&](std::error_code* failure) {
        if (attempt()) return true;
        *failure = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        return false;
    }, &ec);
    return static_cast<DWORD>(ec.value());
}

bool Shared(DWORD code) { return IsSharingViolation(std::error_code(static_cast<int>(code), std::system_category())); }

// The lock of one file's appenders: a process id in a named shared page (0: free).
class CAppendLock {
public:
    explicit CAppendLock(const std::filesystem::path& path)
    {
        // One name per file, whatever spelling of its path: the hash of its full, lower-case path.
        wchar_t full[MAX_PATH * 4];
        const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
        std::wstring key(full, n > 0 && n < MAX_PATH * 4 ? n : 0);
        CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
        std::uint64_t hash = 1469598103934665603ull;
        for (wchar_t c : key) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
        wchar_t name[64];
        swprintf(name, 64, L"Local\\zolcfg-journal-%016llx", static_cast<unsigned long long>(hash));
        m_hMapping.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name));
        if (m_hMapping)
            m_pOwner =
                static_cast<volatile LONG*>(MapViewOfFile(m_hMapping.Get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
    }
    ~CAppendLock()
    {
        if (m_pOwner != nullptr) UnmapViewOfFile(const_cast<LONG*>(m_pOwner));
    }
    bool Usable() const { return m_pOwner != nullptr; }

    void Acquire()
    {
        const LONG me = static_cast<LONG>(GetCurrentProcessId());
        for (unsigned spins = 0;; ++spins) {
            const LONG owner = InterlockedCompareExchange(m_pOwner, me, 0);
            if (owner == 0) return;
            if (spins < 100) {
                YieldProcessor();
                continue;
            }
            Sleep(spins < 2000 ? 0 : 1);
            if (spins % 1000 == 0 && owner != me && OwnerGone(owner)) InterlockedCompareExchange(m_pOwner, 0, owner);
        }
    }
    void Release() { InterlockedExchange(m_pOwner, 0); }

private:
    static bool OwnerGone(LONG pid)
    {
        const CScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
        if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
        return WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
    }

    CScopedHandle m_hMapping;
    volatile LONG* m_pOwner = nullptr;
};

class CWinAppendFile final : public IAppendFile {
public:
    CWinAppendFile(HANDLE file, const std::filesystem::path& path) : m_hFile(file), m_lock(path) {}

    bool Append(std::string_view bytes, std::string* error) override
    {
        // Without the shared page (no memory for it), a lock on a byte far past any end.
        OVERLAPPED lockRegion{};
        lockRegion.OffsetHigh = 0x40000000;
        if (m_lock.Usable()) {
            m_lock.Acquire();
        } else if (!LockFileEx(m_hFile.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockRegion)) {
            if (error) *error = Reason(GetLastError());
            return false;
        }
        DWORD written = 0;
        const bool ok = WriteFile(m_hFile.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                        written == bytes.size();
        const DWORD code = GetLastError();
        if (m_lock.Usable())
            m_lock.Release();
        else
            UnlockFileEx(m_hFile.Get(), 0, 1, 0, &lockRegion);
        if (ok) return true;
        if (error) *error = written != 0 ? "the disk took only part of the line" : Reason(code);
        return false;
    }
    bool Flush(std::string* error) override
    {
        if (FlushFileBuffers(m_hFile.Get())) return true;
        const DWORD code = GetLastError();
        // A handle for appending only may not be flushed; its writes are with the system.
        if (code == ERROR_ACCESS_DENIED) return true;
        if (error) *error = Reason(code);
        return false;
    }

private:
    CScopedHandle m_hFile;
    CAppendLock m_lock;
};

std::int64_t Minutes(const SYSTEMTIME& t)
{
    FILETIME f;
    SystemTimeToFileTime(&t, &f);
    const std::int64_t ticks = (static_cast<std::int64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    return ticks / 600000000;
}

class CWinHistoryPlatform final : public IHistoryPlatform {
    static constexpr std::int64_t kTicksPerMinute = 600000000;  // 100-ns units
    std::atomic<std::int64_t> m_offsetMinutes{0};
    std::atomic<std::int64_t> m_offsetAsked{std::numeric_limits<std::int64_t>::min() / 2};

    // Local time minus UTC now, in minutes.
    static std::int64_t OffsetMinutes()
    {
        SYSTEMTIME utc, local;
        GetSystemTime(&utc);
        if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return 0;
        utc.wSecond = local.wSecond = 0;
        utc.wMilliseconds = local.wMilliseconds = 0;
        return Minutes(local) - Minutes(utc);
    }

public:
    LocalTime Now() override
    {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const std::int64_t ticks = (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        // The offset from UTC is asked of the time zone once a minute: asking costs more than
        // a journal line itself (under Wine it reads the registry).
        std::int64_t offset = m_offsetMinutes.load();
        if (ticks - m_offsetAsked.load() > kTicksPerMinute) {
            offset = OffsetMinutes();
            m_offsetMinutes = offset;
            m_offsetAsked = ticks;
        }
        const std::int64_t localTicks = ticks + offset * kTicksPerMinute;
        FILETIME localFile{static_cast<DWORD>(localTicks & 0xFFFFFFFF), static_cast<DWORD>(localTicks >> 32)};
        SYSTEMTIME local;
        FileTimeToSystemTime(&localFile, &local);
        LocalTime t;
        t.year = local.wYear;
        t.month = local.wMonth;
        t.day = local.wDay;
        t.hour = local.wHour;
        t.minute = local.wMinute;
        t.second = local.wSecond;
        t.offsetMinutes = static_cast<int>(offset);
        return t;
    }
    std::string UserName() override
    {
        wchar_t name[257] = {};
        DWORD size = 257;
        return GetUserNameW(name, &size) ? NarrowUtf8(name) : std::string();
    }
    std::string ComputerName() override
    {
        wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        return GetComputerNameW(name, &size) ? NarrowUtf8(name) : std::string();
    }
    bool Environment(const char* name, std::string* value) override
    {
        const std::wstring wide(name, name + std::char_traits<char>::length(name));  // ASCII names
        const DWORD size = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
        if (size == 0) return false;
        std::wstring text(size, L'\0');
        const DWORD length = GetEnvironmentVariableW(wide.c_str(), &text[0], size);
        text.resize(length);
        *value = NarrowUtf8(text);
        return true;
    }
    std::unique_ptr<IAppendFile> OpenAppend(const std::filesystem::path& path, std::string* error) override
    {
        // Reading rights too: a lock needs them; without FILE_WRITE_DATA every write appends.
        HANDLE file = INVALID_HANDLE_VALUE;
        const DWORD code = WhileShared([&] {
            file = CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            return file != INVALID_HANDLE_VALUE;
        });
        if (file == INVALID_HANDLE_VALUE) {
            if (error) *error = Shared(code) ? DescribeHeldFile(path) : Reason(code);
            return nullptr;
        }
        return std::make_unique<CWinAppendFile>(file, path);
    }
    bool CreateExclusive(const std::filesystem::path& path, std::string_view content, bool* alreadyExists,
                         std::string* error) override
    {
        // Written under a name of its own, then moved to its name without replacing: the
        // move fails when the name exists, so the file appears whole or not at all.
        *alreadyExists = false;
        std::filesystem::path temp = path;
        static std::atomic<unsigned> counter{0};  // threads of one process too
        temp += L".new" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1));
        CScopedHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (error) *error = Reason(GetLastError());
            return false;
        }
        DWORD written = 0;
        const bool wrote =
            WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
            written == content.size() && FlushFileBuffers(file.Get());
        const DWORD writeError = GetLastError();
        file.Reset();  // closed before the move, which a handle open on it would refuse
        bool ok = false;
        if (!wrote) {
            if (error) *error = Reason(writeError);
        } else if (const DWORD code = WhileShared([&] {
                       return MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
                   });
                   code == ERROR_SUCCESS) {
            ok = true;
        } else {
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
