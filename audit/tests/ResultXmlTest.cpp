#include "audit/AuditDocument.h"
#include "audit/ResultXml.h"
#include "audit/SanitizeText.h"

#include "asset/Exceptions.h"
#include "common/AppState.h"
#include "common/TextHelpers.h"
#include "audit/AuditEngineFactory.h"
#include "common/XmlDocument.h"
#include "common/tests/RecordedNotices.h"
#include "common/tests/TestData.h"

#include <gtest/gtest.h>

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

using namespace AssetIMPL;

namespace {

// An engine whose result the test fills by hand.
class HandBuiltAudit : public AuditEngine {
public:
    HandBuiltAudit() = default;
    ~HandBuiltAudit() override = default;
    void Run(const _bstr_t&) override {}
    void SetRemote(bool) override {}
    void SetMonitor(const std::string& description, const std::string& serialNo)
    {
        m_monitorDescription = description;
        m_monitorSerialNo = serialNo;
    }
};

const char kFixedGuid[] = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";

void FillComputer(HandBuiltAudit& audit)
{
    AssetComputerImpl& pc = audit.Result();
    const std::pair<GenericProp, std::string> generic[] = {
        {kAssetName, "PC1"},   {kUserName, "jdoe"},       {kManufacturer, SanitizeText("Maker <Inc>")},
        {kModel, "M-1"},       {kSerialNo, "SN1"},        {kAssetType, "Desktop"},
        {kLocation, "Room 5"}, {kDepartment, "IT & Ops"}, {kAssetTag, "T-100"}};
    for (const auto& p : generic) {
        pc.Property(p.first).SetString(p.second);
    }
    const std::pair<ComputerProp, std::string> own[] = {{kGuid, kFixedGuid},
                                                        {kKeyboardSerialNo, "KB9"},
                                                        {kDomain, "WORKGROUP"},
                                                        {kMotherboardDescription, "Board"},
                                                        {kCpuDescription, "CPU 'x'"},
                                                        {kOsDescription, "Microsoft Windows XP"},
                                                        {kServicePack, "Service Pack 2"},
                                                        {kMonitorDeviceId, "MON1"}};
    for (const auto& p : own) {
        pc.Property(p.first).SetString(p.second);
    }
    pc.Property(kRam).SetLong(1024);
    pc.Property(kCpuSpeed).SetLong(-1);
    pc.Property(kCpuNo).SetLong(2);
    VARIANT date;
    VariantInit(&date);
    date.vt = VT_DATE;
    date.date = 38061.0; // 3/15/2004
    pc.Property(kBiosDate).SetVariant(date);

    boost::shared_ptr<NetworkAdapterImpl> nic(new NetworkAdapterImpl());
    nic->Property(kNic).SetString("Adapter A");
    nic->Property(kMacAddress).SetString("00:11:22:33:44:55");
    nic->Property(kIpAddress).SetString("10.0.0.5");
    nic->Property(kDhcp).SetBool(true);
    pc.GetNetworkAdapters()->Add(nic);

    boost::shared_ptr<StorageDeviceImpl> disk(new StorageDeviceImpl());
    disk->Property(kStorageDeviceId).SetString("IDE\\DISK0");
    disk->Property(kStorageDeviceDescription).SetString("Disk");
    disk->Property(kStorageDeviceType).SetString("Hard Drive");
    disk->Property(kStorageDeviceSize).SetLong(76324);
    pc.GetStorageDevices()->Add(disk);

    boost::shared_ptr<LogicalDriveImpl> drive(new LogicalDriveImpl());
    drive->SetDriveLetter("z:");
    drive->Property(kNetworkDrive).SetBool(true);
    drive->Property(kLogicalDrivePath).SetString("\\\\srv\\share");
    drive->SetFreeSpace(10);
    drive->SetTotalSize(20);
    pc.GetLogicalDrives()->Add(drive);

    pc.GetPorts()->Add("COM1");
    pc.GetPorts()->Add("LPT1");
    pc.GetPrinters()->Add(SanitizeText("Printer A<B"));
    pc.GetHotfixes()->Add("KB123456");

    boost::shared_ptr<AssetSoftwareImpl> title(new AssetSoftwareImpl());
    title->SetId("{ABC}");
    title->Property(kSoftwareDescription).SetString("Editor \"Pro\"");
    title->Property(kSoftwareVersion).SetString("1.0");
    pc.GetSoftware()->Add(title);

    audit.SetUserFirstName("Jane");
    audit.SetUserMiddleInitial("Q");
    audit.SetUserLastName("Doe");
    audit.SetMonitor("Monitor", "MSN42");
}

TEST(ResultXml, FullComputerMatchesTheGoldenFile)
{
    HandBuiltAudit audit;
    FillComputer(audit);
    std::string xml = BuildResultXml(audit, "1.2");
    EXPECT_EQ(ReadWholeFile(TestDataPath("audit/tests/data/full.kes")), xml);
}

TEST(ResultXml, EmptyComputerMatchesTheGoldenFile)
{
    HandBuiltAudit audit;
    audit.Result().Property(kGuid).SetString(kFixedGuid);
    std::string xml = BuildResultXml(audit, "1.2");
    EXPECT_EQ(ReadWholeFile(TestDataPath("audit/tests/data/empty.kes")), xml);
}

TEST(ResultXml, MadeUpKeysAndWrongTypes)
{
    HandBuiltAudit audit;
    boost::shared_ptr<AssetSoftwareImpl> title(new AssetSoftwareImpl());
    audit.Result().GetSoftware()->Add(title);
    std::string xml = BuildResultXml(audit, "1.2");
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument(xml.c_str()));
    ASSERT_TRUE(doc.FindElement("/Kestrova/GUID"));
    EXPECT_EQ(audit.Result().GetGuid(), doc.GetElementText());
    EXPECT_EQ(38u, doc.GetElementText().size());
    ASSERT_TRUE(doc.FindElement("/Kestrova/Software/Title"));
    EXPECT_EQ(38u, doc.GetAttribute("id").size());
    EXPECT_EQ(title->GetId(), doc.GetAttribute("id")); // the made-up id is kept

    audit.Result().Property(kRam) = AssetPropertyValue(AssetPropertyType::String);
    try {
        BuildResultXml(audit, "1.2");
        ADD_FAILURE();
    } catch (const t_exception& e) {
        EXPECT_STREQ("Invalid Asset Property Data Type", e.what());
        EXPECT_EQ(E_FAIL, e.Code());
    }
    audit.Result().Property(kRam) = AssetPropertyValue(AssetPropertyType::Long);
    audit.Result().Property(kBiosDate) = AssetPropertyValue(AssetPropertyType::String);
    try {
        BuildResultXml(audit, "1.2");
        ADD_FAILURE();
    } catch (const t_exception& e) {
        EXPECT_STREQ("invalid asset property data type", e.what());
    }
}

// True when the bytes are well-formed UTF-8.
bool IsUtf8(const std::string& bytes)
{
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

TEST(ResultXml, TextsOfTheCodePageBecomeUtf8)
{
    ASSERT_EQ(1252u, GetACP()); // the test prefix's code page
    HandBuiltAudit audit;
    FillComputer(audit);
    AssetComputerImpl& pc = audit.Result();
    pc.Property(kLocation).SetString("Z\xFCrich B\xFCro");
    pc.Property(kCpuType).SetString(std::string("x86 \x01") + "Family\x1B 6"); // written unsanitized
    pc.GetPrinters()->Add(SanitizeText("Dru\xE7ker <\xA7 3>"));
    boost::shared_ptr<AssetSoftwareImpl> title(new AssetSoftwareImpl());
    title->SetId("{DEF}");
    title->Property(kSoftwareDescription).SetString(SanitizeText("M\xFCller B\xFCro Software"));
    title->Property(kSoftwareManufacturer).SetString("\x80 Euro & Co");
    pc.GetSoftware()->Add(title);
    audit.SetUserLastName("D\xF6ring");

    const std::string xml = BuildResultXml(audit, "1.2");
    EXPECT_TRUE(IsUtf8(xml));
    for (const char* part : {"location=\"Z\xC3\xBCrich B\xC3\xBCro\"", "type=\"x86 Family 6\"",
                             "<Printer>Dru\xC3\xA7ker &amp;lt;\xC2\xA7 3&amp;gt;</Printer>",
                             "desc=\"M\xC3\xBCller B\xC3\xBCro Software\" mfg=\"\xE2\x82\xAC Euro &amp; Co\"",
                             "lname=\"D\xC3\xB6ring\""}) {
        EXPECT_NE(std::string::npos, xml.find(part)) << part;
    }
    // Plain ASCII values are written as they stand.
    EXPECT_NE(std::string::npos, xml.find("department=\"IT &amp; Ops\""));
}

void WriteText(const char* path, const std::string& text)
{
    FILE* f = fopen(path, "wb");
    ASSERT_NE(nullptr, f);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

TEST(ResultFile, SavesOnlyCompletedAuditsAndReports)
{
    RecordedBoxes boxes;
    RecordingLog tap;
    SetAuditLogTap(&tap);
    AppState app;
    AuditDocument document(app);
    EXPECT_EQ("", document.WriteResultXml());

    // Before an audit completed the old file stays and the save fails.
    WriteText("PC1.kes", "old result");
    EXPECT_FALSE(document.SaveResultFile("PC1.kes"));
    EXPECT_EQ("old result", ReadWholeFile("PC1.kes"));

    HandBuiltAudit* audit = new HandBuiltAudit();
    document.m_engine.reset(audit);
    FillComputer(*audit);
    EXPECT_FALSE(document.SaveResultFile("PC1.kes")); // engine, but not completed
    document.m_completed = true;
    EXPECT_TRUE(document.SaveResultFile("PC1.kes"));
    const std::string golden = ReadWholeFile(TestDataPath("audit/tests/data/full.kes"));
    EXPECT_EQ(golden, ReadWholeFile("PC1.kes"));

    // Remote audits and unattended runs save without a word.
    document.m_remote = true;
    EXPECT_TRUE(document.SaveResultFile("remote.kes"));
    document.m_remote = false;
    app.m_runMode = kRunMinimal;
    EXPECT_TRUE(document.SaveResultFile("minimal.kes"));
    // A folder that is a plain file: nothing can be created there. Unattended,
    // the failure goes to the log, which is opened for it.
    WriteText("notafolder", "x");
    EXPECT_FALSE(document.SaveResultFile("notafolder\\PC1.kes"));
    app.m_runMode = kRunInteractive;
    EXPECT_FALSE(document.SaveResultFile("notafolder\\PC1.kes"));
    SetAuditLogTap(nullptr);

    // A failed write says why, in the system's words.
    const std::string failed = "Could not save the audit results to file.";
    const std::string noFolder = failed + " " + SystemErrorText(ERROR_DIRECTORY);
    const std::string saved = "Audit results have been saved successfully.";
    EXPECT_EQ((std::vector<std::string>{failed, failed, saved, noFolder}), boxes.Texts());
    EXPECT_EQ((std::vector<UINT>{MB_OK | MB_ICONERROR, MB_OK | MB_ICONERROR, MB_OK | MB_ICONINFORMATION,
                                 MB_OK | MB_ICONERROR}),
              boxes.Types());
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{3, noFolder}}), tap.m_entries);

    // A saved file reads back as the same elements; the extra line ends are
    // whitespace between them.
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile("PC1.kes"));
    ASSERT_TRUE(doc.FindElement("/Kestrova/UserEntered"));
    EXPECT_EQ("IT & Ops", doc.GetAttribute("department"));
    ASSERT_TRUE(doc.FindElement("/Kestrova/Printers/Printer"));
    EXPECT_EQ("Printer A&lt;B", doc.GetElementText());
}

} // namespace
