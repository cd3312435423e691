// The stand-in server's behaviour, apart from COM: the tag store, the serial settings, the
// simulated line and the faults, kept in and persisted to its state directory.
//
// The COM object of zolsrv.exe forwards every IAddTags call here. Everything the process
// must do itself (sleeping in a slow call, ending inside a call, ending after a restart)
// comes in through StandinHooks, so that this class runs natively in the unit tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "server/TagServer.h"
#include "standin/FaultTable.h"
#include "standin/StateFiles.h"
#include "standin/TagStore.h"

// Failure codes of the stand-in (Win32 errors as HRESULTs).
constexpr HResult kE_NotFound = static_cast<HResult>(0x80070490u);    // no such tag
constexpr HResult kE_NoMoreItems = static_cast<HResult>(0x80070103u); // EnumTags: nothing to deliver
constexpr HResult kE_WriteFault = static_cast<HResult>(0x8007001Du);  // state file not written
constexpr HResult kE_NotImpl = static_cast<HResult>(0x80004001u);

struct StandinHooks {
    std::function<void(std::uint32_t ms)> sleep;  // default: this thread sleeps
    std::function<void(int slot)> die;            // ends the process at once (a die fault)
    std::function<void()> restart;                // RestartServer has been accepted
};

class CStandinServer final : public ITagServer {
public:
    explicit CStandinServer(std::filesystem::path home, StandinHooks hooks = {});

    const std::filesystem::path& Home() const { return m_home; }

    // Reads all state files; lines it cannot use are written to zolsrv.log and skipped.
    void LoadState();
    // A client connects. faults.txt and line.txt are read afresh every time; with `fresh`
    // (no other connection open) tags.txt and port.txt too, so that what a test wrote into
    // them between two connections is what the server holds.
    void BeginConnection(bool fresh);
    void ReloadFaults();
    const FaultTable& Faults() const { return m_faults; }

    // True when a no-restart fault is set and a RestartServer happened under it: this
    // process must then refuse every connection. Clears the mark when no-restart is gone.
    bool RefusesAfterRestart();

    // One line in zolsrv.log, with date and time.
    void Log(const std::string& line);
    // status.txt: "pid N", "objects N", "state S" - for the tests, written atomically.
    void WriteStatus(unsigned long pid, long objects, const char* state);

    const CTagStore& Tags() const { return m_tags; }
    const PortSettings& Port() const { return m_port; }

    // IAddTags. Bad arguments give E_INVALIDARG and change nothing; a state file that
    // cannot be written gives kE_WriteFault and leaves the state as it was.
    HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                   std::int64_t period) override;
    HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) override;
    HResult RestartServer() override;
    HResult GetComSettings(std::uint16_t* port, std::uint32_t* baudRate, std::uint8_t* dataBits,
                           std::uint8_t* stopBits, std::uint8_t* parity) override;
    HResult SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits,
                           std::uint8_t stopBits, std::uint8_t parity) override;
    HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address,
                     std::uint32_t* param, std::uint32_t* reserved1,
                     std::uint32_t* reserved2) override;
    HResult GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                       std::uint32_t* periodLow, std::uint32_t* periodHigh) override;
    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize],
                        std::int32_t* type) override;
    HResult Reserved();

private:
    // Plays the faults set for the operation: waits, ends the process, or yields the
    // failure to return. Returns true when the operation must return *hr untouched.
    // With a tag, the failures set for that tag are played too.
    bool Intercept(int slot, HResult* hr, const std::uint32_t* tag = nullptr);
    bool Persist(const char* fileName, const std::string& content);
    void LogSkipped(const SkipLog& skipped);
    void LoadTagsAndPort();
    void LoadLine();

    std::filesystem::path m_home;
    StandinHooks m_hooks;
    CTagStore m_tags;
    PortSettings m_port = kStandinDefaultPort;
    SimulatedLine m_line;
    FaultTable m_faults;
    std::array<std::uint32_t, kStandinSlotCount> m_calls{};  // since the faults were read
    std::uint32_t m_walkDelivered = 0;  // tags EnumTags delivered since a call with cursor 0
};

// Where the state lives: the environment's ZOLSRV_HOME when set and not empty, else the
// directory recorded at registration, else the folder "zolsrv-data" beside the executable.
std::filesystem::path ResolveStateDirectory(const std::filesystem::path& environmentValue,
                                            const std::filesystem::path& registeredValue,
                                            const std::filesystem::path& executableDirectory);
