// Windows: a DLL the programs load at run time, always from the system's own folder.
// A bare name would be searched for beside the program first, so a file of that name there
// (a zip unpacked into Downloads beside one from elsewhere) would run inside the program.
#pragma once

// The module handle (an HMODULE) of the system DLL fileName ("rstrtmgr.dll"), or null with
// the system's error (GetLastError) when it cannot be loaded. Release it with FreeLibrary (a
// CScopedLibrary of common/win/Owners.h does).
void* LoadSystemLibrary(const wchar_t* fileName);
