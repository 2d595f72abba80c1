// The File and Help menu commands on a display: the upload of saved result
// files through the open-file dialog, driven from a second thread, and the
// About box.
#include "app/AuditCompleteDlg.h"
#include "app/KestrovaDoc.h"
#include "app/SavedAuditFiles.h"
#include "app/tests/AppDriver.h"
#include "app/tests/KestrovaRun.h"
#include "app/tests/WindowShot.h"
#include "common/AppState.h"
#include "resources/resource.h"
#include "winui/FrameWindow.h"

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <vector>

namespace {

// A visible dialog owned by owner.
HWND OwnedDialog(HWND owner)
{
    for (HWND found = FindWindowA("#32770", nullptr); found != nullptr;
         found = FindWindowExA(nullptr, found, "#32770", nullptr)) {
        if (IsWindowVisible(found) && GetWindow(found, GW_OWNER) == owner) {
            return found;
        }
    }
    return nullptr;
}

// Goes to folder in the open-file dialog of owner (the dialog may open in
// the folder used last), types names there and presses Open.
bool ChooseFiles(HWND owner, const std::string& folder, const std::string& names)
{
    HWND dialog = WaitFor([owner] { return OwnedDialog(owner); }, 6000);
    if (dialog == nullptr) {
        return false;
    }
    HWND nameBox = FindChild(FindChild(dialog, "ComboBoxEx32", 1148), "Edit", 0);
    if (nameBox == nullptr) {
        nameBox = FindChild(dialog, "Edit", 1148);
    }
    HWND open = FindChild(dialog, "Button", IDOK);
    if (nameBox == nullptr || open == nullptr) {
        return false;
    }
    SendMessageA(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    SendMessageA(open, BM_CLICK, 0, 0);
    SendMessageA(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
    SaveWindowShot(dialog, "open-dialog");
    SendMessageA(open, BM_CLICK, 0, 0);
    return true;
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class FileHelpCommands : public AppDriverTest {};

} // namespace

TEST_F(FileHelpCommands, EveryItemOfTheFileAndHelpMenusHasAHandler)
{
    HMENU bar = GetMenu(m_app.GetMainWindow());
    for (int position : {0, 2}) {
        HMENU popup = GetSubMenu(bar, position);
        m_app.GetMainFrame()->UpdateMenuItems(popup);
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            const UINT id = GetMenuItemID(popup, i);
            if (id != 0) { // not a separator
                EXPECT_FALSE(GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) << id;
            }
        }
    }
}

TEST_F(FileHelpCommands, UploadsEachSavedFileAndSkipsTheCorruptOne)
{
    const std::string first = "<Kestrova><Computer name=\"FIRST\"/></Kestrova>";
    const std::string third = "<?xml version=\"1.0\"?>\r\n<Kestrova>\r\n<Computer name=\"THIRD\"/>\r\n</Kestrova>\r\n";
    WriteFile("first.kes", first);
    WriteFile("second.kes", "<Kestrova><Computer name=\"SECO"); // cut short
    WriteFile("third.kes", third);
    WriteConfig(m_folder, kServerPort);
    ASSERT_TRUE(GetAppState().m_config.Load());

    bool chosen = false;
    RunWithDriver(ID_UPLOAD_SAVED_AUDITS, [&] {
        chosen = ChooseFiles(m_app.GetMainWindow(), m_folder, "\"first.kes\" \"second.kes\" \"third.kes\"");
    });
    ASSERT_TRUE(chosen);
    // With several files, a failure names the file it is about.
    const std::string corrupt =
        "The Kestrova saved audit results file you selected cannot be opened; it may be corrupt.";
    const std::string corruptOfSecond = corrupt + "\r\n\r\nFile: " + m_folder + "\\second.kes";
    EXPECT_EQ(std::vector<std::string>({"Successful Upload", corruptOfSecond, "Successful Upload"}), BoxTexts());
    const std::vector<Box> boxes = Boxes();
    const UINT types[] = {MB_OK, MB_OK | MB_ICONERROR, MB_OK};
    for (size_t i = 0; i < boxes.size() && i < 3; ++i) {
        EXPECT_EQ(types[i], boxes[i].type) << i;
        EXPECT_FALSE(boxes[i].busyVisible) << i;
    }

    // Two uploads, each carrying its file exactly as it was saved.
    const std::string requests = Requests();
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = requests.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(requests.substr(start, end - start));
    }
    ASSERT_EQ(2u, lines.size()) << requests;
    auto quoted = [](std::string text) {
        std::string json;
        for (char c : text) {
            json += c == '"' ? "\\\"" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
        }
        return "\"decoded\": \"" + json + "\"";
    };
    EXPECT_NE(std::string::npos, lines[0].find(quoted(first))) << lines[0].substr(0, 400);
    EXPECT_NE(std::string::npos, lines[1].find(quoted(third))) << lines[1].substr(0, 400);

    // The log has the successes and the corrupt file.
    const std::string log = ReadFileText("kestrova.log");
    EXPECT_NE(std::string::npos, log.find(corruptOfSecond)) << log;

    // A refused upload names the server's reason after the fixed heading;
    // one file chosen alone needs no name.
    ClearBoxes();
    Answer("{\"mode\": \"text\", \"text\": \"Database offline\"}");
    RunWithDriver(ID_UPLOAD_SAVED_AUDITS, [&] { ChooseFiles(m_app.GetMainWindow(), m_folder, "first.kes"); });
    const std::string refused = "Unable to upload the Kestrova results to Ondelmark.\r\nDatabase offline";
    EXPECT_EQ(std::vector<std::string>({refused}), BoxTexts());

    // Refused for each of two files, and for a server that is no asset
    // server (whose text ends in a line end of its own): each box names its file.
    ClearBoxes();
    RunWithDriver(ID_UPLOAD_SAVED_AUDITS,
                  [&] { ChooseFiles(m_app.GetMainWindow(), m_folder, "\"first.kes\" \"third.kes\""); });
    EXPECT_EQ(std::vector<std::string>({refused + "\r\n\r\nFile: " + m_folder + "\\first.kes",
                                        refused + "\r\n\r\nFile: " + m_folder + "\\third.kes"}),
              BoxTexts());
    ClearBoxes();
    WriteConfig(m_folder, kMailBannerPort);
    ASSERT_TRUE(GetAppState().m_config.Load());
    RunWithDriver(ID_UPLOAD_SAVED_AUDITS,
                  [&] { ChooseFiles(m_app.GetMainWindow(), m_folder, "\"first.kes\" \"third.kes\""); });
    const std::string notSoap = "Unable to upload the Kestrova results to Ondelmark.\r\nThe Ondelmark server at "
                                "127.0.0.1:20652 did not answer in SOAP (\"" +
                                std::string(kMailBanner) + "\").";
    EXPECT_EQ(std::vector<std::string>({notSoap + "\r\n\r\nFile: " + m_folder + "\\first.kes",
                                        notSoap + "\r\n\r\nFile: " + m_folder + "\\third.kes"}),
              BoxTexts());
    WriteConfig(m_folder, kServerPort);
    ASSERT_TRUE(GetAppState().m_config.Load());

    // Cancel uploads nothing and says nothing.
    ClearBoxes();
    ClearRequests();
    RunWithDriver(ID_UPLOAD_SAVED_AUDITS, [&] {
        if (HWND dialog = WaitFor([this] { return OwnedDialog(m_app.GetMainWindow()); })) {
            SendMessageA(FindChild(dialog, "Button", IDCANCEL), BM_CLICK, 0, 0);
        }
    });
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ("", Requests());
}

namespace {
std::string CurrentFolder()
{
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}
} // namespace

// Browsing to another folder in the open and save dialogs leaves the
// current folder alone; and whichever folder is current later, the
// settings and a relative log folder stay where the program started.
TEST_F(FileHelpCommands, SettingsStayInTheStartFolderWhateverADialogBrowses)
{
    WriteConfig(m_folder, kServerPort);
    ASSERT_TRUE(GetAppState().m_config.Load());
    const std::string elsewhere = MakeFolder("elsewhere");
    WriteFile(elsewhere + "\\moved.kes", "<Kestrova><Computer name=\"MOVED\"/></Kestrova>");
    HWND frame = m_app.GetMainWindow();
    bool chosen = false;
    RunWithDriver(ID_UPLOAD_SAVED_AUDITS, [&] { chosen = ChooseFiles(frame, elsewhere, "moved.kes"); });
    ASSERT_TRUE(chosen);
    EXPECT_EQ(std::vector<std::string>({"Successful Upload"}), BoxTexts());
    EXPECT_EQ(m_folder, CurrentFolder());

    std::thread saver([&] { ChooseFiles(frame, elsewhere, "saved-there.kes"); });
    std::string saved;
    const bool saveChosen = AuditCompleteDlg::AskSavePath(frame, saved);
    saver.join();
    EXPECT_TRUE(saveChosen);
    EXPECT_EQ(elsewhere + "\\saved-there.kes", saved);
    EXPECT_EQ(m_folder, CurrentFolder());

    // Something else moves the current folder: the sheet still shows the
    // settings of the start folder, and OK writes them there.
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));
    std::string shownServer;
    RunWithDriver(ID_OPTIONS, [&] {
        HWND sheet = WaitFor([] { return VisibleDialog("Kestrova Options"); });
        if (sheet == nullptr) {
            return;
        }
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        shownServer = WindowText(GetDlgItem(page, IDC_OPT_SERVER));
        SendDlgItemMessageA(page, IDC_OPT_DATABASE, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("moved-on"));
        SendDlgItemMessageA(page, IDC_OPT_USER_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("admin"));
        SendDlgItemMessageA(page, IDC_OPT_PASSWORD, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("pw"));
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        PostMessageA(sheet, WM_NULL, 0, 0);
        // A sheet that refused OK (its fields were empty) must not hold the
        // test up: the failure shows below.
        if (WaitFor([sheet] { return IsWindow(sheet) ? nullptr : sheet; }, 500) == nullptr) {
            SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            PostMessageA(sheet, WM_NULL, 0, 0);
        }
    });
    EXPECT_EQ("127.0.0.1", shownServer);
    EXPECT_NE(std::string::npos, ReadFileText(m_folder + "\\kestrova.cfg").find("db=\"moved-on\""));
    EXPECT_FALSE(FileExists(elsewhere + "\\kestrova.cfg"));

    // A relative log folder is the start folder's too.
    CreateDirectoryA((m_folder + "\\logs").c_str(), nullptr);
    GetAppState().m_config.m_logPath = "logs\\";
    m_app.GetKestrovaDoc()->WriteLog(3, "logged from elsewhere");
    EXPECT_NE(std::string::npos, ReadFileText(m_folder + "\\logs\\kestrova.log").find("logged from elsewhere"));
    EXPECT_FALSE(FileExists(elsewhere + "\\logs"));
    SetCurrentDirectoryA(m_folder.c_str());
}

TEST_F(FileHelpCommands, TheOpenDialogTakesHundredsOfFilesAtOnce)
{
    std::vector<std::string> names;
    std::string typed;
    for (int i = 0; i < 300; ++i) {
        names.push_back("saved-audit-of-a-computer-with-a-long-name-" + std::to_string(i) + ".kes");
        WriteFile(names.back(), "<Kestrova/>");
        typed += "\"" + names.back() + "\" ";
    }
    HWND owner = m_app.GetMainWindow();
    bool typedIn = false;
    std::thread driver([&] { typedIn = ChooseFiles(owner, m_folder, typed); });
    std::vector<std::string> paths;
    const bool chosen = AskSavedAuditFiles(owner, paths);
    driver.join();
    ASSERT_TRUE(typedIn);
    ASSERT_TRUE(chosen);
    ASSERT_EQ(names.size(), paths.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(m_folder + "\\" + names[i], paths[i]);
    }
}

TEST(SavedAuditFiles, SplitsTheDialogsAnswer)
{
    const struct {
        std::string selection;
        std::vector<std::string> paths;
    } kCases[] = {
        {std::string("C:\\audits\\one.kes\0", 18), {"C:\\audits\\one.kes"}},
        {std::string("C:\\audits\0one.kes\0two.kes\0", 26), {"C:\\audits\\one.kes", "C:\\audits\\two.kes"}},
        {std::string("C:\\\0one.kes\0two.kes\0", 20), {"C:\\one.kes", "C:\\two.kes"}},
        {std::string("", 0), {}},
    };
    for (const auto& c : kCases) {
        std::string buffer = c.selection + std::string(2, '\0');
        EXPECT_EQ(c.paths, SplitFileSelection(buffer.data(), buffer.size()));
    }
    // An answer that fills the whole buffer ends at the buffer's end.
    const std::string full = std::string("C:\\a\0b.kes", 10);
    EXPECT_EQ(std::vector<std::string>({"C:\\a\\b.kes"}), SplitFileSelection(full.data(), full.size()));
}

TEST_F(FileHelpCommands, AboutShowsTheProgramsVersionAndItsLinks)
{
    std::string version;
    std::string maker;
    bool makerIsLink = false;
    RunWithDriver(ID_APP_ABOUT, [&] {
        HWND about = WaitFor([] {
            HWND found = FindWindowA("#32770", "About Kestrova");
            return found != nullptr && IsWindowVisible(found) ? found : nullptr;
        });
        if (about == nullptr) {
            return;
        }
        char text[128] = {};
        SendDlgItemMessageA(about, IDC_ABOUT_VERSION, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        version = text;
        SendDlgItemMessageA(about, IDC_ABOUT_MAKER_LINK, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        maker = text;
        makerIsLink = (GetWindowLongPtrA(GetDlgItem(about, IDC_ABOUT_MAKER_LINK), GWL_STYLE) & SS_NOTIFY) != 0;
        SaveWindowShot(about, "about");
        SendMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ("v1.2.0.0", version);
    EXPECT_EQ("www.pardovel.example", maker);
    EXPECT_TRUE(makerIsLink);
}

TEST(RealProgram, DriverSetsTheOptionsAndReadsTheAboutBox)
{
    const std::string folder = MakeFolder("real-options");
    DeleteFileA((folder + "\\kestrova.cfg").c_str());
    Answer("{\"mode\": \"ok\"}");
    HANDLE process = StartKestrova("", folder);
    ASSERT_NE(nullptr, process);
    HWND frame = WaitFor([] {
        HWND found = FindWindowA(nullptr, "Kestrova - IT Asset Auditing");
        return found != nullptr && IsWindowVisible(found) ? found : nullptr;
    });
    ASSERT_NE(nullptr, frame);

    PostMessageA(frame, WM_COMMAND, ID_OPTIONS, 0);
    HWND sheet = WaitFor([] { return VisibleDialog("Kestrova Options"); });
    ASSERT_NE(nullptr, sheet);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    const std::pair<int, std::string> fields[] = {{IDC_OPT_SERVER, "127.0.0.1"},
                                                  {IDC_OPT_PORT, std::to_string(kServerPort)},
                                                  {IDC_OPT_DATABASE, "assets"},
                                                  {IDC_OPT_USER_NAME, "admin"},
                                                  {IDC_OPT_PASSWORD, "pw"}};
    for (const auto& field : fields) {
        SendDlgItemMessageA(page, field.first, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(field.second.c_str()));
    }
    // The test shows a box of its own: posted, so this driver is not held up.
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_TEST_LOGIN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_OPT_TEST_LOGIN)));
    HWND box = WaitFor([] { return FindMessageBox("Success!"); }, 3000);
    ASSERT_NE(nullptr, box);
    SaveWindowShot(box, "real-test-login-success");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(nullptr, WaitFor([box] { return IsWindow(box) ? nullptr : box; }, 3000));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    const bool closed = WaitFor([sheet] { return IsWindow(sheet) ? nullptr : sheet; }, 3000) != nullptr;
    if (!closed) {
        SaveWindowShot(sheet, "real-options-left-open");
    }
    ASSERT_TRUE(closed);
    // The file is written once the sheet has gone.
    const std::string path = folder + "\\kestrova.cfg";
    for (int i = 0; i < 500 && !FileExists(path); ++i) {
        Sleep(10);
    }
    const std::string config = ReadFileText(path);
    EXPECT_NE(std::string::npos, config.find("server=\"127.0.0.1\"")) << config;

    PostMessageA(frame, WM_COMMAND, ID_APP_ABOUT, 0);
    HWND about = WaitFor([] { return VisibleDialog("About Kestrova"); });
    ASSERT_NE(nullptr, about);
    char version[64] = {};
    SendDlgItemMessageA(about, IDC_ABOUT_VERSION, WM_GETTEXT, sizeof(version), reinterpret_cast<LPARAM>(version));
    EXPECT_STREQ("v1.2.0.0", version);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    WaitFor([about] { return IsWindow(about) ? nullptr : about; });

    PostMessageA(frame, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 30000));
    CloseHandle(process);
}
