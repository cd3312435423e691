#include "server/ServerConnection.h"

#include <string>

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

    IClassFactory* factory = nullptr;
    result.hr = CoGetClassObject(CLSID_ZolOpcServerConfig, CLSCTX_LOCAL_SERVER, nullptr,
                                 IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(result.hr) || factory == nullptr) {
        if (SUCCEEDED(result.hr)) result.hr = E_POINTER;
        result.failedStep = ConnectStep::GetClassObject;
        return result;
    }

    IAddTags* addTags = nullptr;
    result.hr = factory->CreateInstance(nullptr, IID_IAddTags, reinterpret_cast<void**>(&addTags));
    factory->Release();
    if (FAILED(result.hr) || addTags == nullptr) {
        if (SUCCEEDED(result.hr)) result.hr = E_POINTER;
        result.failedStep = ConnectStep::CreateInstance;
        return result;
    }
    *ppAddTags = addTags;
    return result;
}

bool AddTagsMarshallingRegistered()
{
    wchar_t iid[40] = L"";
    StringFromGUID2(IID_IAddTags, iid, 40);
    const std::wstring path = std::wstring(L"Interface\\") + iid + L"\\ProxyStubClsid32";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}
