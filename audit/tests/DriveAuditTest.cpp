#include "audit/DriveAudit.h"

#include "asset/Exceptions.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace AssetIMPL;

namespace {

struct ScriptedDrive {
    unsigned type = DRIVE_NO_ROOT_DIR;
    bool spaceAnswers = false;
    std::uint64_t total = 0, free = 0;
    bool volumeAnswers = false;
    VolumeFacts volume;
};

class ScriptedDrives : public DriveQueries {
public:
    std::map<char, ScriptedDrive> drives;
    std::vector<std::string> asked;

    unsigned QueryDriveType(const std::string& root) override
    {
        asked.push_back(root);
        return Drive(root).type;
    }
    bool QueryDiskSpace(const std::string& root, std::uint64_t& total, std::uint64_t& free) override
    {
        asked.push_back("space " + root);
        const ScriptedDrive& d = Drive(root);
        total = d.total;
        free = d.free;
        return d.spaceAnswers;
    }
    bool QueryVolume(const std::string& root, VolumeFacts& facts) override
    {
        const ScriptedDrive& d = Drive(root);
        facts = d.volume;
        return d.volumeAnswers;
    }

private:
    ScriptedDrive& Drive(const std::string& root) { return drives[root[0]]; }
};

ScriptedDrive Drive(unsigned type, bool volume, const char* fs = "", unsigned long flags = 0, const char* name = "")
{
    ScriptedDrive d;
    d.type = type;
    d.volumeAnswers = volume;
    d.volume.fileSystem = fs;
    d.volume.fileSystemFlags = flags;
    d.volume.volumeName = name;
    return d;
}

TEST(DriveAudit, ScriptedComputer)
{
    ScriptedDrives queries;
    queries.drives['A'] = Drive(DRIVE_REMOVABLE, false);
    queries.drives['C'] = Drive(DRIVE_FIXED, true, "NTFS", 0x700ff);
    queries.drives['C'].spaceAnswers = true;
    queries.drives['C'].total = 40007729152ull;
    queries.drives['C'].free = 10485760000ull;
    queries.drives['D'] = Drive(DRIVE_CDROM, true, "CDFS", 0x80005);
    queries.drives['E'] = Drive(DRIVE_RAMDISK, true, "FAT", 1);
    queries.drives['F'] = Drive(DRIVE_UNKNOWN, true, "FAT", 1);
    queries.drives['Y'] = Drive(DRIVE_REMOTE, true, "NTFS", 0, "\\\\server\\share"); // unreachable
    queries.drives['Z'] = Drive(DRIVE_REMOTE, true, "NTFS", 3, "Projects");
    queries.drives['Z'].spaceAnswers = true;
    queries.drives['Z'].total = 5ull << 40;      // 5 TB
    queries.drives['Z'].free = (1ull << 20) - 1; // under one megabyte

    AssetComputerImpl computer;
    int steps = 0;
    DriveAudit::Run(computer, queries, [&] { ++steps; });
    EXPECT_EQ(steps, 26);

    const auto& devices = computer.GetStorageDevices()->Members();
    ASSERT_EQ(devices.size(), 5u);
    const struct {
        const char* root;
        const char* type;
        bool sized;
        long size;
    } wantDevices[] = {
        {"A:\\", "Floppy Drive", false, 0}, {"C:\\", "Hard Drive", true, 38154},   {"D:\\", "CDROM Drive", false, 0},
        {"Y:\\", "Hard Drive", false, 0},   {"Z:\\", "Hard Drive", true, 5242880},
    };
    for (size_t i = 0; i < devices.size(); ++i) {
        EXPECT_EQ(devices[i]->Property(kStorageDeviceDescription).GetString(), wantDevices[i].root);
        EXPECT_EQ(devices[i]->Property(kStorageDeviceType).GetString(), wantDevices[i].type);
        EXPECT_EQ(devices[i]->Property(kStorageDeviceSize).IsModified(), wantDevices[i].sized) << i;
        EXPECT_EQ(devices[i]->GetSize(), wantDevices[i].size) << i;
    }

    const auto& drives = computer.GetLogicalDrives()->Members();
    ASSERT_EQ(drives.size(), 4u);
    const struct {
        const char* letter;
        long total, free;
        const char* path;
        const char* fs;
    } wantDrives[] = {
        {"C", 38154, 10000, "", "NTFS"},
        {"D", 0, 0, "", "CDFS"},
        {"Y", 0, 0, "\\\\server\\share", ""}, // no flags: file system not taken
        {"Z", 5242880, 0, "Projects", "NTFS"},
    };
    for (size_t i = 0; i < drives.size(); ++i) {
        EXPECT_EQ(drives[i]->Property(kLogicalDriveLetter).GetString(), wantDrives[i].letter);
        EXPECT_EQ(drives[i]->GetTotalSize(), wantDrives[i].total) << i;
        EXPECT_EQ(drives[i]->GetFreeSpace(), wantDrives[i].free) << i;
        EXPECT_EQ(drives[i]->Property(kLogicalDrivePath).GetString(), wantDrives[i].path) << i;
        EXPECT_EQ(drives[i]->Property(kLogicalDriveFileSystem).GetString(), wantDrives[i].fs) << i;
        EXPECT_FALSE(drives[i]->Property(kNetworkDrive).IsModified()) << i;
    }

    // Space is asked of fixed and network drives only.
    std::vector<std::string> spaceAsked;
    for (const std::string& q : queries.asked) {
        if (q.compare(0, 6, "space ") == 0) {
            spaceAsked.push_back(q.substr(6));
        }
    }
    EXPECT_EQ(spaceAsked, (std::vector<std::string>{"C:\\", "Y:\\", "Z:\\"}));
}

TEST(DriveAudit, CancelStopsAtTheCurrentLetter)
{
    ScriptedDrives queries;
    queries.drives['C'] = Drive(DRIVE_FIXED, true, "NTFS", 1);
    queries.drives['D'] = Drive(DRIVE_FIXED, true, "NTFS", 1);
    AssetComputerImpl computer;
    int steps = 0;
    EXPECT_THROW(DriveAudit::Run(computer, queries,
                                 [&] {
                                     if (++steps == 3) {
                                         throw audit_canceled();
                                     }
                                 }),
                 audit_canceled);
    ASSERT_EQ(computer.GetStorageDevices()->Members().size(), 1u);
    EXPECT_EQ(computer.GetLogicalDrives()->Members().size(), 1u);
    EXPECT_EQ(queries.asked.back(), "space C:\\"); // D: was never looked at
}

// Wine maps C: and Z: to fixed NTFS volumes.
TEST(DriveAudit, ThisComputer)
{
    Win32DriveQueries queries;
    AssetComputerImpl computer;
    DriveAudit::Run(computer, queries, [] {});
    std::map<std::string, boost::shared_ptr<LogicalDriveImpl>> byLetter;
    for (const auto& drive : computer.GetLogicalDrives()->Members()) {
        byLetter[drive->Property(kLogicalDriveLetter).GetString()] = drive;
    }
    for (const char* letter : {"C", "Z"}) {
        ASSERT_EQ(byLetter.count(letter), 1u) << letter;
        const auto& drive = byLetter[letter];
        ULARGE_INTEGER available, total, free;
        ASSERT_TRUE(GetDiskFreeSpaceExA((std::string(letter) + ":\\").c_str(), &available, &total, &free));
        EXPECT_EQ(drive->GetTotalSize(), static_cast<long>(total.QuadPart >> 20)) << letter;
        EXPECT_GT(drive->GetTotalSize(), 0) << letter;
        EXPECT_EQ(drive->Property(kLogicalDriveFileSystem).GetString(), "NTFS") << letter;
    }
}

} // namespace
