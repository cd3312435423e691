// Checksum and catalogue loading benchmarks.
//
//   build/native/bench/catalogue_bench
//
// Checksum: BM_ChecksumTable against BM_ChecksumBitwise over the same 64 KiB (compare
// bytes_per_second). Loading, each against merely reading the same files' bytes (opening
// each file and reading it through one fixed buffer, nothing more); the argument mixed:0
// is the uniform set, mixed:1 the mixed one:
//   uniform  1000 generated files of 200 parameters each; BM_ParseInMemory is the checksum
//            and the reading of the same bytes already in memory;
//   mixed    one 50 MB description sorted first and 3,000 small ones behind it.
// The ratio of the two times is what counts: loading should cost at most 3x reading,
// whatever the mix of file sizes. BM_LoadOverRead takes it in one run, reading and
// loading by turns so that the machine's other work weighs on both alike, and reports it
// as "ratio" (and as "cpu_ratio" from processor time, which a busy machine disturbs less);
// BM_LoadCatalogue and BM_ReadFilesOnly time each side alone.
//
// Reading never touches fresh memory; loading holds the 50 MB file, and each load touches
// that memory afresh (glibc returns such a block to the system when it is freed). Where a
// page's first touch is dear (some virtual machines), run with
// GLIBC_TUNABLES=glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=4294967295 to keep
// the pages between iterations and see the loader's own work, or with
// GLIBC_TUNABLES=glibc.malloc.hugetlb=1 to have the block in huge pages.
#include <benchmark/benchmark.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "catalogue/CatalogueLoader.h"
#include "catalogue/Checksum.h"
#include "catalogue/DescriptionReader.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFileCount = 1000;
constexpr int kParametersPerFile = 200;

constexpr std::size_t kBigFileBytes = std::size_t(50) << 20;
constexpr int kSmallFileCount = 3000;
constexpr int kParametersPerSmallFile = 20;

std::string RandomBytes(std::size_t size)
{
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

void BM_ChecksumBitwise(benchmark::State& state)
{
    const std::string bytes = RandomBytes(64 * 1024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(UpdateChecksumBitwise(
            0, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ChecksumBitwise);

void BM_ChecksumTable(benchmark::State& state)
{
    const std::string bytes = RandomBytes(64 * 1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(UpdateChecksum(0, bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ChecksumTable);

// A description text like a real device's: dotted group names, every kind of field,
// an ENUM parameter now and then, comments.
std::string GenerateText(int file, int parameters)
{
    static const char* const kTypes[] = {"INT", "REAL", "SHORT", "BOOL", "BYTE"};
    static const char* const kAreas[] = {"RAM", "EEPROM", "COIL", "DISC_INPT", "HOLD_REG", "INPT_REG"};
    static const char* const kAccess[] = {"R", "RW", "W"};
    std::string text = "DEVICE_DESCRIPTION\r\n; generated device " + std::to_string(file) + "\r\n";
    text += "Device" + std::to_string(file) + " " + std::to_string(1 + file % 255) + "\r\n";
    for (int i = 0; i < parameters; ++i) {
        std::string line = "Group" + std::to_string(i / 20) + ".Channel" + std::to_string(i % 20) + ".Value ";
        line += std::to_string(i + 1) + " ";
        if (i % 10 == 9) {
            line += "ENUM RW HOLD_REG " + std::to_string(1000 + i) + " Off Auto Manual Service";
        } else {
            line += std::string(kTypes[i % 5]) + " " + kAccess[i % 3] + " " + kAreas[i % 6] + " " +
                    std::to_string(2 * i);
        }
        text += line + "\r\n";
    }
    return text;
}

// A device with a long commented history behind its parameters, about size bytes long.
std::string GenerateBigText(std::size_t size)
{
    std::string text = GenerateText(0, kParametersPerFile);
    text.reserve(size + 128);
    for (int note = 0; text.size() < size; ++note)
        text += "; revision " + std::to_string(note) + ": register map checked against the device's manual\r\n";
    return text;
}

// A directory of signed description files, removed with the object.
class CGeneratedFiles {
public:
    CGeneratedFiles()
    {
        static std::atomic<int> counter{0};
        m_dir = fs::temp_directory_path() / ("zolcat-bench-" + std::to_string(counter++));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    CGeneratedFiles(const CGeneratedFiles&) = delete;
    CGeneratedFiles& operator=(const CGeneratedFiles&) = delete;
    ~CGeneratedFiles()
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    void Add(const std::string& name, const std::string& text, int parameters, bool keepContents)
    {
        std::string bytes(4, '\0');
        WriteStoredChecksum(UpdateChecksum(0, text), reinterpret_cast<unsigned char*>(&bytes[0]));
        bytes += text;
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        m_files.push_back(path);
        m_totalBytes += bytes.size();
        m_parameters += static_cast<std::size_t>(parameters);
        if (keepContents)
            m_contents.push_back(std::move(bytes));
    }

    fs::path m_dir;
    std::vector<fs::path> m_files;
    std::vector<std::string> m_contents;
    std::size_t m_totalBytes = 0;
    std::size_t m_parameters = 0;
};

std::string FileName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "dev%04d.dsc", i);
    return name;
}

CGeneratedFiles& UniformFiles()
{
    static CGeneratedFiles files;
    static const bool written = [] {
        for (int i = 0; i < kFileCount; ++i)
            files.Add(FileName(i), GenerateText(i, kParametersPerFile), kParametersPerFile, true);
        return true;
    }();
    (void)written;
    return files;
}

CGeneratedFiles& MixedFiles()
{
    static CGeneratedFiles files;
    static const bool written = [] {
        // "big" sorts before "dev": the loader reads it first.
        files.Add("big.dsc", GenerateBigText(kBigFileBytes), kParametersPerFile, false);
        for (int i = 0; i < kSmallFileCount; ++i)
            files.Add(FileName(i), GenerateText(i, kParametersPerSmallFile), kParametersPerSmallFile, false);
        return true;
    }();
    (void)written;
    return files;
}

CGeneratedFiles& FilesOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? UniformFiles() : MixedFiles();
}

// Frees a whole catalogue outside the timed region. glibc defers merging the freed chunks
// until the next large allocation (such as a file buffer); one large allocation here does
// that merge, so that one iteration's clean-up is not charged to the next one's loading.
// The pages stay with the process (see KeepFreedPages), as they would in a program that
// loads once into a fresh heap without first freeing anything.
void FreeOutsideTiming(benchmark::State& state, CDeviceList& catalogue)
{
    state.PauseTiming();
    catalogue.RemoveAll();
    void* large = std::malloc(64 * 1024);
    benchmark::DoNotOptimize(large);
    std::free(large);
    state.ResumeTiming();
}

#ifdef __GLIBC__
const int KeepFreedPages = mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif

// A stream that discards everything, as cheaply as possible.
std::ostream& NullStream()
{
    static std::ostream stream(nullptr);
    return stream;
}

// The bytes of a file and nothing more: opened, read unbuffered through one fixed buffer,
// closed. This is the floor that loading is measured against.
std::size_t ReadPlain(const fs::path& file)
{
    static char buffer[1 << 20];
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return 0;
    std::setvbuf(f, nullptr, _IONBF, 0);
    std::size_t total = 0;
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        total += got;
    std::fclose(f);
    return total;
}

void BM_LoadCatalogue(benchmark::State& state)
{
    CGeneratedFiles& files = FilesOf(state);
    std::size_t parameters = 0;
    CDeviceList catalogue;
    for (auto _ : state) {
        LoadDeviceCatalogue(files.m_dir, NullStream(), catalogue);
        // Freeing the catalogue is not part of loading (the program does it at exit).
        parameters = 0;
        for (const CDevice& device : catalogue)
            parameters += device.m_Parameters.GetCount();
        FreeOutsideTiming(state, catalogue);
    }
    if (parameters != files.m_parameters)
        state.SkipWithError("not every generated parameter was loaded");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files.m_totalBytes));
}
BENCHMARK(BM_LoadCatalogue)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadFilesOnly(benchmark::State& state)
{
    CGeneratedFiles& files = FilesOf(state);
    std::size_t total = 0;
    for (auto _ : state) {
        total = 0;
        for (const fs::path& file : files.m_files)
            total += ReadPlain(file);
        benchmark::DoNotOptimize(total);
    }
    if (total != files.m_totalBytes)
        state.SkipWithError("not every byte was read");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files.m_totalBytes));
}
BENCHMARK(BM_ReadFilesOnly)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Loading against reading in one run: each iteration reads the files, then loads them, so
// both see the same page cache and the same load on the machine; the ratio of the sums is
// the figure that counts (loading should cost at most 3x reading). The time reported is
// the loading's.
void BM_LoadOverRead(benchmark::State& state)
{
    CGeneratedFiles& files = FilesOf(state);
    CDeviceList catalogue;
    double readSeconds = 0;
    double loadSeconds = 0;
    std::clock_t readCpu = 0;
    std::clock_t loadCpu = 0;
    std::size_t bytes = 0;
    std::size_t parameters = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        auto start = Clock::now();
        std::clock_t cpuStart = std::clock();
        bytes = 0;
        for (const fs::path& file : files.m_files)
            bytes += ReadPlain(file);
        benchmark::DoNotOptimize(bytes);
        readCpu += std::clock() - cpuStart;
        const double read = std::chrono::duration<double>(Clock::now() - start).count();

        start = Clock::now();
        cpuStart = std::clock();
        LoadDeviceCatalogue(files.m_dir, NullStream(), catalogue);
        loadCpu += std::clock() - cpuStart;
        const double load = std::chrono::duration<double>(Clock::now() - start).count();

        parameters = 0;
        for (const CDevice& device : catalogue)
            parameters += device.m_Parameters.GetCount();
        catalogue.RemoveAll();
        void* large = std::malloc(64 * 1024);  // the merge of the freed chunks, as above
        benchmark::DoNotOptimize(large);
        std::free(large);

        readSeconds += read;
        loadSeconds += load;
        state.SetIterationTime(load);
    }
    if (bytes != files.m_totalBytes || parameters != files.m_parameters)
        state.SkipWithError("not every byte was read or not every parameter loaded");
    const double iterations = static_cast<double>(state.iterations());
    state.counters["read_ms"] = 1000 * readSeconds / iterations;
    state.counters["load_ms"] = 1000 * loadSeconds / iterations;
    state.counters["ratio"] = loadSeconds / readSeconds;
    // The same from the process's processor time (the kernel's included), which a busy
    // machine disturbs less than the clock on the wall.
    state.counters["cpu_ratio"] = readCpu > 0 ? static_cast<double>(loadCpu) / static_cast<double>(readCpu) : 0.0;
}
BENCHMARK(BM_LoadOverRead)->ArgName("mixed")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ParseInMemory(benchmark::State& state)
{
    CGeneratedFiles& files = UniformFiles();
    CDeviceList catalogue;
    for (auto _ : state) {
        for (const std::string& bytes : files.m_contents) {
            CDevice device;
            if (ReadDescriptionFile(bytes, "x.dsc", device, NullStream()) == 0)
                catalogue.AddHead(std::move(device));
        }
        FreeOutsideTiming(state, catalogue);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files.m_totalBytes));
}
BENCHMARK(BM_ParseInMemory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
