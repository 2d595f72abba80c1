// Drive letters to storage devices and logical drives.
//
// Space is asked only of fixed and network drives: asking a floppy or CD-ROM
// drive without a medium can stall or prompt. A drive whose volume does not
// answer (no medium) is still recorded as a storage device.
#include "audit/DriveAudit.h"

#include "audit/AuditConstants.h"

using namespace AssetIMPL;

namespace {

const unsigned kDriveRemovable = 2;
const unsigned kDriveFixed = 3;
const unsigned kDriveRemote = 4;
const unsigned kDriveCdRom = 5;

// Megabytes, kept as the asset model's 32-bit numbers.
long Megabytes(std::uint64_t bytes)
{
    return static_cast<long>(static_cast<std::uint32_t>(bytes >> 20));
}

void ScanLetter(AssetComputerImpl& computer, DriveQueries& queries, char letter)
{
    const std::string root = std::string(1, letter) + ":\\";
    const unsigned type = queries.QueryDriveType(root);
    const char* typeName = DriveAudit::StorageTypeName(type);
    if (typeName == nullptr) {
        return;
    }
    // The root path is our own printable text, so it needs no sanitizing.
    boost::shared_ptr<StorageDeviceImpl> device(new StorageDeviceImpl());
    device->Property(kStorageDeviceDescription).SetString(root);
    device->Property(kStorageDeviceType).SetString(typeName);

    const bool sized = type == kDriveFixed || type == kDriveRemote;
    long totalMb = 0;
    long freeMb = 0;
    if (sized) {
        std::uint64_t totalBytes = 0;
        std::uint64_t freeBytes = 0;
        if (queries.QueryDiskSpace(root, totalBytes, freeBytes)) {
            totalMb = Megabytes(totalBytes);
            freeMb = Megabytes(freeBytes);
            device->SetSize(totalMb);
        }
    }

    VolumeFacts volume;
    if (queries.QueryVolume(root, volume)) {
        boost::shared_ptr<LogicalDriveImpl> drive(new LogicalDriveImpl());
        drive->SetDriveLetter(std::string(1, letter));
        if (sized) {
            drive->SetTotalSize(totalMb);
            drive->SetFreeSpace(freeMb);
        }
        if (type == kDriveRemote) {
            drive->Property(kLogicalDrivePath).SetString(volume.volumeName);
        }
        if (volume.fileSystemFlags != 0) {
            drive->Property(kLogicalDriveFileSystem).SetString(volume.fileSystem);
        }
        computer.GetLogicalDrives()->Add(drive);
    }
    computer.GetStorageDevices()->Add(device);
}

} // namespace

const char* DriveAudit::StorageTypeName(unsigned driveType)
{
    switch (driveType) {
    case kDriveRemovable:
        return AuditConstants::kFloppyDrive.c_str();
    case kDriveFixed:
    case kDriveRemote:
        return AuditConstants::kHardDrive.c_str();
    case kDriveCdRom:
        return AuditConstants::kCdromDrive.c_str();
    default:
        return nullptr;
    }
}

void DriveAudit::Run(AssetComputerImpl& computer, DriveQueries& queries, const std::function<void()>& endStep)
{
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        ScanLetter(computer, queries, letter);
        endStep();
    }
}
