// File identities from GetFileInformationByHandle: volume serial number and file index.
#include "bank/file_identity.h"

#include <tuple>

#include "bank/file_io.h"

namespace {

// Opened for no access at all: the identity needs none, and a file held open by another
// program still tells it.
FileHandle OpenForIdentity(const char* path)
{
    return FileHandle(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

bool IdentityOfPath(const char* path, FileIdentity& identity)
{
    const FileHandle file = OpenForIdentity(path);
    return file.IsOpen() && IdentityOf(file.Get(), identity);
}

bool FileIdentity::operator<(const FileIdentity& other) const
{
    return std::tie(volume, indexHigh, indexLow) < std::tie(other.volume, other.indexHigh, other.indexLow);
}

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
}

bool IdentityOf(HANDLE file, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information))
        return false;
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
    return true;
}

bool IsSameFile(const char* a, const char* b)
{
    FileIdentity first;
    FileIdentity second;
    return IdentityOfPath(a, first) && IdentityOfPath(b, second) && first == second;
}

bool PathExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
