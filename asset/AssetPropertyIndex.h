// Index names of the property vectors of the asset classes. Code addresses
// properties only through these, never by bare number.
#pragma once

namespace AssetIMPL {

// AssetGenericImpl (34 values). The kGenericUnusedN entries hold nothing the
// program reads or writes, but keep their place and type.
enum GenericProp : int {
    kGenericUnused0 = 0,
    kAssetTag,
    kOemId,
    kAssetName,
    kAssetType,
    kGenericUnused5,
    kLocation,
    kOffice,
    kDepartment,
    kUserName,
    kGenericUnused10,
    kManufacturer,
    kModel,
    kModelNo,
    kSerialNo,
    kGenericUnused15,
    kGenericUnused16,
    kGenericUnused17,
    kGenericUnused18,
    kGenericUnused19,
    kGenericUnused20,
    kGenericUnused21,
    kGenericUnused22,
    kGenericUnused23,
    kGenericUnused24,
    kGenericUnused25,
    kGenericUnused26,
    kGenericUnused27,
    kGenericUnused28,
    kGenericUnused29,
    kGenericUnused30,
    kGenericUnused31,
    kGenericUnused32,
    kGenericUnused33,
    kGenericPropCount
};

// AssetComputerImpl's own properties (32 values).
enum ComputerProp : int {
    kGuid = 0,
    kDomain,
    kMotherboardDescription,
    kMotherboardManufacturer,
    kMotherboardSerialNo,
    kMotherboardVersion,
    kCpuNo,
    kCpuDescription,
    kCpuManufacturer,
    kCpuType,
    kCpuSocketType,
    kCpuSpeed,
    kRam,
    kVideoCard,
    kKeyboardDescription,
    kKeyboardSerialNo,
    kMouseDescription,
    kMouseSerialNo,
    kBiosDescription,
    kBiosVersion,
    kBiosManufacturer,
    kBiosDate,
    kBiosSerialNo,
    kModem,
    kOsDescription,
    kOsVersion,
    kServicePack,
    kOsInstallDate,
    kOsSerialNo,
    kMonitorDeviceId,
    kSoundCard,
    kInternetExplorerVersion,
    kComputerPropCount
};

// AssetLeaseImpl (8 values, none used).
enum LeaseProp : int {
    kLeaseUnused0 = 0,
    kLeaseUnused1,
    kLeaseUnused2,
    kLeaseUnused3,
    kLeaseUnused4,
    kLeaseUnused5,
    kLeaseUnused6,
    kLeaseUnused7,
    kLeasePropCount
};

enum SoftwareProp : int {
    kSoftwareDescription = 0,
    kSoftwareVersion,
    kSoftwareManufacturer,
    kSoftwareUnused3,
    kSoftwareId, // the key
    kSoftwarePropCount
};

enum StorageDeviceProp : int {
    kStorageDeviceDescription = 0,
    kStorageDeviceType,
    kStorageDeviceManufacturer,
    kStorageDeviceModel,
    kStorageDeviceModelNo,
    kStorageDeviceSerialNo,
    kStorageDeviceSize, // MB
    kStorageDeviceInterface,
    kStorageDeviceId, // the key: the plug-and-play identifier
    kStorageDevicePropCount
};

enum LogicalDriveProp : int {
    kLogicalDriveLetter = 0, // the key, upper case
    kNetworkDrive,
    kLogicalDrivePath,
    kLogicalDriveFreeSpace, // MB
    kLogicalDriveTotalSize, // MB
    kLogicalDriveFileSystem,
    kLogicalDrivePropCount
};

enum NetworkAdapterProp : int {
    kNic = 0,    // the adapter's description
    kMacAddress, // the key
    kIpAddress,
    kGateway,
    kSubnet,
    kDhcp,
    kNetworkAdapterPropCount
};

} // namespace AssetIMPL
