#include "common/AtomicFile.h"

#include "common/FileHolder.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

bool WriteFileAtomic(const std::filesystem::path& target, const std::string& content,
                     std::string* error, AtomicWriteStep* step)
{
    if (step) *step = AtomicWriteStep::None;
    namespace fs = std::filesystem;
    // A name of its own per write, so that two processes (an exiting server and its
    // successor) never write into the same temporary file.
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path temp = target;
    temp += ".tmp" + std::to_string(static_cast<unsigned long long>(ticks)) + "-" +
            std::to_string(counter.fetch_add(1));
    {
        errno = 0;
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            const bool denied = errno == EACCES || errno == EPERM || errno == EROFS;
            if (error)
                *error = "cannot create " + temp.u8string() +
                         (denied ? ": the folder " + target.parent_path().u8string() + " cannot be written by this user"
                                 : std::string());
            if (step) *step = denied ? AtomicWriteStep::Denied : AtomicWriteStep::Create;
            return false;
        }
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            if (error) *error = "cannot write " + temp.u8string();
            if (step) *step = AtomicWriteStep::Write;
            return false;
        }
    }
    std::error_code ec;
    // Replaces an existing target, waiting a little for a program that holds it open to let go.
    RetryWhileShared([&](std::error_code* failure) {
        // A folder in the target's place is never let go: no waiting for it.
        std::error_code ignored;
        if (fs::is_directory(target, ignored)) {
            *failure = std::make_error_code(std::errc::is_a_directory);
            return false;
        }
        return RenameReplacing(temp, target, failure);
    }, &ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        // A read-only target refuses its replacement the way a held one does.
        std::error_code statusError;
        const auto perms = fs::status(target, statusError).permissions();
        const bool readOnly = !statusError && (perms & fs::perms::owner_write) == fs::perms::none;
        const bool held = IsSharingViolation(ec) && !readOnly;
        if (error)
            *error = "cannot replace " + target.u8string() + ": " +
                     (held ? DescribeHeldFile(target)
                           : readOnly ? std::string("the file is read-only") : ec.message());
        if (step) *step = held ? AtomicWriteStep::Held : AtomicWriteStep::Replace;
        return false;
    }
    return true;
}

bool IsSharingViolation(const std::error_code& ec)
{
#ifdef _WIN32
    // ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION (RenameReplacing reports a held target
    // so too, where Windows says access denied).
    return ec.category() == std::system_category() && (ec.value() == 32 || ec.value() == 33);
#else
    (void)ec;  // POSIX systems have no mandatory sharing modes
    return false;
#endif
}

bool RetryWhileShared(const std::function<bool(std::error_code* ec)>& attempt, std::error_code* ec)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSharedFileWaitMs);
    for (;;) {
        ec->clear();
        if (attempt(ec)) return true;
        if (!IsSharingViolation(*ec) || std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

bool ReadWholeFile(const std::filesystem::path& path, std::string* content)
{
    std::string why;
    return ReadWholeFile(path, content, &why);
}

bool ReadWholeFile(const std::filesystem::path& path, std::string* content, std::string* why)
{
    const auto lowered = [](std::string text) {
        if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
        return text;
    };
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return *why = "no such file", false;
    if (status.type() == std::filesystem::file_type::directory) return *why = "it is a folder", false;
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        *why = error != 0 ? lowered(std::generic_category().message(error))
                          : ec ? lowered(ec.message()) : std::string("it cannot be opened");
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return *why = "it could not be read to its end", false;
    *content = buffer.str();
    return true;
}
