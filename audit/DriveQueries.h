// The three questions the drive scan asks about a drive's root path, behind
// an interface so that scripted drives can stand in for the machine's own.
#pragma once

#include <cstdint>
#include <string>

struct VolumeFacts {
    std::string volumeName;
    std::string fileSystem;
    unsigned long fileSystemFlags = 0;
};

class DriveQueries {
public:
    // The GetDriveTypeA code: 2 removable, 3 fixed, 4 remote, 5 CD-ROM, ...
    virtual unsigned QueryDriveType(const std::string& root) = 0;
    virtual bool QueryDiskSpace(const std::string& root, std::uint64_t& totalBytes, std::uint64_t& freeBytes) = 0;
    virtual bool QueryVolume(const std::string& root, VolumeFacts& facts) = 0;

protected:
    ~DriveQueries() = default;
};

// The drives of this computer.
class Win32DriveQueries : public DriveQueries {
public:
    unsigned QueryDriveType(const std::string& root) override;
    bool QueryDiskSpace(const std::string& root, std::uint64_t& totalBytes, std::uint64_t& freeBytes) override;
    bool QueryVolume(const std::string& root, VolumeFacts& facts) override;
};
