// The COM side of zolsrv.exe: the IAddTags object, its class object, and the local-server
// host that registers the class, runs the apartment and ends the process when it is no
// longer needed.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <atomic>

#include "AddTags.h"
#include "standin/StandinServer.h"

// What an object tells its process about its life.
class IStandinModule {
public:
    virtual void ObjectCreated() = 0;
    virtual void ObjectReleased() = 0;

protected:
    ~IStandinModule() = default;
};

// One IAddTags connection. Every call goes to the process's one CStandinServer; the
// apartment is single-threaded, so calls arrive one at a time. No exception leaves a call.
class CAddTagsObject final : public IAddTags {
public:
    // module may be null (the object then lives on its own, as in the benchmark).
    CAddTagsObject(CStandinServer& server, IStandinModule* module);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE AddTag(ULONG type, ULONG address, ULONG param, hyper period) override;
    HRESULT STDMETHODCALLTYPE DeleteTag(ULONG type, ULONG address, ULONG param) override;
    HRESULT STDMETHODCALLTYPE RestartServer() override;
    HRESULT STDMETHODCALLTYPE GetComSettings(unsigned short* port, ULONG* baudRate,
                                             unsigned char* dataBits, unsigned char* stopBits,
                                             unsigned char* parity) override;
    HRESULT STDMETHODCALLTYPE SetComSettings(unsigned short port, ULONG baudRate,
                                             unsigned char dataBits, unsigned char stopBits,
                                             unsigned char parity) override;
    HRESULT STDMETHODCALLTYPE EnumTags(ULONG* cursor, ULONG* type, ULONG* address, ULONG* param,
                                       ULONG* reserved1, ULONG* reserved2) override;
    HRESULT STDMETHODCALLTYPE GetTagInfo(ULONG type, ULONG address, ULONG param,
                                         ULONG* periodLow, ULONG* periodHigh) override;
    HRESULT STDMETHODCALLTYPE Reserved() override;
    HRESULT STDMETHODCALLTYPE ProbeDevice(ULONG address, unsigned char text[100],
                                          LONG* type) override;

private:
    ~CAddTagsObject();

    std::atomic<ULONG> m_refs{1};
    CStandinServer& m_server;
    IStandinModule* m_module;
};

// Runs zolsrv.exe as COM's local server (-Embedding) until it is no longer needed.
// Returns the process exit code.
int RunLocalServer();

// Prints a line for the user who ran zolsrv.exe from a command line (standard error, or
// the parent's console).
void SayToUser(const wchar_t* text);
