#include "standin/win/ComObjects.h"

#include <exception>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "common/Utf8Text.h"
#include "server/ComRef.h"
#include "server/win/ComInitialization.h"
#include "standin/win/Registration.h"

namespace {

HRESULT CallGuard(HResult (*body)(void*), void* context)
{
    try {
        return body(context);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Runs `fn` and turns any exception into an HRESULT: nothing may unwind into the stub.
template <class Fn>
HRESULT Guarded(Fn&& fn)
{
    return CallGuard([](void* c) -> HResult { return (*static_cast<Fn*>(c))(); }, &fn);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CAddTagsObject

CAddTagsObject::CAddTagsObject(CStandinServer& server, IStandinModule* module)
    : m_server(server), m_module(module)
{
    if (m_module) m_module->ObjectCreated();
}

CAddTagsObject::~CAddTagsObject()
{
    if (m_module) m_module->ObjectReleased();
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IAddTags)) {
        *ppv = static_cast<IAddTags*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CAddTagsObject::AddRef() { return ++m_refs; }

ULONG STDMETHODCALLTYPE CAddTagsObject::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

static_assert(sizeof(ULONG) == sizeof(std::uint32_t) && sizeof(LONG) == sizeof(std::int32_t),
              "IAddTags arguments are 32-bit");

HRESULT STDMETHODCALLTYPE CAddTagsObject::AddTag(ULONG type, ULONG address, ULONG param,
                                                 hyper period)
{
    return Guarded([&] { return m_server.AddTag(type, address, param, period); });
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::DeleteTag(ULONG type, ULONG address, ULONG param)
{
    return Guarded([&] { return m_server.DeleteTag(type, address, param); });
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::RestartServer()
{
    return Guarded([&] { return m_server.RestartServer(); });
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::GetComSettings(unsigned short* port, ULONG* baudRate,
                                                         unsigned char* dataBits,
                                                         unsigned char* stopBits,
                                                         unsigned char* parity)
{
    return Guarded([&] {
        return m_server.GetComSettings(port, reinterpret_cast<std::uint32_t*>(baudRate), dataBits,
                                       stopBits, parity);
    });
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::SetComSettings(unsigned short port, ULONG baudRate,
                                                         unsigned char dataBits,
                                                         unsigned char stopBits,
                                                         unsigned char parity)
{
    return Guarded(
        [&] { return m_server.SetComSettings(port, baudRate, dataBits, stopBits, parity); });
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::EnumTags(ULONG* cursor, ULONG* type, ULONG* address,
                                                   ULONG* param, ULONG* reserved1,
                                                   ULONG* reserved2)
{
    auto u = [](ULONG* p) { return reinterpret_cast<std::uint32_t*>(p); };
    return Guarded([&] {
        return m_server.EnumTags(u(cursor), u(type), u(address), u(param), u(reserved1),
                                 u(reserved2));
    });
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::GetTagInfo(ULONG type, ULONG address, ULONG param,
                                                     ULONG* periodLow, ULONG* periodHigh)
{
    return Guarded([&] {
        return m_server.GetTagInfo(type, address, param, reinterpret_cast<std::uint32_t*>(periodLow),
                                   reinterpret_cast<std::uint32_t*>(periodHigh));
    });
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::Reserved()
{
    return Guarded([&] { return m_server.Reserved(); });
}

HRESULT STDMETHODCALLTYPE CAddTagsObject::ProbeDevice(ULONG address, unsigned char text[100],
                                                      LONG* type)
{
    return Guarded([&] {
        return m_server.ProbeDevice(address, text, reinterpret_cast<std::int32_t*>(type));
    });
}

// ---------------------------------------------------------------------------------------
// The local-server host

namespace {

constexpr UINT kTickMs = 50;
// With no object ever created, the process leaves after this long (a client that has just
// started it needs about a second under Wine to come for its class object).
constexpr ULONGLONG kIdleExitMs = 3000;
// After refusing a connection, with no object alive, it leaves sooner.
constexpr ULONGLONG kAfterRefusalMs = 1000;
// After the last object went, a short wait in case a client is just connecting.
constexpr ULONGLONG kLastReleaseGraceMs = 200;
// After RestartServer, time for the answer to reach the caller.
constexpr ULONGLONG kRestartGraceMs = 300;
// The longest the process may take to end once it has decided to.
constexpr DWORD kExitLimitMs = 10000;

class CLocalServerHost;

// The class object. Its QueryInterface for IClassFactory is where a connection starts, so
// that is where a "class" fault refuses it (COM hands the HRESULT back to the client);
// CreateInstance plays an "instance" fault. It is a static object: no reference counting.
class CClassObject final : public IClassFactory {
public:
    explicit CClassObject(CLocalServerHost& host) : m_host(host) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    CLocalServerHost& m_host;
};

class CLocalServerHost final : public IStandinModule {
public:
    CLocalServerHost(const std::filesystem::path& home)
        : m_server(home, MakeHooks()), m_classObject(*this), m_thread(GetCurrentThreadId())
    {
    }

    // Serves until it is time to end; ends the COM initialisation (com) on the way out.
    int Run(CComInitialization& com);

    void ObjectCreated() override
    {
        ++m_objects;
        m_everConnected = true;
        m_idleSince = 0;
        Status("running");
    }
    void ObjectReleased() override
    {
        const long left = --m_objects;
        if (left == 0) m_idleSince = GetTickCount64();
        Status(m_stopping ? "stopping" : left > 0 ? "running" : "idle");
        PostThreadMessageW(m_thread, WM_NULL, 0, 0);  // wake the loop
    }

    HRESULT ClassRefusal();  // on any thread
    HRESULT CreateObject(REFIID riid, void** ppv);
    void Refused()
    {
        m_refused = true;
        if (m_objects == 0) m_idleSince = GetTickCount64();
    }

private:
    static DWORD WINAPI EndAfterExitLimit(void* host)
    {
        Sleep(kExitLimitMs);
        static_cast<CLocalServerHost*>(host)->m_server.Log("exit took over 10 s: ended");
        TerminateProcess(GetCurrentProcess(), 4);
        return 0;
    }
    StandinHooks MakeHooks();
    void Revoke();
    void Status(const char* state) { m_server.WriteStatus(GetCurrentProcessId(), m_objects, state); }
    bool ShouldEnd();

    CStandinServer m_server;
    CClassObject m_classObject;
    DWORD m_thread;
    DWORD m_cookie = 0;
    bool m_registered = false;
    std::atomic<long> m_objects{0};
    std::atomic<ULONGLONG> m_idleSince{0};
    ULONGLONG m_restartAt = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_everConnected{false};
    std::atomic<bool> m_refused{false};
    // Restarted under a no-restart fault: refuse every connection while the fault is set.
    std::atomic<bool> m_refuseAll{false};
};

HRESULT STDMETHODCALLTYPE CClassObject::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IClassFactory)) {
        const HRESULT refusal = m_host.ClassRefusal();
        if (FAILED(refusal)) {
            m_host.Refused();
            return refusal;
        }
    } else if (!IsEqualIID(riid, IID_IUnknown)) {
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CClassObject::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return Guarded([&] { return m_host.CreateObject(riid, ppv); });
}

HRESULT STDMETHODCALLTYPE CClassObject::LockServer(BOOL lock)
{
    if (lock) m_host.ObjectCreated();
    else m_host.ObjectReleased();
    return S_OK;
}

StandinHooks CLocalServerHost::MakeHooks()
{
    StandinHooks hooks;
    hooks.sleep = [](std::uint32_t ms) { Sleep(ms); };
    hooks.die = [this](int) {
        // The process ends inside the call: the caller sees the connection break. The class
        // is revoked first so that the next activation starts a new process at once.
        Revoke();
        Status("died");
        TerminateProcess(GetCurrentProcess(), 3);
    };
    hooks.restart = [this] {
        // New connections must reach a new process: revoke now, end once the answer is out.
        Revoke();
        m_restartAt = GetTickCount64();
        m_stopping = true;
        Status("restarting");
    };
    return hooks;
}

void CLocalServerHost::Revoke()
{
    if (!m_registered) return;
    m_registered = false;
    CoRevokeClassObject(m_cookie);
}

HRESULT CLocalServerHost::ClassRefusal()
{
    if (m_stopping) return CO_E_SERVER_STOPPING;
    // faults.txt afresh, parsed here without touching the server's state (this may run on
    // a thread of COM's own); CreateInstance logs any line it cannot use.
    std::string content;
    ReadWholeFile(m_server.Home() / "faults.txt", &content);
    std::istringstream in(content);
    SkipLog ignored;
    const FaultTable faults = ParseFaultsFile(in, ignored);
    if (m_refuseAll) {
        if (faults.noRestart) {
            m_server.Log("no-restart fault: connection refused");
            return CO_E_SERVER_EXEC_FAILURE;
        }
        m_refuseAll = false;  // the fault is gone: serve again
        std::error_code ec;
        std::filesystem::remove(m_server.Home() / "no-restart.mark", ec);
    }
    if (faults.classRefusal) {
        char buffer[16];
        m_server.Log(std::string("class fault: refusing IClassFactory with ") +
                     FormatHResult(*faults.classRefusal, buffer));
        return *faults.classRefusal;
    }
    return S_OK;
}

HRESULT CLocalServerHost::CreateObject(REFIID riid, void** ppv)
{
    if (m_stopping) return CO_E_SERVER_STOPPING;
    m_server.BeginConnection(m_objects == 0);
    if (m_server.Faults().instanceRefusal) {
        char buffer[16];
        const HRESULT hr = *m_server.Faults().instanceRefusal;
        m_server.Log(std::string("instance fault: refusing CreateInstance with ") +
                     FormatHResult(hr, buffer));
        Refused();
        return hr;
    }
    // The creation's reference goes once the caller has its own (or has none).
    const CComRef<CAddTagsObject> object(new CAddTagsObject(m_server, this));
    return object->QueryInterface(riid, ppv);
}

bool CLocalServerHost::ShouldEnd()
{
    const ULONGLONG now = GetTickCount64();
    if (m_restartAt != 0) return now - m_restartAt >= kRestartGraceMs;
    const ULONGLONG idleSince = m_idleSince;
    if (m_objects > 0 || idleSince == 0) return false;
    const ULONGLONG wait =
        m_everConnected ? kLastReleaseGraceMs : m_refused ? kAfterRefusalMs : kIdleExitMs;
    return now - idleSince >= wait;
}

int CLocalServerHost::Run(CComInitialization& com)
{
    m_server.Log("started (pid " + std::to_string(GetCurrentProcessId()) + "), state in " +
                 m_server.Home().u8string());
    m_server.LoadState();
    m_idleSince = GetTickCount64();
    if (m_server.RefusesAfterRestart()) {
        // Restarted under a no-restart fault: this process stands for a server that did not
        // come back. It still registers (a refusing class object answers at once, where an
        // unregistered server would leave the client waiting) and leaves when idle.
        m_server.Log("no-restart fault: refusing every connection");
        m_refuseAll = true;
    }
    Status("starting");

    HRESULT hr = CoRegisterClassObject(CLSID_ZolOpcServerConfig, &m_classObject,
                                       CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    if (FAILED(hr)) {
        char buffer[16];
        m_server.Log(std::string("CoRegisterClassObject failed: ") + FormatHResult(hr, buffer));
        Status("exited");
        return 2;
    }
    m_registered = true;
    Status(m_objects > 0 ? "running" : "idle");

    const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, nullptr);
    MSG msg;
    while (!ShouldEnd()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) break;
        if (msg.hwnd == nullptr && msg.message == WM_TIMER) continue;  // re-checks ShouldEnd
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, timer);

    m_stopping = true;
    // Ending must not wait on a client: a process that stayed would answer the next
    // activation in its place. Should the steps below hang (a call COM never completes),
    // the process ends all the same, and the log says so.
    HANDLE watchdog = CreateThread(nullptr, 0, EndAfterExitLimit, this, 0, nullptr);
    if (watchdog != nullptr) CloseHandle(watchdog);
    Revoke();
    Status("stopping");
    m_server.ReloadFaults();
    if (m_server.Faults().exitHangs) Sleep(INFINITE);
    com.Reset();  // disconnects what clients still hold: their objects go now
    m_server.Log("exited");
    Status("exited");
    return 0;
}

}  // namespace

int RunLocalServer()
{
    CComInitialization com(COINIT_APARTMENTTHREADED);
    if (!com) return 2;

    wchar_t env[MAX_PATH * 2];
    const DWORD envLength = GetEnvironmentVariableW(L"ZOLSRV_HOME", env, MAX_PATH * 2);
    std::filesystem::path fromEnvironment;
    if (envLength > 0 && envLength < MAX_PATH * 2) fromEnvironment = env;
    const std::filesystem::path home = ResolveStateDirectory(
        fromEnvironment, RegisteredStateDirectory(), ModuleDirectory());

    CLocalServerHost host(home);
    return host.Run(com);
}

void SayToUser(const wchar_t* text)
{
    std::wstring line = text;
    line += L"\r\n";
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (AttachConsole(ATTACH_PARENT_PROCESS)) out = GetStdHandle(STD_ERROR_HANDLE);
    }
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (GetFileType(out) == FILE_TYPE_CHAR &&
        WriteConsoleW(out, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr))
        return;
    const std::string utf8 = NarrowUtf8(line);
    WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}
