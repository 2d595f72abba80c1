#include "audit/DriveQueries.h"

#include <windows.h>

unsigned Win32DriveQueries::QueryDriveType(const std::string& root)
{
    return GetDriveTypeA(root.c_str());
}

// The free space is the volume's, not the part of it the caller's quota
// allows.
bool Win32DriveQueries::QueryDiskSpace(const std::string& root, std::uint64_t& totalBytes, std::uint64_t& freeBytes)
{
    ULARGE_INTEGER available = {};
    ULARGE_INTEGER total = {};
    ULARGE_INTEGER free = {};
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) {
        return false;
    }
    totalBytes = total.QuadPart;
    freeBytes = free.QuadPart;
    return true;
}

bool Win32DriveQueries::QueryVolume(const std::string& root, VolumeFacts& facts)
{
    char volumeName[MAX_PATH] = {};
    char fileSystem[MAX_PATH] = {};
    DWORD serial = 0;
    DWORD maxComponent = 0;
    DWORD flags = 0;
    if (!GetVolumeInformationA(root.c_str(), volumeName, sizeof(volumeName), &serial, &maxComponent, &flags, fileSystem,
                               sizeof(fileSystem))) {
        return false;
    }
    facts.volumeName = volumeName;
    facts.fileSystem = fileSystem;
    facts.fileSystemFlags = flags;
    return true;
}
