/* Stands in for a DLL planted beside a program under a system DLL's name: when any process
   loads it, it creates the file that ZOL_PLANTED_MARKER names. Exports nothing. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t marker[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"ZOL_PLANTED_MARKER", marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            CloseHandle(CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    }
    return TRUE;
}
