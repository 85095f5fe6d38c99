// The small tmpfs of the full-disk cases, found through VORLAN_FULL_DISK_DIR.
#include "tests/bank/bank_test_folder.h"

#include <cstdlib>

std::string SmallDiskFolder()
{
    const char* dir = std::getenv("VORLAN_FULL_DISK_DIR");
    if (dir == nullptr || *dir == '\0')
        return std::string();
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(dir, &available, &total, &free) || total.QuadPart > (1u << 20))
        return std::string();
    std::string folder = dir;
    if (folder.back() != '\\')
        folder += '\\';
    RemoveFolder(folder + "case");
    folder += "case";
    if (!CreateDirectoryA(folder.c_str(), nullptr))
        return std::string();
    return folder + "\\";
}
