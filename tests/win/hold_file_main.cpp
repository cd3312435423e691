// Holds a file open the way a spreadsheet showing it does: read and write access, others
// may only read (FILE_SHARE_READ). For the tests of writers that meet a held file.
//
//   zolholdfile.exe FILE MILLISECONDS    creates FILE when missing, holds it (FILE.holding
//                                        appears then), lets it go; exit 0, or 1 when it
//                                        could not be opened
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) return 2;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    // Tells the test that the hold is in place: FILE.holding appears.
    const std::wstring marker = std::wstring(argv[1]) + L".holding";
    CloseHandle(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    CloseHandle(file);
    return 0;
}
