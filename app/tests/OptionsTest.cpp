// The option sheets on a display, driven from a second thread the way an
// operator would: fields typed, tabs changed, buttons pressed. Message boxes
// are recorded with whether the busy window was up when they came.
#include "app/BrowseForFolder.h"
#include "app/tests/AppDriver.h"
#include "app/tests/KestrovaRun.h"
#include "app/tests/WindowShot.h"
#include "common/AppState.h"
#include "resources/resource.h"
#include "winui/View.h"

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Drives an open property sheet from another thread.
class SheetDriver {
public:
    explicit SheetDriver(const char* title) : m_sheet(WaitFor([title] { return VisibleDialog(title); })) {}

    bool IsOpen() const { return m_sheet != nullptr && IsWindow(m_sheet); }
    HWND Sheet() const { return m_sheet; }
    HWND Page() const { return reinterpret_cast<HWND>(SendMessageA(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    void ShowPage(int index) const { SendMessageA(m_sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0); }

    void Type(int id, const std::string& text) const
    {
        SendMessageA(GetDlgItem(Page(), id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    std::string Text(int id) const
    {
        char text[512] = {};
        SendMessageA(GetDlgItem(Page(), id), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool Checked(int id) const { return SendMessageA(GetDlgItem(Page(), id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(Page(), id)) != FALSE; }
    void Click(int id) const { SendMessageA(GetDlgItem(Page(), id), BM_CLICK, 0, 0); }
    void Ok() const { Press(PSBTN_OK); }
    void Cancel() const { Press(PSBTN_CANCEL); }
    // True once the sheet has gone.
    bool Closes() const
    {
        return WaitFor([this] { return IsWindow(m_sheet) ? nullptr : m_sheet; }) != nullptr;
    }

private:
    // The press is handled before this returns, so its messages are in; the
    // posted message then wakes the sheet's loop to notice that it ended.
    void Press(int button) const
    {
        SendMessageA(m_sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
        PostMessageA(m_sheet, WM_NULL, 0, 0);
    }

    HWND m_sheet;
};

class Options : public AppDriverTest {};

// The system's folder dialog, known by the title text the program gives it.
HWND FolderBrowser(const std::string& title)
{
    for (HWND dialog = FindWindowA("#32770", nullptr); dialog != nullptr;
         dialog = FindWindowExA(nullptr, dialog, "#32770", nullptr)) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (IsWindowVisible(dialog) && WindowText(child) == title) {
                return dialog;
            }
        }
    }
    return nullptr;
}

const char kRangeText[] = "Please enter an integer between 1 and 65535.";
const char kPathText[] = "Path specified is invalid. Please enter a valid log file path.";

} // namespace

TEST_F(Options, PagesCheckTheirFieldsAndOkWritesTheFile)
{
    struct {
        std::string port;
        std::string server;
        bool logChecked = true;
        bool pathEnabled = true;
        std::string pathAfterRecheck;
        bool closed = false;
    } seen;
    const std::string logFolder = m_folder + "\\logs\\";
    RunWithDriver(ID_OPTIONS, [&] {
        SheetDriver sheet("Kestrova Options");
        if (!sheet.IsOpen()) {
            return;
        }
        // No configuration file: the defaults.
        seen.port = sheet.Text(IDC_OPT_PORT);
        seen.server = sheet.Text(IDC_OPT_SERVER);
        SaveWindowShot(sheet.Sheet(), "options-ondelmark");

        sheet.Type(IDC_OPT_DATABASE, "assets");
        sheet.Type(IDC_OPT_USER_NAME, "admin");
        sheet.Ok();
        sheet.Type(IDC_OPT_SERVER, "127.0.0.1");
        for (const char* port : {"0", "70000"}) {
            sheet.Type(IDC_OPT_PORT, port);
            sheet.Ok();
        }
        // The test runs with the password still empty; filling it in before
        // OK leaves nothing to report about it.
        sheet.Type(IDC_OPT_PORT, std::to_string(kServerPort));
        sheet.Click(IDC_OPT_TEST_LOGIN);
        sheet.Type(IDC_OPT_PASSWORD, "s3cret");

        sheet.ShowPage(1);
        seen.logChecked = sheet.Checked(IDC_LOG_ERRORS);
        seen.pathEnabled = sheet.Enabled(IDC_LOG_PATH);
        sheet.Click(IDC_LOG_ERRORS);
        sheet.Type(IDC_LOG_PATH, "C");
        SaveWindowShot(sheet.Sheet(), "options-error-log");
        sheet.Ok();

        sheet.Type(IDC_LOG_PATH, "C:\\logs");
        sheet.Click(IDC_LOG_ERRORS);
        sheet.Click(IDC_LOG_ERRORS);
        seen.pathAfterRecheck = sheet.Text(IDC_LOG_PATH);
        sheet.Type(IDC_LOG_PATH, logFolder);
        sheet.Click(IDC_LOG_USE_DEFAULT_NAME);
        sheet.Ok();
        seen.closed = sheet.Closes();
    });

    EXPECT_EQ("80", seen.port);
    EXPECT_EQ("", seen.server);
    EXPECT_FALSE(seen.logChecked);
    EXPECT_FALSE(seen.pathEnabled);
    EXPECT_EQ("", seen.pathAfterRecheck);
    EXPECT_TRUE(seen.closed);
    const std::vector<std::string> expected = {
        "The following fields are required:\r\n\r\nOndelmark Server\r\nPassword\r\n",
        kRangeText,
        kRangeText,
        "Success!",
        kPathText,
    };
    EXPECT_EQ(expected, BoxTexts());
    for (const Box& box : Boxes()) {
        EXPECT_FALSE(box.busyVisible) << box.text;
    }
    // The test sent what the page showed at that moment.
    const std::string requests = Requests();
    EXPECT_NE(std::string::npos, requests.find("\"method\": \"TestLogin\"")) << requests;
    EXPECT_NE(std::string::npos, requests.find("\"uid\": \"admin\"")) << requests;
    EXPECT_NE(std::string::npos, requests.find("\"db\": \"assets\"")) << requests;

    // The record, the file and what the shared reader makes of it.
    EXPECT_TRUE(GetAppState().m_config.m_loaded);
    const std::string file = ReadFileText("kestrova.cfg");
    EXPECT_EQ(std::string::npos, file.find("s3cret")) << file;
    ConfigFile reread;
    ASSERT_TRUE(reread.Load()) << file;
    EXPECT_EQ("127.0.0.1", reread.GetServer());
    EXPECT_EQ(kServerPort, reread.m_port);
    EXPECT_EQ("assets", reread.GetDatabase());
    EXPECT_EQ("admin", reread.GetUserName());
    EXPECT_EQ("s3cret", reread.GetPassword());
    EXPECT_TRUE(reread.m_logErrors);
    EXPECT_EQ(logFolder, reread.GetLogPath());
    EXPECT_EQ(1, reread.m_logNameOption);

    // A saved configuration turns both lookups on.
    HWND form = m_app.GetView()->GetHandle();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(form, IDC_SERVER_LOOKUP)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(form, IDC_DIRECTORY_LOOKUP)));

    // Opened again, the sheet shows the file; Cancel changes nothing.
    struct {
        std::string server, port, database, user, password, path;
        bool logChecked = false, defaultName = false, pathEnabled = false;
    } reopened;
    RunWithDriver(ID_OPTIONS, [&] {
        SheetDriver sheet("Kestrova Options");
        if (!sheet.IsOpen()) {
            return;
        }
        reopened.server = sheet.Text(IDC_OPT_SERVER);
        reopened.port = sheet.Text(IDC_OPT_PORT);
        reopened.database = sheet.Text(IDC_OPT_DATABASE);
        reopened.user = sheet.Text(IDC_OPT_USER_NAME);
        reopened.password = sheet.Text(IDC_OPT_PASSWORD);
        sheet.ShowPage(1);
        reopened.logChecked = sheet.Checked(IDC_LOG_ERRORS);
        reopened.path = sheet.Text(IDC_LOG_PATH);
        reopened.pathEnabled = sheet.Enabled(IDC_LOG_PATH);
        reopened.defaultName = sheet.Checked(IDC_LOG_USE_DEFAULT_NAME);
        sheet.Type(IDC_LOG_PATH, "changed but cancelled");
        sheet.Cancel();
    });
    EXPECT_EQ("127.0.0.1", reopened.server);
    EXPECT_EQ(std::to_string(kServerPort), reopened.port);
    EXPECT_EQ("assets", reopened.database);
    EXPECT_EQ("admin", reopened.user);
    EXPECT_EQ("s3cret", reopened.password);
    EXPECT_TRUE(reopened.logChecked);
    EXPECT_TRUE(reopened.pathEnabled);
    EXPECT_EQ(logFolder, reopened.path);
    EXPECT_TRUE(reopened.defaultName);
    EXPECT_EQ(file, ReadFileText("kestrova.cfg"));
}

TEST_F(Options, TestButtonReportsTheServersRefusal)
{
    // Each message is the heading and the reason, each on its own line. A
    // port where a service that is no web server answers is no success.
    const std::string heading = "Unable to verify Ondelmark login credentials.\r\n";
    const struct {
        int port;
        const char* answer;
        std::string text;
    } kCases[] = {
        {kServerPort, "{\"mode\": \"fault\", \"text\": \"Login refused\"}", heading + "Login refused\r\n"},
        {kServerPort, "{\"mode\": \"emptyfault\"}",
         heading + "Error: The Ondelmark server did not specify an error.\r\n"},
        {kSshBannerPort, "{\"mode\": \"ok\"}",
         heading + "The Ondelmark server at 127.0.0.1:20651 did not answer in SOAP (\"" + kSshBanner + "\").\r\n"},
        {kMailBannerPort, "{\"mode\": \"ok\"}",
         heading + "The Ondelmark server at 127.0.0.1:20652 did not answer in SOAP (\"" + kMailBanner + "\").\r\n"},
    };
    const size_t cases = sizeof(kCases) / sizeof(kCases[0]);
    RunWithDriver(ID_OPTIONS, [&] {
        SheetDriver sheet("Kestrova Options");
        if (!sheet.IsOpen()) {
            return;
        }
        sheet.Type(IDC_OPT_SERVER, "127.0.0.1");
        for (const auto& c : kCases) {
            Answer(c.answer);
            sheet.Type(IDC_OPT_PORT, std::to_string(c.port));
            sheet.Click(IDC_OPT_TEST_LOGIN);
        }
        // A port out of range stops the test before anything is sent.
        sheet.Type(IDC_OPT_PORT, "0");
        sheet.Click(IDC_OPT_TEST_LOGIN);
        sheet.Cancel();
    });
    const std::vector<Box> boxes = Boxes();
    ASSERT_EQ(cases + 1, boxes.size());
    for (size_t i = 0; i < cases; ++i) {
        EXPECT_EQ(kCases[i].text, boxes[i].text);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), boxes[i].type);
    }
    EXPECT_EQ(kRangeText, boxes[cases].text);
    for (const Box& box : boxes) {
        EXPECT_FALSE(box.busyVisible) << box.text;
    }
    EXPECT_FALSE(FileExists("kestrova.cfg"));
}

TEST_F(Options, DebugSheetOpensWithFixedStatesAndSetsThePickerWords)
{
    const int scopeBoxes[] = {IDC_SCOPE_STARTING_SCOPE, IDC_SCOPE_PROVIDER_WINNT, IDC_SCOPE_PROVIDER_LDAP,
                              IDC_SCOPE_PROVIDER_GC,    IDC_SCOPE_SID_PATH,       IDC_SCOPE_DOWNLEVEL_BUILTIN_PATH};
    const int typeBoxes[] = {IDC_TYPE_UPLEVEL_JOINED_DOMAIN,
                             IDC_TYPE_DOWNLEVEL_JOINED_DOMAIN,
                             IDC_TYPE_ENTERPRISE_DOMAIN,
                             IDC_TYPE_GLOBAL_CATALOG,
                             IDC_TYPE_EXTERNAL_UPLEVEL_DOMAIN,
                             IDC_TYPE_EXTERNAL_DOWNLEVEL_DOMAIN,
                             IDC_TYPE_WORKGROUP,
                             IDC_TYPE_USER_ENTERED_UPLEVEL_SCOPE,
                             IDC_TYPE_USER_ENTERED_DOWNLEVEL_SCOPE};
    // One opening: the check states of both pages, then the changes made.
    auto run = [&](bool change, bool ok) {
        std::vector<bool> states;
        RunWithDriver(ID_NETWORK_OPTIONS, [&] {
            SheetDriver sheet("Debug Network Enumeration Options");
            if (!sheet.IsOpen()) {
                return;
            }
            for (int id : scopeBoxes) {
                states.push_back(sheet.Checked(id));
            }
            if (change) {
                sheet.Click(IDC_SCOPE_STARTING_SCOPE);
                sheet.Click(IDC_SCOPE_PROVIDER_WINNT);
                SaveWindowShot(sheet.Sheet(), "debug-scope");
            }
            sheet.ShowPage(1);
            for (int id : typeBoxes) {
                states.push_back(sheet.Checked(id));
            }
            if (change) {
                sheet.Click(IDC_TYPE_USER_ENTERED_DOWNLEVEL_SCOPE);
                sheet.Click(IDC_TYPE_WORKGROUP);
                SaveWindowShot(sheet.Sheet(), "debug-scope-types");
            }
            ok ? sheet.Ok() : sheet.Cancel();
        });
        return states;
    };
    const std::vector<bool> fixed = {false, true, true, true, false, false,                      // scope
                                     false, true, true, true, true,  true,  true, false, false}; // types
    EXPECT_EQ(fixed, run(true, true));
    ConfigFile& config = GetAppState().m_config;
    EXPECT_EQ(0x1 | 0x4 | 0x8 | 0x100, config.m_pickerScopeFlags);
    EXPECT_EQ(0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x200, config.m_pickerScopeTypes);

    // The next opening starts from the same states; Cancel keeps the words.
    EXPECT_EQ(fixed, run(true, false));
    EXPECT_EQ(0x10D, config.m_pickerScopeFlags);
    EXPECT_EQ(0x27C, config.m_pickerScopeTypes);
    // OK without a change gives the starting words back.
    EXPECT_EQ(fixed, run(false, true));
    EXPECT_EQ(0x10E, config.m_pickerScopeFlags);
    EXPECT_EQ(0xFC, config.m_pickerScopeTypes);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_FALSE(FileExists("kestrova.cfg"));
}

TEST_F(Options, FolderBrowserChoosesTheLogFolder)
{
    // A folder selected at opening comes back with OK. (The folder is one of
    // the prefix's drive C:, where the system's dialog finds every path.)
    std::thread driver([] {
        if (HWND browser = WaitFor([] { return FolderBrowser("Pick a folder"); }, 3000)) {
            SaveWindowShot(browser, "folder-browser");
            SendMessageA(FindChild(browser, "Button", IDOK), BM_CLICK, 0, 0);
        }
    });
    const std::string folder = "C:\\kes-log-folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string chosen = "left over";
    const BrowseResult result = BrowseForFolder("Pick a folder", chosen, folder);
    driver.join();
    EXPECT_EQ(kBrowseChosen, result);
    EXPECT_EQ(folder, chosen);
    RemoveDirectoryA(folder.c_str());

    // From the log page: Cancel leaves the path as it was.
    std::string path;
    RunWithDriver(ID_OPTIONS, [&] {
        SheetDriver sheet("Kestrova Options");
        if (!sheet.IsOpen()) {
            return;
        }
        sheet.ShowPage(1);
        sheet.Click(IDC_LOG_ERRORS);
        sheet.Type(IDC_LOG_PATH, "C:\\kept");
        // Posted: the page waits in the browser until it closes.
        PostMessageA(sheet.Page(), WM_COMMAND, MAKEWPARAM(IDC_LOG_BROWSE, BN_CLICKED), 0);
        if (HWND browser = WaitFor([] { return FolderBrowser("Select Log File Location"); }, 3000)) {
            SendMessageA(FindChild(browser, "Button", IDCANCEL), BM_CLICK, 0, 0);
            WaitFor([browser] { return IsWindow(browser) ? nullptr : browser; });
        }
        path = sheet.Text(IDC_LOG_PATH);
        sheet.Cancel();
    });
    EXPECT_EQ("C:\\kept", path);
}
