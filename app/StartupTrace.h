// Start-up timings. With ZOLCFG_TRACE=1 in the environment the program notes when each
// phase of its start ends and, at the first paint of the main window, writes the phases
// with their times to zolcfg-trace.log in %LOCALAPPDATA%\zolcfg (or %TEMP%) and to
// standard error when there is one. Without it every call only tests a flag.
#pragma once

#include <string>

#include "server/TagServer.h"

namespace startup_trace {

bool Enabled();
// Where the log goes: %LOCALAPPDATA%\zolcfg\zolcfg-trace.log (the folder made when
// missing), else %TEMP%\zolcfg-trace.log.
std::wstring TraceLogPath();
// The phase that ends now, named as in the log ("catalogue load").
void PhaseEnded(const char* name);
// A phase measured in parts while another ran: name took seconds of the phase ending next.
void PhasePart(const char* name, double seconds);
// A time worth knowing that is no phase of its own (work done alongside a phase).
void Note(const char* name, double seconds);
// The main window painted: the last phase; the log is written once.
void FirstPaint();

// Passes every call to the server on, summing the time EnumTags takes: what the fill spends
// walking the server's list, the rest of it being tree work.
class CTimedTagServer final : public CForwardingTagServer {
public:
    explicit CTimedTagServer(ITagServer& server) : CForwardingTagServer(server) {}
    double EnumSeconds() const { return m_enumSeconds; }

    HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address, std::uint32_t* param,
                     std::uint32_t* reserved1, std::uint32_t* reserved2) override;

private:
    double m_enumSeconds = 0;
};

}  // namespace startup_trace
