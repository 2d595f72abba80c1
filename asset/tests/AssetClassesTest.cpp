#include "asset/AssetComputerImpl.h"

#include <gtest/gtest.h>

#include <functional>

using namespace AssetIMPL;

namespace {

// One letter per index: S text, L number, B truth value, D floating, V VARIANT.
std::string Shape(const AssetPropertyVector& values)
{
    std::string shape;
    for (const AssetPropertyValue& value : values) {
        switch (value.Type()) {
        case AssetPropertyType::String:
            shape += 'S';
            break;
        case AssetPropertyType::Long:
            shape += 'L';
            break;
        case AssetPropertyType::Bool:
            shape += 'B';
            break;
        case AssetPropertyType::Double:
            shape += 'D';
            break;
        case AssetPropertyType::Variant:
            shape += 'V';
            break;
        }
        if (value.IsModified()) {
            shape += '*';
        }
    }
    return shape;
}

TEST(AssetClasses, PropertyTables)
{
    AssetComputerImpl computer;
    AssetSoftwareImpl software;
    StorageDeviceImpl storage;
    LogicalDriveImpl drive;
    NetworkAdapterImpl adapter;
    struct Table {
        const char* name;
        const AssetPropertyVector& values;
        int count;
        const char* shape;
    } tables[] = {
        {"generic", computer.GenericProperties(), kGenericPropCount, "LSSSSSSSSSSSSSSSLVSVDSVSVSSSSSSBBB"},
        {"computer", computer.ComputerProperties(), kComputerPropCount, "SSSSSSLSSSSLLSSSSSSSSVSSSSSVSSSS"},
        {"lease", computer.GetLease()->Properties(), kLeasePropCount, "SSVVLDDS"},
        {"software", software.Properties(), kSoftwarePropCount, "SSSSS"},
        {"storage device", storage.Properties(), kStorageDevicePropCount, "SSSSSSLSS"},
        {"logical drive", drive.Properties(), kLogicalDrivePropCount, "SBSLLS"},
        {"network adapter", adapter.Properties(), kNetworkAdapterPropCount, "SSSSSB"},
    };
    for (const Table& table : tables) {
        SCOPED_TRACE(table.name);
        EXPECT_EQ(table.count, static_cast<int>(table.values.size()));
        EXPECT_EQ(table.shape, Shape(table.values));
    }
    EXPECT_EQ(34, kGenericPropCount);
    EXPECT_EQ(32, kComputerPropCount);
    EXPECT_GE(computer.ComputerProperties().capacity(), 35u);

    // Named indexes land on the documented places.
    EXPECT_EQ(3, kAssetName);
    EXPECT_EQ(14, kSerialNo);
    EXPECT_EQ(21, kBiosDate);
    EXPECT_EQ(27, kOsInstallDate);
    EXPECT_EQ(31, kInternetExplorerVersion);
    EXPECT_EQ(8, kStorageDeviceId);
    EXPECT_EQ(5, kDhcp);

    EXPECT_EQ(0, computer.GetCpuCount());
    EXPECT_EQ(VT_NULL, computer.GetBiosDate().vt);
    EXPECT_EQ(VT_NULL, computer.GetOsInstallDate().vt);
    EXPECT_THROW(computer.Property(kGuid).GetLong(), t_exception);
    EXPECT_THROW(computer.Property(kRam).GetVariant(), t_exception);
}

// The keys that are made up when read empty, and the ones kept upper case.
TEST(AssetClasses, KeyRules)
{
    CoInitialize(nullptr);
    AssetComputerImpl computer;
    AssetSoftwareImpl software;
    StorageDeviceImpl storage;
    NetworkAdapterImpl adapter;
    struct Key {
        const char* name;
        std::function<std::string()> read;
        const AssetPropertyValue& value;
    } keys[] = {
        {"computer", [&] { return computer.GetGuid(); }, computer.Property(kGuid)},
        {"software", [&] { return software.GetId(); }, software.Property(kSoftwareId)},
        {"storage device", [&] { return storage.GetId(); }, storage.Property(kStorageDeviceId)},
        {"network adapter", [&] { return adapter.GetMacAddress(); }, adapter.Property(kMacAddress)},
    };
    for (const Key& key : keys) {
        SCOPED_TRACE(key.name);
        EXPECT_FALSE(key.value.IsModified());
        std::string first = key.read();
        EXPECT_EQ(38u, first.size());
        EXPECT_EQ('{', first[0]);
        EXPECT_EQ(first, key.read());
        EXPECT_EQ(first, key.value.GetString());
        EXPECT_TRUE(key.value.IsModified());
    }
    EXPECT_NE(computer.GetGuid(), software.GetId());
    CoUninitialize();

    AssetSoftwareImpl named;
    named.SetId("{abc-Def}");
    EXPECT_EQ("{ABC-DEF}", named.GetId());
    NetworkAdapterImpl wired;
    wired.Property(kMacAddress).SetString("00:11:22:AA:BB:CC");
    EXPECT_EQ("00:11:22:AA:BB:CC", wired.GetMacAddress());

    LogicalDriveImpl drive;
    drive.SetDriveLetter("c:");
    EXPECT_EQ("C:", drive.Property(kLogicalDriveLetter).GetString());
    drive.SetFreeSpace(100);
    drive.SetTotalSize(200);
    EXPECT_EQ(100, drive.GetFreeSpace());
    EXPECT_EQ(200, drive.GetTotalSize());
}

// Assign replaces the computer's own part and keeps the generic part.
TEST(AssetClasses, AssignFromANewComputerKeepsGenericProperties)
{
    AssetComputerImpl computer;
    computer.Property(kAssetName).SetString("VM");
    computer.Property(kLocation).SetString("Lab");
    computer.GetLease()->Property(kLeaseUnused0).SetString("lease");
    computer.Property(kDomain).SetString("WORKGROUP");
    computer.SetRam(512);
    computer.Property(kBiosDate).SetVariant(_variant_t(L"3/15/2004"));
    computer.GetPorts()->Add("COM1");
    computer.GetPrinters()->Add("Printer");
    computer.GetHotfixes()->Add("KB1");
    boost::shared_ptr<LogicalDriveImpl> drive(new LogicalDriveImpl());
    drive->SetDriveLetter("c:");
    computer.GetLogicalDrives()->Add(drive);
    computer.GetStorageDevices()->Add(boost::shared_ptr<StorageDeviceImpl>(new StorageDeviceImpl()));

    computer.Assign(AssetComputerImpl());

    EXPECT_EQ("VM", computer.Property(kAssetName).GetString());
    EXPECT_EQ("Lab", computer.Property(kLocation).GetString());
    EXPECT_EQ("lease", computer.GetLease()->Property(kLeaseUnused0).GetString());
    EXPECT_EQ("SSSSSSLSSSSLLSSSSSSSSVSSSSSVSSSS", Shape(computer.ComputerProperties()));
    EXPECT_EQ("", computer.Property(kDomain).GetString());
    EXPECT_EQ(0, computer.GetRam());
    EXPECT_EQ(VT_NULL, computer.GetBiosDate().vt);
    EXPECT_TRUE(computer.GetSoftware()->Members().empty());
    EXPECT_TRUE(computer.GetStorageDevices()->Members().empty());
    EXPECT_TRUE(computer.GetStorageDevices()->Added().empty());
    EXPECT_TRUE(computer.GetLogicalDrives()->Members().empty());
    EXPECT_TRUE(computer.GetNetworkAdapters()->Members().empty());
    EXPECT_TRUE(computer.GetPorts()->Values().empty());
    EXPECT_TRUE(computer.GetPrinters()->Values().empty());
    EXPECT_TRUE(computer.GetHotfixes()->Values().empty());
    EXPECT_FALSE(computer.GetPorts()->IsModified());
}

} // namespace
