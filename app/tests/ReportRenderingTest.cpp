// The results page of a computer filled here, against a checked-in page
// (numbers and dates in the platform's formats), single tags rendered on
// their own, and the exception report.

#include "app/ExceptionReportTagReplacer.h"
#include "app/ReportRendering.h"
#include "app/ResultsTagReplacer.h"
#include "audit/Audit.h"
#include "audit/AuditDocument.h"
#include "common/AppState.h"
#include "common/HtmlTemplate.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace AssetIMPL;

namespace {

class FixtureEngine : public AuditEngine {
public:
    void Run(const _bstr_t&) override {}
    void SetRemote(bool) override {}
    void SetMonitor(const std::string& description, const std::string& serial)
    {
        m_monitorDescription = description;
        m_monitorSerialNo = serial;
    }
};

class StringStream : public TemplateOutputStream {
public:
    int32_t WriteText(const char* text, size_t length, size_t* written) override
    {
        m_text.append(text, length);
        *written = length;
        return kStreamOk;
    }
    int32_t Flush() override { return kStreamOk; }
    std::string m_text;
};

// Dates and locale numbers marked by form, to see which form each tag asks.
class MarkingReplacer : public ResultsTagReplacer {
public:
    using ResultsTagReplacer::ResultsTagReplacer;

protected:
    std::string FormatDate(const _variant_t& date, bool longForm) override
    {
        return (longForm ? "long:" : "short:") + FormatVariantDate(date, longForm);
    }
    std::string FormatNumber(long value, bool localeForm) override
    {
        return (localeForm ? "locale:" : "plain:") + std::to_string(value);
    }
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

_variant_t Date(double oleDate)
{
    _variant_t value;
    value.vt = VT_DATE;
    value.date = oleDate;
    return value;
}

class ReportRenderingTest : public ::testing::Test {
protected:
    ReportRenderingTest() : m_document(m_app), m_engine(new FixtureEngine) { m_document.m_engine = m_engine; }

    AssetComputerImpl& Pc() { return m_engine->Result(); }

    void FillComputer()
    {
        AssetComputerImpl& pc = Pc();
        pc.Property(kAssetName).SetString("ACCT-PC7");
        pc.Property(kAssetType).SetString("Computer");
        pc.Property(kAssetTag).SetString("T-1001");
        pc.Property(kUserName).SetString("jsmith");
        pc.Property(kLocation).SetString("Central Office");
        pc.Property(kDepartment).SetString("Accounts &amp; Billing");
        pc.Property(kOffice).SetString("3-14");
        pc.Property(kManufacturer).SetString("Makerly");
        pc.Property(kDomain).SetString("CORP");
        pc.Property(kMotherboardDescription).SetString("Base Board");
        pc.Property(kCpuDescription).SetString("Fast CPU 3000");
        pc.SetRam(1024);
        pc.SetCpuSpeed(2994);
        pc.SetCpuCount(2);
        pc.Property(kBiosDate).SetVariant(Date(38061));      // 2004-03-15
        pc.Property(kOsInstallDate).SetVariant(Date(39449)); // 2008-01-02
        pc.Property(kOsDescription).SetString("Windows XP Professional");
        pc.GetPorts()->Add("USB");
        pc.GetPorts()->Add("Firewire");
        pc.GetPrinters()->Add("Laser 5");
        for (const char* hotfix : {"Q123456", "KB123456", "Q12345"}) {
            pc.GetHotfixes()->Add(hotfix);
        }
        boost::shared_ptr<NetworkAdapterImpl> adapter(new NetworkAdapterImpl);
        adapter->Property(kNic).SetString("Fast Ethernet");
        adapter->Property(kMacAddress).SetString("00:0C:29:3A:5B:7C");
        adapter->Property(kIpAddress).SetString("10.0.0.7");
        adapter->Property(kDhcp).SetBool(true);
        pc.GetNetworkAdapters()->Add(adapter);
        boost::shared_ptr<StorageDeviceImpl> disk(new StorageDeviceImpl);
        disk->Property(kStorageDeviceDescription).SetString("Disk drive");
        disk->Property(kStorageDeviceSize).SetLong(152587);
        pc.GetStorageDevices()->Add(disk);
        for (const char* letter : {"D", "C"}) {
            boost::shared_ptr<LogicalDriveImpl> drive(new LogicalDriveImpl);
            drive->Property(kLogicalDriveLetter).SetString(letter);
            drive->Property(kLogicalDriveFileSystem).SetString("NTFS");
            drive->Property(kLogicalDriveTotalSize).SetLong(76324);
            drive->Property(kLogicalDriveFreeSpace).SetLong(512);
            pc.GetLogicalDrives()->Add(drive);
        }
        boost::shared_ptr<AssetSoftwareImpl> title(new AssetSoftwareImpl);
        title->Property(kSoftwareDescription).SetString("Office Suite");
        title->Property(kSoftwareVersion).SetString("11.0");
        pc.GetSoftware()->Add(title);
        m_engine->SetUserFirstName("John");
        m_engine->SetUserLastName("Smith");
        m_engine->SetMonitor("Plug and Play Monitor", "MON123");
    }

    // Renders a template of the test's own against the document's result.
    std::string RenderTags(const std::string& text, ResultsTagReplacer* replacer = nullptr)
    {
        ResultsTagReplacer own(m_document);
        ResultsTagReplacer& used = replacer != nullptr ? *replacer : own;
        EXPECT_TRUE(used.Start());
        HtmlTemplate stencil;
        EXPECT_TRUE(stencil.Parse(text, used)) << stencil.Error();
        StringStream out;
        EXPECT_TRUE(stencil.Render(used, out));
        return out.m_text;
    }

    std::string RenderPage()
    {
        std::string path;
        EXPECT_TRUE(RenderResultsToTempFile(m_document, path));
        std::string page = ReadFile(path);
        char folder[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, folder);
        EXPECT_EQ(0u, path.find(std::string(folder) + "Kes")) << path;
        EXPECT_TRUE(DeleteFileA(path.c_str()));
        return page;
    }

    AppState m_app;
    AuditDocument m_document;
    boost::shared_ptr<FixtureEngine> m_engine;
};

} // namespace

// KES_UPDATE_GOLDEN=1 writes the page anew instead of comparing.
TEST_F(ReportRenderingTest, ResultsPageOfAFilledComputer)
{
    FillComputer();
    std::string page = RenderPage();
    std::string golden = std::string(std::getenv("KES_SOURCE_DIR")) + "/app/tests/data/results-page.htm";
    if (std::getenv("KES_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << page;
    }
    EXPECT_EQ(ReadFile(golden), page);
}

TEST_F(ReportRenderingTest, EmptyListsGiveTheirSentences)
{
    std::string page = RenderPage();
    for (const char* sentence :
         {"No network adapters are present on this computer.", "No storage devices are present on this computer.",
          "No logical drives are present on this computer.", "No printers are set up on this computer.",
          "No hotfixes are installed on this computer.", "There is no software installed on this computer."}) {
        EXPECT_NE(std::string::npos, page.find(sentence)) << sentence;
    }
    EXPECT_EQ(std::string::npos, page.find("class=\"C\""));
    EXPECT_NE(std::string::npos, page.find("<title>Kestrova(tm) - Asset Audit Results</title>"));
}

TEST_F(ReportRenderingTest, TagValues)
{
    FillComputer();
    const std::string user = "{{UserName}} {{UserFullName}}|";
    EXPECT_EQ("jsmith (John Smith)|", RenderTags(user));
    m_engine->SetUserMiddleInitial("Q");
    EXPECT_EQ("jsmith (John Q. Smith)|", RenderTags(user));
    m_engine->SetUserFirstName("");
    EXPECT_EQ("jsmith |", RenderTags(user));

    EXPECT_EQ("[USB Firewire ]", RenderTags("[{{Ports}}]"));
    EXPECT_EQ("link:Q123456 text:KB123456 text:Q12345 ",
              RenderTags("{{while HasHotfixes}}{{if KBHotfix}}link{{else}}text{{endif}}:{{HotfixDescription}} "
                         "{{NextHotfix}}{{endwhile}}"));
    EXPECT_EQ("C,D,", RenderTags("{{while HasLogicalDrives}}{{LogicalDriveLetter}},{{NextLogicalDrive}}{{endwhile}}"));
    EXPECT_EQ("Yes", RenderTags("{{DHCP}}"));

    MarkingReplacer marking(m_document);
    EXPECT_EQ("plain:1024 plain:2994 plain:2 locale:152587 locale:76324 locale:512",
              RenderTags("{{RAM}} {{CPUSpeed}} {{CPUNo}} {{StorageDeviceSize}} {{LogicalDriveTotalSize}} "
                         "{{LogicalDriveFreeSpace}}",
                         &marking));
    std::string dates = RenderTags("{{BIOSDate}}|{{OSInstallDate}}", &marking);
    EXPECT_EQ(0u, dates.find("short:3/15/2004|long:")) << dates;
    EXPECT_NE(std::string::npos, dates.find("2008")) << dates;

    Pc().Property(kBiosDate).SetVariant(_variant_t());
    EXPECT_EQ("", RenderTags("{{BIOSDate}}"));
    EXPECT_EQ("76,324", FormatLongValue(76324, true));
    EXPECT_EQ("-76324", FormatLongValue(-76324, false));
}

// A value read from the computer (a program's name in the registry) or from a
// result file shows as text: no markup of it reaches the page, and an entity
// the audit's sanitising left in a value is not escaped a second time.
TEST_F(ReportRenderingTest, ValuesAreWrittenAsPageText)
{
    FillComputer();
    boost::shared_ptr<AssetSoftwareImpl> title(new AssetSoftwareImpl);
    title->Property(kSoftwareDescription).SetString("Tools <beta> & <script>alert(7)</script>");
    title->Property(kSoftwareManufacturer).SetString("Q&A \"Labs\"");
    title->Property(kSoftwareVersion).SetString("&lt;2.0&gt;");
    Pc().GetSoftware()->Add(title);
    Pc().Property(kAssetName).SetString("PC<img src=x onerror=alert(8)>");
    // Seven characters starting with Q: written into a link's address.
    Pc().GetHotfixes()->Add("Q\"><i>1");

    std::string page = RenderPage();
    for (const char* text :
         {"<td class=\"D\">Tools &lt;beta&gt; & &lt;script&gt;alert(7)&lt;/script&gt;&nbsp;</td>",
          "<td class=\"D\">Q&A &quot;Labs&quot;&nbsp;</td>", "<td class=\"D\">&lt;2.0&gt;&nbsp;</td>",
          "<td class=\"D\">PC&lt;img src=x onerror=alert(8)&gt;</td>",
          "en-us;Q&quot;&gt;&lt;i&gt;1\" target=", "<td class=\"D\">Accounts &amp; Billing</td>"}) {
        EXPECT_NE(std::string::npos, page.find(text)) << text;
    }
    for (const char* markup : {"<beta>", "<script>alert", "</script>&", "<img src=x", "<i>", "en-us;Q\"", "&amp;lt;"}) {
        EXPECT_EQ(std::string::npos, page.find(markup)) << markup;
    }
}

TEST_F(ReportRenderingTest, NoEngineIsAFailure)
{
    m_document.m_engine.reset();
    std::string path;
    EXPECT_FALSE(RenderResultsToTempFile(m_document, path));
    DeleteFileA(path.c_str());
    ResultsTagReplacer replacer(m_document);
    StringStream out;
    EXPECT_FALSE(RenderResultsPage(replacer, &out));
    EXPECT_FALSE(replacer.LastError().empty());
    m_document.m_engine = m_engine;
    EXPECT_FALSE(RenderResultsPage(replacer, nullptr));
    EXPECT_EQ("Stream can't be null", replacer.LastError());
}

// The names come from the network's lists: markup in one shows as text.
TEST(ExceptionReport, ListsTheComputersNotAudited)
{
    std::vector<std::string> unresponsive{"PC-B", "PC-A&<1>"};
    std::vector<std::string> nonNt{"<script>alert(9)</script>&amp;\"X\""};
    std::string path;
    ASSERT_TRUE(RenderExceptionReportToTempFile(unresponsive, nonNt, path));
    std::string page = ReadFile(path);
    EXPECT_NE(std::string::npos, path.find("\\Exc")) << path;
    DeleteFileA(path.c_str());

    const std::string rows = "<table width=\"100%\"><tr><td class=\"L\" colspan=\"2\">PC-B</td></tr>"
                             "<tr><td class=\"L\" colspan=\"2\">PC-A&&lt;1&gt;</td></tr></table>";
    size_t first = page.find("Unresponsive Computers");
    size_t second = page.find("Computers without WMI installed or running Microsoft Windows 95/98/ME");
    ASSERT_NE(std::string::npos, second);
    EXPECT_NE(std::string::npos, page.find(rows, first));
    EXPECT_LT(page.find(rows, first), second);
    EXPECT_NE(std::string::npos, page.find("<table width=\"100%\"><tr><td class=\"L\" colspan=\"2\">"
                                           "&lt;script&gt;alert(9)&lt;/script&gt;&amp;&quot;X&quot;</td></tr></table>",
                                           second));
    EXPECT_EQ(std::string::npos, page.find("<script>alert"));
    EXPECT_EQ(std::string::npos, page.find("<1>"));
    EXPECT_NE(std::string::npos, page.find("<title>Kestrova Plus(tm) - Audit Exception Report</title>"));
}
