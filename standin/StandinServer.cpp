#include "standin/StandinServer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr char kTagsFile[] = "tags.txt";
constexpr char kPortFile[] = "port.txt";
constexpr char kLineFile[] = "line.txt";
constexpr char kFaultsFile[] = "faults.txt";
constexpr char kLogFile[] = "zolsrv.log";
constexpr char kStatusFile[] = "status.txt";
constexpr char kNoRestartMark[] = "no-restart.mark";
constexpr std::uintmax_t kLogLimit = 1u << 20;  // then zolsrv.log becomes zolsrv.log.old

constexpr int kSlotAddTag = 3, kSlotDeleteTag = 4, kSlotRestartServer = 5,
              kSlotGetComSettings = 6, kSlotSetComSettings = 7, kSlotEnumTags = 8,
              kSlotGetTagInfo = 9, kSlotReserved = 10, kSlotProbeDevice = 11;

// Parses a state file if it exists; an absent file reads as empty.
template <class T, class Parse>
T ReadStateFile(const fs::path& path, Parse parse, SkipLog& skipped)
{
    std::string content;
    ReadWholeFile(path, &content);
    std::istringstream in(content);
    return parse(in, skipped);
}

}  // namespace

fs::path ResolveStateDirectory(const fs::path& environmentValue, const fs::path& registeredValue,
                               const fs::path& executableDirectory)
{
    if (!environmentValue.empty()) return environmentValue;
    if (!registeredValue.empty()) return registeredValue;
    return executableDirectory / "zolsrv-data";
}

CStandinServer::CStandinServer(fs::path home, StandinHooks hooks)
    : m_home(std::move(home)), m_hooks(std::move(hooks))
{
    if (!m_hooks.sleep)
        m_hooks.sleep = [](std::uint32_t ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        };
    std::error_code ignored;
    fs::create_directories(m_home, ignored);
}

void CStandinServer::Log(const std::string& line)
{
    const fs::path path = m_home / kLogFile;
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec && size > kLogLimit) {
        fs::path old = path;
        old += ".old";
        fs::rename(path, old, ec);
    }
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << stamp << ' ' << line << '\n';
}

void CStandinServer::WriteStatus(unsigned long pid, long objects, const char* state)
{
    std::ostringstream out;
    out << "pid " << pid << "\nobjects " << objects << "\nstate " << state << '\n';
    std::string error;
    if (!WriteFileAtomic(m_home / kStatusFile, out.str(), &error)) Log("status: " + error);
}

void CStandinServer::LogSkipped(const SkipLog& skipped)
{
    for (const auto& line : skipped) Log(DescribeSkippedLine(line));
}

void CStandinServer::LoadTagsAndPort()
{
    SkipLog skipped;
    m_tags = ReadStateFile<CTagStore>(m_home / kTagsFile, ParseTagsFile, skipped);
    m_port = ReadStateFile<PortSettings>(m_home / kPortFile, ParsePortFile, skipped);
    LogSkipped(skipped);
}

void CStandinServer::LoadLine()
{
    SkipLog skipped;
    m_line = ReadStateFile<SimulatedLine>(m_home / kLineFile, ParseLineFile, skipped);
    LogSkipped(skipped);
}

void CStandinServer::ReloadFaults()
{
    SkipLog skipped;
    m_faults = ReadStateFile<FaultTable>(m_home / kFaultsFile, ParseFaultsFile, skipped);
    m_calls.fill(0);
    LogSkipped(skipped);
}

void CStandinServer::LoadState()
{
    LoadTagsAndPort();
    LoadLine();
    ReloadFaults();
}

void CStandinServer::BeginConnection(bool fresh)
{
    if (fresh) LoadTagsAndPort();
    LoadLine();
    ReloadFaults();
}

bool CStandinServer::RefusesAfterRestart()
{
    std::error_code ec;
    const fs::path mark = m_home / kNoRestartMark;
    if (!m_faults.noRestart) {
        fs::remove(mark, ec);
        return false;
    }
    return fs::exists(mark, ec);
}

bool CStandinServer::Persist(const char* fileName, const std::string& content)
{
    if (m_faults.noSave) return true;
    std::string error;
    // The new file replaces the old one by a rename, which fails while someone else (a test
    // reading the state, an editor) has the old one open: a moment later it succeeds.
    for (int attempt = 0; attempt < 30; ++attempt) {
        if (WriteFileAtomic(m_home / fileName, content, &error)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Log("not saved: " + error);
    return false;
}

bool CStandinServer::Intercept(int slot, HResult* hr, const std::uint32_t* tag)
{
    ++m_calls[slot];
    if (m_faults.slowMs[slot] != 0) {
        // The first slowed call of an operation says so as it begins: a test that must act
        // inside the call waits for this line rather than guessing when the call has begun.
        if (m_calls[slot] == 1)
            Log(std::string("slow fault: inside ") + OperationName(slot) + " for " +
                std::to_string(m_faults.slowMs[slot]) + " ms");
        m_hooks.sleep(m_faults.slowMs[slot]);
    }
    if (m_faults.die[slot] != 0 && m_calls[slot] == m_faults.die[slot]) {
        Log(std::string("die fault: ending inside ") + OperationName(slot));
        if (m_hooks.die) m_hooks.die(slot);
    }
    if (m_faults.fail[slot]) {
        *hr = *m_faults.fail[slot];
        return true;
    }
    if (tag != nullptr) {
        for (const FaultTable::TagFailure& f : m_faults.tagFailures) {
            if (f.slot == slot && f.type == tag[0] && f.address == tag[1] && f.param == tag[2]) {
                *hr = f.hr;
                return true;
            }
        }
    }
    return false;
}

HResult CStandinServer::AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                               std::int64_t period)
{
    HResult hr;
    const std::uint32_t tag[3] = {type, address, param};
    if (Intercept(kSlotAddTag, &hr, tag)) return hr;
    if (!CTagStore::ValidKey(type, address, param) || period < 0) return kE_INVALIDARG;

    const std::int64_t* existing = m_tags.Find(type, address, param);
    const bool existed = existing != nullptr;
    const std::int64_t previous = existed ? *existing : 0;
    if (existed && previous == period) return kS_OK;
    m_tags.Set(type, address, param, period);
    if (!Persist(kTagsFile, FormatTagsFile(m_tags))) {
        if (existed) m_tags.Set(type, address, param, previous);
        else m_tags.Erase(type, address, param);
        return kE_WriteFault;
    }
    return kS_OK;
}

HResult CStandinServer::DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    HResult hr;
    const std::uint32_t tag[3] = {type, address, param};
    if (Intercept(kSlotDeleteTag, &hr, tag)) return hr;
    if (!CTagStore::ValidKey(type, address, param)) return kE_INVALIDARG;
    const std::int64_t* existing = m_tags.Find(type, address, param);
    if (existing == nullptr) return kE_NotFound;
    const std::int64_t previous = *existing;
    m_tags.Erase(type, address, param);
    if (!Persist(kTagsFile, FormatTagsFile(m_tags))) {
        m_tags.Set(type, address, param, previous);
        return kE_WriteFault;
    }
    return kS_OK;
}

HResult CStandinServer::RestartServer()
{
    HResult hr;
    if (Intercept(kSlotRestartServer, &hr)) return hr;
    if (m_faults.noRestart) {
        std::string error;
        if (!WriteFileAtomic(m_home / kNoRestartMark, "restarted under no-restart\n", &error))
            Log("no-restart mark not written: " + error);
    }
    if (m_faults.restartDies) {
        // A real server may end before its answer is out: the restart happened, the
        // caller only sees the connection break.
        Log("restart-dies fault: restarting, ending before the answer");
        if (m_hooks.restart) m_hooks.restart();
        if (m_hooks.die) m_hooks.die(kSlotRestartServer);
        return kS_OK;
    }
    Log("RestartServer: ending after the answer");
    if (m_hooks.restart) m_hooks.restart();
    return kS_OK;
}

HResult CStandinServer::GetComSettings(std::uint16_t* port, std::uint32_t* baudRate,
                                       std::uint8_t* dataBits, std::uint8_t* stopBits,
                                       std::uint8_t* parity)
{
    HResult hr;
    if (Intercept(kSlotGetComSettings, &hr)) return hr;
    if (!port || !baudRate || !dataBits || !stopBits || !parity) return kE_INVALIDARG;
    *port = m_port.port;
    *baudRate = m_port.baudRate;
    *dataBits = m_port.dataBits;
    *stopBits = m_port.stopBits;
    *parity = m_port.parity;
    return kS_OK;
}

HResult CStandinServer::SetComSettings(std::uint16_t port, std::uint32_t baudRate,
                                       std::uint8_t dataBits, std::uint8_t stopBits,
                                       std::uint8_t parity)
{
    HResult hr;
    if (Intercept(kSlotSetComSettings, &hr)) return hr;
    if (!ValidPortSettings(dataBits, stopBits, parity)) return kE_INVALIDARG;
    PortSettings settings = kStandinDefaultPort;
    settings.port = port;
    settings.baudRate = baudRate;
    settings.dataBits = dataBits;
    settings.stopBits = stopBits;
    settings.parity = parity;
    if (!Persist(kPortFile, FormatPortFile(settings))) return kE_WriteFault;
    m_port = settings;
    return kS_OK;
}

HResult CStandinServer::EnumTags(std::uint32_t* cursor, std::uint32_t* type,
                                 std::uint32_t* address, std::uint32_t* param,
                                 std::uint32_t* reserved1, std::uint32_t* reserved2)
{
    HResult hr;
    if (Intercept(kSlotEnumTags, &hr)) return hr;
    if (!cursor || !type || !address || !param) return kE_INVALIDARG;
    if (*cursor == 0) m_walkDelivered = 0;
    if (m_faults.enumBreak && m_walkDelivered >= m_faults.enumBreak->after) {
        *cursor = 0;
        return m_faults.enumBreak->hr;
    }
    StandinTag tag;
    if (!m_tags.Walk(cursor, m_faults.enumEndless, &tag)) return kE_NoMoreItems;
    ++m_walkDelivered;
    *type = tag.type;
    *address = tag.address;
    *param = tag.param;
    if (reserved1) *reserved1 = 0;
    if (reserved2) *reserved2 = 0;
    return kS_OK;
}

HResult CStandinServer::GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                                   std::uint32_t* periodLow, std::uint32_t* periodHigh)
{
    HResult hr;
    const std::uint32_t tag[3] = {type, address, param};
    if (Intercept(kSlotGetTagInfo, &hr, tag)) return hr;
    if (!periodLow || !periodHigh || !CTagStore::ValidKey(type, address, param))
        return kE_INVALIDARG;
    const std::int64_t* period = m_tags.Find(type, address, param);
    if (period == nullptr) return kE_NotFound;
    *periodLow = PeriodLow(*period);
    *periodHigh = PeriodHigh(*period);
    return kS_OK;
}

HResult CStandinServer::ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize],
                                    std::int32_t* type)
{
    HResult hr;
    if (Intercept(kSlotProbeDevice, &hr)) return hr;
    if (!text || !type) return kE_INVALIDARG;

    std::memset(text, 0, kProbeTextSize);
    *type = 0;
    if (address < 1 || address > 0xFF) {
        hr = kE_INVALIDARG;
    } else {
        auto it = m_line.find(address);
        if (it == m_line.end()) {
            m_hooks.sleep(m_faults.probeTimeoutMs);  // nobody answers: the line times out
        } else {
            m_hooks.sleep(it->second.delayMs);
            *type = it->second.type;
            const std::string& answer = it->second.text;
            // At most 99 bytes, so that the text stays terminated within the buffer.
            std::memcpy(text, answer.data(), std::min<std::size_t>(answer.size(), kProbeTextSize - 1));
        }
        hr = kS_OK;
    }
    if (m_faults.probeUnterminated) {
        std::size_t used = std::strlen(reinterpret_cast<const char*>(text));
        std::memset(text + used, '*', kProbeTextSize - used);
    }
    return hr;
}

HResult CStandinServer::Reserved()
{
    HResult hr;
    if (Intercept(kSlotReserved, &hr)) return hr;
    return kE_NotImpl;
}
