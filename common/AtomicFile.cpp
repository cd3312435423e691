#include "common/AtomicFile.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>

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
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            if (error) *error = "cannot create " + temp.u8string();
            if (step) *step = AtomicWriteStep::Create;
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
    fs::rename(temp, target, ec);  // replaces an existing target (MoveFileEx on Windows)
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        if (error) *error = "cannot replace " + target.u8string() + ": " + ec.message();
        if (step) *step = AtomicWriteStep::Replace;
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string* content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return false;
    *content = buffer.str();
    return true;
}
