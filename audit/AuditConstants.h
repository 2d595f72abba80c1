// Texts that the audit steps of both engines share. Each unit that includes
// this header holds its own copy; all copies are equal and nobody changes them.
#pragma once

#include <string>

namespace AuditConstants {

// Under HKEY_LOCAL_MACHINE: one subkey per installed program or hotfix.
static const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The only values a storage device's type ever takes.
static const std::string kFloppyDrive = "Floppy Drive";
static const std::string kCdromDrive = "CDROM Drive";
static const std::string kCdrDrive = "CD-R Drive";
static const std::string kCdrwDrive = "CD-RW Drive";
static const std::string kDvdDrive = "DVD Drive";
static const std::string kZipDrive = "ZIP Drive";
static const std::string kLs120Drive = "LS120 Drive";
static const std::string kTapeDrive = "Tape Drive";
static const std::string kHardDrive = "Hard Drive";
static const std::string kOtherDrive = "Other";

// The WMI engine's hotfix search depends on these two.
static const std::string kWindows2000 = "Microsoft Windows 2000";
static const std::string kServicePack3 = "Service Pack 3";

} // namespace AuditConstants
