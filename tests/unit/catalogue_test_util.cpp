#include "catalogue_test_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <future>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "catalogue/Checksum.h"

CScratchDir::CScratchDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "zolcat-" + std::to_string(random()) + "-" + std::to_string(counter++);
        const std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch directory");
}

CScratchDir::~CScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path CScratchDir::Write(const std::string& name, const std::string& bytes) const
{
    const std::filesystem::path file = m_path / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
    return file;
}

std::filesystem::path CScratchDir::WriteSigned(const std::string& name, const std::string& text) const
{
    return Write(name, Signed(text));
}

std::string Signed(const std::string& text)
{
    const std::uint32_t sum =
        UpdateChecksumBitwise(0, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    std::string bytes;
    bytes += static_cast<char>(sum >> 24);
    bytes += static_cast<char>(sum >> 16);
    bytes += static_cast<char>(sum >> 8);
    bytes += static_cast<char>(sum);
    return bytes + text;
}

std::string ReadAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Describe(const CDevice& device)
{
    std::ostringstream out;
    out << device.m_strName << " " << device.m_nTypeCode << ":";
    for (const CParameter& p : device.m_Parameters) {
        out << " [" << p.m_strName << " " << p.m_nNumber << " t" << p.m_nType << " a" << p.m_nAccess << " m"
            << p.m_nMemory << " @" << p.m_nAddress;
        for (const std::string& v : p.m_EnumValues)
            out << " " << v;
        out << "]";
    }
    return out.str();
}

std::filesystem::path MakeFifo(const CScratchDir& dir, const std::string& name)
{
    const std::filesystem::path fifo = dir / name;
    if (mkfifo(fifo.c_str(), 0600) != 0)
        throw std::runtime_error("cannot make the FIFO " + fifo.string());
    return fifo;
}

bool FinishesWithin(std::chrono::milliseconds time, const std::function<void()>& work,
                    const std::vector<std::filesystem::path>& fifos)
{
    std::future<void> done = std::async(std::launch::async, work);
    if (done.wait_for(time) == std::future_status::ready) {
        done.get();
        return true;
    }
    // A reader blocked in opening a FIFO goes on once a writer opens it; it then reads the
    // end at once, as the writer closes it again.
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        for (const std::filesystem::path& fifo : fifos) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
        }
    }
    done.get();
    return false;
}
