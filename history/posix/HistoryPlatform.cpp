// The history's platform on a POSIX system (the native build: tests and benchmarks).
#include "history/HistoryPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

std::string Reason(int error) { return std::strerror(error); }

class CPosixAppendFile final : public IAppendFile {
public:
    explicit CPosixAppendFile(int fd) : m_fd(fd) {}
    ~CPosixAppendFile() override { ::close(m_fd); }

    bool Append(std::string_view bytes, std::string* error) override
    {
        // O_APPEND: the seek to the end and the write are one step for a regular file.
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written == static_cast<ssize_t>(bytes.size())) return true;
        if (error) *error = written < 0 ? Reason(errno) : "the disk took only part of the line";
        return false;
    }
    bool Flush(std::string* error) override
    {
        if (::fsync(m_fd) == 0) return true;
        if (error) *error = Reason(errno);
        return false;
    }

private:
    int m_fd;
};

class CPosixHistoryPlatform final : public IHistoryPlatform {
public:
    LocalTime Now() override
    {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        LocalTime t;
        t.year = local.tm_year + 1900;
        t.month = local.tm_mon + 1;
        t.day = local.tm_mday;
        t.hour = local.tm_hour;
        t.minute = local.tm_min;
        t.second = local.tm_sec;
        t.offsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
        return t;
    }
    std::string UserName() override
    {
        const char* name = std::getenv("USER");
        return name ? name : "";
    }
    std::string ComputerName() override
    {
        char name[256] = {};
        if (gethostname(name, sizeof name - 1) != 0) return "";
        return name;
    }
    bool Environment(const char* name, std::string* value) override
    {
        const char* v = std::getenv(name);
        if (v == nullptr) return false;
        *value = v;
        return true;
    }
    std::unique_ptr<IAppendFile> OpenAppend(const std::filesystem::path& path, std::string* error) override
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (error) *error = Reason(errno);
            return nullptr;
        }
        return std::make_unique<CPosixAppendFile>(fd);
    }
    bool CreateExclusive(const std::filesystem::path& path, std::string_view content, bool* alreadyExists,
                         std::string* error) override
    {
        // Written under a name of its own, then linked to its name: link() fails when the
        // name exists, so the file appears whole or not at all.
        *alreadyExists = false;
        std::filesystem::path temp = path;
        static std::atomic<unsigned> counter{0};  // threads of one process too
        temp += ".new" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (error) *error = Reason(errno);
            return false;
        }
        const bool wrote = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
                           ::fsync(fd) == 0;
        const int writeError = errno;
        ::close(fd);
        bool ok = false;
        if (!wrote) {
            if (error) *error = Reason(writeError);
        } else if (::link(temp.c_str(), path.c_str()) == 0) {
            ok = true;
        } else if (errno == EEXIST) {
            *alreadyExists = true;
        } else if (error) {
            *error = Reason(errno);
        }
        ::unlink(temp.c_str());
        return ok;
    }
};

}  // namespace

IHistoryPlatform& SystemHistoryPlatform()
{
    static CPosixHistoryPlatform platform;
    return platform;
}
