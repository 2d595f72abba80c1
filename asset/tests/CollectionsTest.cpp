#include "asset/AssetComputerImpl.h"

#include <gtest/gtest.h>

#include <vector>

using namespace AssetIMPL;

namespace {

template <class Collection>
std::string MemberKeys(const Collection& collection)
{
    std::string keys;
    for (const auto& member : collection.Members()) {
        keys += member->Properties()[0].GetString() + ",";
    }
    return keys;
}

template <class Collection>
std::string AddedKeys(const Collection& collection)
{
    std::string keys;
    for (const auto& member : collection.Added()) {
        keys += member->Properties()[0].GetString() + ",";
    }
    return keys;
}

template <class Collection>
void AddAll(Collection& collection, const std::vector<std::string>& keys)
{
    typedef typename Collection::Part::element_type Part;
    for (const std::string& key : keys) {
        boost::shared_ptr<Part> part(new Part());
        part->Properties()[0].SetString(key);
        collection.Add(part);
    }
}

// Sorted collections order by property 0 as bytes (upper case first);
// storage devices keep the order of addition. The added list is always in
// the order of addition.
TEST(Collections, OrderingAndChangeStates)
{
    struct Case {
        const char* name;
        std::vector<std::string> keys;
        const char* members;
    } cases[] = {
        {"software", {"b", "A", "a"}, "A,a,b,"},
        {"storage devices", {"Zip", "Disk", "Apple"}, "Zip,Disk,Apple,"},
        {"logical drives", {"D:", "C:", "Z:"}, "C:,D:,Z:,"},
        {"network adapters", {"Wireless", "Ethernet", "ethernet"}, "Ethernet,Wireless,ethernet,"},
    };
    AssetComputerImpl computer;
    std::string members[4], added[4], states[4];
    AddAll(*computer.GetSoftware(), cases[0].keys);
    AddAll(*computer.GetStorageDevices(), cases[1].keys);
    AddAll(*computer.GetLogicalDrives(), cases[2].keys);
    AddAll(*computer.GetNetworkAdapters(), cases[3].keys);
    members[0] = MemberKeys(*computer.GetSoftware());
    members[1] = MemberKeys(*computer.GetStorageDevices());
    members[2] = MemberKeys(*computer.GetLogicalDrives());
    members[3] = MemberKeys(*computer.GetNetworkAdapters());
    added[0] = AddedKeys(*computer.GetSoftware());
    added[1] = AddedKeys(*computer.GetStorageDevices());
    added[2] = AddedKeys(*computer.GetLogicalDrives());
    added[3] = AddedKeys(*computer.GetNetworkAdapters());
    states[0] = computer.GetSoftware()->ChangeStateText();
    states[1] = computer.GetStorageDevices()->ChangeStateText();
    states[2] = computer.GetLogicalDrives()->ChangeStateText();
    states[3] = computer.GetNetworkAdapters()->ChangeStateText();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(cases[i].members, members[i]);
        std::string order;
        for (const std::string& key : cases[i].keys) {
            order += key + ",";
        }
        EXPECT_EQ(order, added[i]);
        EXPECT_EQ("111", states[i]);
    }
    EXPECT_EQ("", SoftwareCollection().ChangeStateText());
}

// Membership is by identity: the same object twice is refused and changes
// nothing, an equal but distinct object is taken.
TEST(Collections, AddingTheSameObjectTwice)
{
    StorageDeviceCollection devices;
    boost::shared_ptr<StorageDeviceImpl> disk(new StorageDeviceImpl());
    disk->Property(kStorageDeviceDescription).SetString("Disk");
    devices.Add(disk);
    try {
        devices.Add(disk);
        ADD_FAILURE() << "no exception";
    } catch (const ondelmark_com_error& e) {
        EXPECT_EQ(static_cast<HRESULT>(0x800403EB), e.Code());
    }
    EXPECT_EQ(1u, devices.Members().size());
    EXPECT_EQ(1u, devices.Added().size());

    SoftwareCollection software;
    boost::shared_ptr<AssetSoftwareImpl> first(new AssetSoftwareImpl());
    boost::shared_ptr<AssetSoftwareImpl> second(new AssetSoftwareImpl());
    for (auto& title : {first, second}) {
        title->Property(kSoftwareDescription).SetString("Same");
        title->SetId("{1}");
    }
    software.Add(first);
    EXPECT_THROW(software.Add(first), t_exception);
    software.Add(second);
    EXPECT_EQ(2u, software.Members().size());
    EXPECT_EQ("11", software.ChangeStateText());
}

// Many parts at once: the same members, added list and change states as one
// Add after another; a part already there, or given twice, changes nothing.
TEST(Collections, AddingManyAtOnce)
{
    SoftwareCollection software;
    AddAll(software, {"m"});
    SoftwareCollection::PartVector parts;
    for (const char* key : {"b", "A", "z", "a"}) {
        parts.emplace_back(new AssetSoftwareImpl());
        parts.back()->Property(kSoftwareDescription).SetString(key);
    }
    software.AddAll(parts);
    EXPECT_EQ("A,a,b,m,z,", MemberKeys(software));
    EXPECT_EQ("m,b,A,z,a,", AddedKeys(software));
    EXPECT_EQ("11111", software.ChangeStateText());

    boost::shared_ptr<AssetSoftwareImpl> fresh(new AssetSoftwareImpl());
    EXPECT_THROW(software.AddAll({fresh, parts[2]}), t_exception);
    EXPECT_THROW(software.AddAll({fresh, fresh}), t_exception);
    EXPECT_EQ(5u, software.Members().size());
    EXPECT_EQ(5u, software.Added().size());
}

TEST(Collections, StringLists)
{
    StringCollectionImpl ports;
    EXPECT_FALSE(ports.IsModified());
    ports.Add("  COM1\t");
    ports.Add("LPT1");
    ports.Add("");
    ASSERT_EQ(3u, ports.Values().size());
    EXPECT_EQ("COM1", ports.Values()[0].GetString());
    EXPECT_EQ("LPT1", ports.Values()[1].GetString());
    EXPECT_EQ("", ports.Values()[2].GetString());
    for (const AssetPropertyValue& value : ports.Values()) {
        EXPECT_FALSE(value.IsModified());
    }
    EXPECT_TRUE(ports.IsModified());

    StringCollectionImpl copy(ports);
    EXPECT_FALSE(copy.IsModified());
    ASSERT_EQ(3u, copy.Values().size());
    EXPECT_EQ("LPT1", copy.Values()[1].GetString());

    copy.Clear();
    EXPECT_TRUE(copy.Values().empty());
    EXPECT_TRUE(copy.IsModified());
    EXPECT_EQ(3u, ports.Values().size());
}

// An empty collection's VARIANT form is VT_NULL and its copy needs no type
// library (COM is not even initialised here).
TEST(Collections, EmptyCollectionsCopyWithoutTheTypeLibrary)
{
    NetworkAdapterCollection adapters;
    VARIANT form;
    adapters.ToVariant(&form);
    EXPECT_EQ(VT_NULL, form.vt);
    NetworkAdapterCollection copy(adapters);
    EXPECT_TRUE(copy.Members().empty());
    copy.FromVariant(form);
    EXPECT_TRUE(copy.Members().empty());
    VARIANT empty;
    VariantInit(&empty);
    copy.FromVariant(empty);
    EXPECT_TRUE(copy.Members().empty());
}

} // namespace
