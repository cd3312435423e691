#include "common/FileIdentity.h"

#include <windows.h>

#include "common/win/Owners.h"

namespace {

struct Identity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
};

// The file a name reaches, following links; false when there is none. Opened for no access
// at all and sharing everything, so that a file another program holds open is still
// identified; a folder needs the backup-semantics flag to open.
bool Identify(const std::filesystem::path& path, Identity& identity)
{
    const CScopedHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.Get(), &info)) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.indexHigh = info.nFileIndexHigh;
    identity.indexLow = info.nFileIndexLow;
    return true;
}

}  // namespace

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    Identity first, second;
    return Identify(a, first) && Identify(b, second) && first.volume == second.volume &&
           first.indexHigh == second.indexHigh && first.indexLow == second.indexLow;
}
