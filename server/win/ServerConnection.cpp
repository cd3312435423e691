#include "server/win/ServerConnection.h"

#include <algorithm>
#include <string>

#include "common/win/Owners.h"
#include "server/ComRef.h"

const CLSID& kServerClassId = CLSID_ZolOpcServerConfig;

ConnectResult ConnectAddTags(bool initializeCom, IAddTags** ppAddTags)
{
    ConnectResult result;
    *ppAddTags = nullptr;

    if (initializeCom) {
        result.hr = CoInitialize(nullptr);
        if (FAILED(result.hr)) {
            result.failedStep = ConnectStep::InitializeCom;
            return result;
        }
        result.comInitialized = true;
    }

    CComRef<IClassFactory> factory;
    result.hr = CoGetClassObject(CLSID_ZolOpcServerConfig, CLSCTX_LOCAL_SERVER, nullptr,
                                 IID_IClassFactory, reinterpret_cast<void**>(factory.Put()));
    if (FAILED(result.hr) || !factory) {
        if (SUCCEEDED(result.hr)) result.hr = E_POINTER;
        result.failedStep = ConnectStep::GetClassObject;
        return result;
    }

    CComRef<IAddTags> addTags;
    result.hr = factory->CreateInstance(nullptr, IID_IAddTags, reinterpret_cast<void**>(addTags.Put()));
    factory.Reset();
    if (FAILED(result.hr) || !addTags) {
        if (SUCCEEDED(result.hr)) result.hr = E_POINTER;
        result.failedStep = ConnectStep::CreateInstance;
        return result;
    }
    *ppAddTags = addTags.Detach();
    return result;
}

ConnectResult ConnectAddTagsPastAnEndingServer(bool initializeCom, IAddTags** ppAddTags)
{
    bool comInitialized = false;
    for (int attempt = 0;; ++attempt) {
        ConnectResult result = ConnectAddTags(initializeCom && !comInitialized, ppAddTags);
        comInitialized = comInitialized || result.comInitialized;
        result.comInitialized = comInitialized;
        if (result.Ok() || attempt == kEndingServerRetries ||
            !IsServerEnding(result.failedStep, static_cast<HResult>(result.hr)))
            return result;
        Sleep(kEndingServerPauseMs);
    }
}

ReconnectResult ReconnectAfterRestart(int timeoutMs, int pauseMs, const std::function<bool()>& between,
                                      IAddTags** ppAddTags)
{
    *ppAddTags = nullptr;
    ReconnectResult result;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        CComRef<IAddTags> addTags;
        result.connect = ConnectAddTags(false, addTags.Put());
        result.answer = S_OK;
        if (result.connect.Ok()) {
            // A class object can come from a server that is still ending: only an answer counts.
            unsigned short port = 0;
            unsigned long baudRate = 0;
            unsigned char dataBits = 0, stopBits = 0, parity = 0;
            result.answer = addTags->GetComSettings(&port, &baudRate, &dataBits, &stopBits, &parity);
            if (SUCCEEDED(result.answer)) {
                *ppAddTags = addTags.Detach();
                return result;
            }
            // Let go of the ending server's object now: held over the pause, it could keep
            // that server from ending.
            addTags.Reset();
        }
        if (GetTickCount64() >= deadline) return result;
        if (between && !between()) {
            result.stopped = true;
            return result;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) continue;  // one more attempt at the deadline
        Sleep(static_cast<DWORD>(std::min<ULONGLONG>(static_cast<ULONGLONG>(pauseMs), deadline - now)));
    }
}

bool AddTagsMarshallingRegistered()
{
    wchar_t iid[40] = L"";
    StringFromGUID2(IID_IAddTags, iid, 40);
    const std::wstring path = std::wstring(L"Interface\\") + iid + L"\\ProxyStubClsid32";
    CScopedKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}
