#include "common/FileIdentity.h"

#include <sys/stat.h>

namespace {

// The file a name reaches, following symbolic links; false when there is none.
bool Identify(const std::filesystem::path& path, struct stat& identity)
{
    return ::stat(path.c_str(), &identity) == 0;
}

}  // namespace

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    struct stat first {}, second {};
    return Identify(a, first) && Identify(b, second) && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
