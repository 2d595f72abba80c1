// The form of the main window on a display: its fields, limits and
// pre-filled values, and Local Audit through the "Audit Complete!" choices.
#include "app/KestrovaApp.h"
#include "app/KestrovaDoc.h"
#include "app/KestrovaView.h"
#include "app/WaitDlg.h"
#include "app/tests/KestrovaRun.h"
#include "app/tests/WindowDriver.h"
#include "asset/AssetPropertyIndex.h"
#include "audit/AuditEngineFactory.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"
#include "resources/resource.h"
#include "winui/OwnerDrawButton.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

namespace {

class FormView : public ::testing::Test {
protected:
    void SetUp() override
    {
        WaitDlg::s_readingPauseMs = 0;
        GetAppState().m_runMode = kRunInteractive;
        m_previousHook = SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, UINT) {
            m_messages.push_back(text);
            WaitDlg* wait = m_app.GetWaitDlg();
            m_busyAtBox = m_busyAtBox || (wait != nullptr && IsWindowVisible(wait->GetHandle()));
            return IDOK;
        });
        m_app.SetCommandLine("Kestrova.exe");
        ASSERT_TRUE(m_app.InitInstance());
        m_view = dynamic_cast<CKestrovaView*>(m_app.GetView());
        ASSERT_NE(nullptr, m_view);
        m_form = m_view->GetHandle();
    }
    void TearDown() override
    {
        m_app.CloseDocument();
        SetMessageBoxHook(m_previousHook);
    }
    void SetField(int id, const char* text) { SetDlgItemTextA(m_form, id, text); }
    AssetIMPL::AssetComputerImpl& Result() { return m_app.GetKestrovaDoc()->Audit().m_engine->Result(); }

    CKestrovaApp m_app;
    CKestrovaView* m_view = nullptr;
    HWND m_form = nullptr;
    std::vector<std::string> m_messages;
    bool m_busyAtBox = false; // some box came while the busy window was up
    MessageBoxHook m_previousHook;
};

} // namespace

TEST_F(FormView, FieldsLimitsTooltipsAndPrefilledValues)
{
    EXPECT_EQ(CKestrovaView::LoggedOnUserName(), std::string(m_view->m_userName));
    char text[64] = {};
    GetDlgItemTextA(m_form, IDC_USER_NAME, text, sizeof(text));
    EXPECT_FALSE(std::string(text).empty());
    const std::pair<int, LRESULT> limits[] = {{IDC_USER_NAME, 20},  {IDC_FIRST_NAME, 50},  {IDC_MIDDLE_INITIAL, 1},
                                              {IDC_LAST_NAME, 100}, {IDC_OFFICE, 50},      {IDC_ASSET_TAG, 50},
                                              {IDC_OEM_ID, 50},     {IDC_KEYBOARD_SN, 20}, {IDC_MOUSE_SN, 20}};
    for (const auto& limit : limits) {
        EXPECT_EQ(limit.second, SendDlgItemMessageA(m_form, limit.first, EM_GETLIMITTEXT, 0, 0)) << limit.first;
    }
    for (int id : {IDC_FIRST_NAME, IDC_MIDDLE_INITIAL, IDC_LAST_NAME}) {
        EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(m_form, id), GWL_STYLE) & ES_READONLY) << id;
    }
    auto* audit = dynamic_cast<OwnerDrawButton*>(Window::FromHandle(GetDlgItem(m_form, ID_LOCAL_AUDIT)));
    ASSERT_NE(nullptr, audit);
    EXPECT_EQ("Audit this computer.", audit->GetTooltipText());

    // A value over its limit is refused with the framework's message.
    SetField(IDC_KEYBOARD_SN, "123456789012345678901");
    EXPECT_FALSE(m_view->UpdateData(true));
    ASSERT_EQ(1u, m_messages.size());

    // The asset tag of the start-up probe; lookups only with a configuration.
    m_app.m_assetTag = "TAG-7";
    GetAppState().m_config.m_loaded = false;
    m_view->OnInitialUpdate();
    GetDlgItemTextA(m_form, IDC_ASSET_TAG, text, sizeof(text));
    EXPECT_EQ("TAG-7", std::string(text));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_form, IDC_SERVER_LOOKUP)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_form, IDC_DIRECTORY_LOOKUP)));
    m_view->EnableLookupButtons(true);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_form, IDC_SERVER_LOOKUP)));
}

TEST_F(FormView, FailedFirstAuditShowsNoChoicesAndDoesNotCrash)
{
    ASSERT_FALSE(m_app.GetKestrovaDoc()->Audit().m_engine);
    m_view->m_runAudit = [](AuditProgressSink* sink) {
        sink->SetRange(1);
        sink->Step(); // no engine: the signature file stopped the audit
    };
    bool choicesShown = false;
    std::thread driver([&] {
        if (HWND complete = WaitFor([] { return VisibleDialog("Audit Complete!"); }, 150)) {
            choicesShown = true;
            PostMessageA(complete, WM_COMMAND, IDCANCEL, 0);
        }
    });
    m_view->OnLocalAudit();
    driver.join();
    EXPECT_FALSE(choicesShown);
}

TEST_F(FormView, LocalAuditSavesThenUploadsTheLabelledResult)
{
    SetField(IDC_LOCATION, "<Lab");
    SetField(IDC_OFFICE, "Room \"12\"");
    SetField(IDC_ASSET_TAG, "  A-1 ");
    SetField(IDC_MOUSE_SN, "M-99");
    std::string folder = MakeFolder("form-save");
    std::string saved = folder + "\\form.kes";
    m_view->m_askSavePath = [&](HWND, std::string& path) {
        path = saved;
        return true;
    };
    ConfigFile& config = GetAppState().m_config;
    config.m_server = "127.0.0.1";
    config.m_port = kServerPort;
    Answer("{\"mode\": \"ok\"}");
    ClearRequests();

    // Save... then Upload in the one dialog.
    std::thread driver([&] {
        HWND complete = WaitFor([] { return VisibleDialog("Audit Complete!"); }, 12000);
        if (complete == nullptr) {
            return;
        }
        SendMessageA(complete, WM_COMMAND, MAKEWPARAM(IDC_SAVE_RESULTS, BN_CLICKED), 0);
        PostMessageA(complete, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    m_view->OnLocalAudit();
    driver.join();
    ASSERT_EQ(AuditOutcome::Completed, m_app.GetKestrovaDoc()->Audit().m_outcome);
    EXPECT_EQ("&lt;Lab", Result().Property(AssetIMPL::kLocation).GetString());
    EXPECT_EQ("Room 12", Result().Property(AssetIMPL::kOffice).GetString());

    std::string file = ReadFileText(saved);
    EXPECT_NE(std::string::npos, file.find("invno=\"A-1\"")) << file.substr(0, 600);
    EXPECT_NE(std::string::npos, file.find("office=\"Room 12\""));
    EXPECT_NE(std::string::npos, file.find("mouseno=\"M-99\""));
    EXPECT_NE(std::string::npos, Requests().find("M-99")) << Requests().substr(0, 300);
    ASSERT_FALSE(m_messages.empty());
    EXPECT_EQ("Upload successful.", m_messages.back());

    // A later audit that fails leaves this result unlabelled by the form.
    SetField(IDC_LOCATION, "Elsewhere");
    m_view->m_runAudit = [this](AuditProgressSink* sink) {
        m_app.GetKestrovaDoc()->Audit().m_outcome = AuditOutcome::Failed;
        sink->SetRange(1);
        sink->Step();
    };
    bool choicesShown = false;
    std::thread watcher([&] {
        if (HWND complete = WaitFor([] { return VisibleDialog("Audit Complete!"); }, 150)) {
            choicesShown = true;
            PostMessageA(complete, WM_COMMAND, IDCANCEL, 0);
        }
    });
    m_view->OnLocalAudit();
    watcher.join();
    EXPECT_FALSE(choicesShown);
    EXPECT_EQ("&lt;Lab", Result().Property(AssetIMPL::kLocation).GetString());
}

// A failed upload loses nothing: after its box the "Audit Complete!" choices
// come back, so the fresh result can be saved, or sent again once the server
// is set right. After a success they do not come back.
TEST_F(FormView, AFailedUploadBringsTheChoicesBack)
{
    CKestrovaDoc* doc = m_app.GetKestrovaDoc();
    m_view->m_runAudit = [doc](AuditProgressSink* sink) {
        sink->SetRange(1);
        doc->Audit().m_engine = MakeAuditEngine(AuditEngineKind::Api);
        doc->Audit().m_outcome = AuditOutcome::Completed;
        doc->Audit().m_completed = true;
        sink->Step();
    };
    ConfigFile& config = GetAppState().m_config;
    config.m_server = "127.0.0.1";
    config.m_port = kSshBannerPort; // a service there that is no asset server
    const std::string saved = MakeFolder("form-failed-upload") + "\\kept.kes";
    // Saving also sets the server right, on this thread, for the second try.
    m_view->m_askSavePath = [&](HWND, std::string& path) {
        config.m_port = kServerPort;
        path = saved;
        return true;
    };
    Answer("{\"mode\": \"ok\"}");
    ClearRequests();
    SetField(IDC_MOUSE_SN, "M-42");

    int choicesShown = 0;
    std::thread driver([&] {
        HWND complete = WaitFor([] { return VisibleDialog("Audit Complete!"); });
        if (complete == nullptr) {
            return;
        }
        ++choicesShown;
        PostMessageA(complete, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        WaitFor([complete] { return IsWindow(complete) ? nullptr : complete; });
        HWND again = WaitFor([] { return VisibleDialog("Audit Complete!"); });
        if (again == nullptr) {
            return;
        }
        ++choicesShown;
        SendMessageA(again, WM_COMMAND, MAKEWPARAM(IDC_SAVE_RESULTS, BN_CLICKED), 0);
        PostMessageA(again, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    m_view->OnLocalAudit();
    driver.join();

    EXPECT_EQ(2, choicesShown);
    const std::vector<std::string> expected = {
        "Unable to upload the Kestrova results to Ondelmark.\r\nThe Ondelmark server at 127.0.0.1:20651 did not "
        "answer in SOAP (\"" +
            std::string(kSshBanner) + "\").\r\n",
        "Audit results have been saved successfully.",
        "Upload successful.",
    };
    EXPECT_EQ(expected, m_messages);
    EXPECT_FALSE(m_busyAtBox);
    // The result saved after the failure, and the one sent again, are this audit's.
    EXPECT_NE(std::string::npos, ReadFileText(saved).find("mouseno=\"M-42\""));
    EXPECT_NE(std::string::npos, Requests().find("M-42"));
}

TEST_F(FormView, ServerLookupSendsTheTakenNameAndFillsTheForm)
{
    ConfigFile& config = GetAppState().m_config;
    config.m_server = "127.0.0.1";
    config.m_port = kServerPort;
    Answer("{\"mode\": \"ok\"}");
    ClearRequests();
    SetField(IDC_USER_NAME, "taken");
    ASSERT_TRUE(m_view->UpdateData(true));
    SetField(IDC_USER_NAME, "typed-since");
    SendMessageA(m_form, WM_COMMAND, MAKEWPARAM(IDC_SERVER_LOOKUP, BN_CLICKED), 0);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_NE(std::string::npos, Requests().find("\"username\": \"taken\""));
    char text[64] = {};
    GetDlgItemTextA(m_form, IDC_LAST_NAME, text, sizeof(text));
    EXPECT_EQ("Cole", std::string(text));
    EXPECT_TRUE(m_view->m_namesFilled);
    EXPECT_EQ(3, SendDlgItemMessageA(m_form, IDC_LOCATION, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(2, SendDlgItemMessageA(m_form, IDC_DEPARTMENT, CB_GETCOUNT, 0, 0));

    // A failing server: one message with both failures after the advice.
    Answer("{\"mode\": \"fault\", \"text\": \"no database\"}");
    SendMessageA(m_form, WM_COMMAND, MAKEWPARAM(IDC_SERVER_LOOKUP, BN_CLICKED), 0);
    Answer("{\"mode\": \"ok\"}");
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(0u, m_messages[0].find("Verify that the correct Ondelmark server information"));
    EXPECT_NE(std::string::npos, m_messages[0].find("Unable to retrieve user account information"));
    EXPECT_NE(std::string::npos, m_messages[0].find("Unable to retrieve the location and department"));
}

namespace {
class OneUserDirectory : public DirectorySource {
public:
    std::string GetDefaultNamingContext() override { return "LDAP://DC=kes,DC=test"; }
    bool FindFirst(const std::string&, const std::string& filter, const std::vector<std::string>&,
                   DirectoryEntry& entry) override
    {
        entry = {{"givenName", "Dana"}, {"sn", "Reyes"}, {"department", "IT"}};
        return filter.find("samAccountName=dreyes)") != std::string::npos;
    }
};
} // namespace

TEST_F(FormView, DirectoryLookupFillsTheFormFromTheNameInTheField)
{
    m_view->m_makeDirectory = [] { return std::make_unique<OneUserDirectory>(); };
    SetField(IDC_USER_NAME, " dreyes ");
    SendMessageA(m_form, WM_COMMAND, MAKEWPARAM(IDC_DIRECTORY_LOOKUP, BN_CLICKED), 0);
    EXPECT_TRUE(m_messages.empty());
    char text[64] = {};
    GetDlgItemTextA(m_form, IDC_LAST_NAME, text, sizeof(text));
    EXPECT_EQ("Reyes", std::string(text));
    GetDlgItemTextA(m_form, IDC_DEPARTMENT, text, sizeof(text));
    EXPECT_EQ("IT", std::string(text));
    EXPECT_TRUE(m_view->m_namesFilled);
}

TEST_F(FormView, DirectoryLookupMessagesComeWithTheBusyWindowDown)
{
    m_view->m_makeDirectory = [] { return std::make_unique<OneUserDirectory>(); };
    SetField(IDC_USER_NAME, "nobody");
    SendMessageA(m_form, WM_COMMAND, MAKEWPARAM(IDC_DIRECTORY_LOOKUP, BN_CLICKED), 0);
    // A name over the field's limit is refused before anything is looked up.
    SetField(IDC_USER_NAME, "a-name-of-twenty-five-chs");
    SendMessageA(m_form, WM_COMMAND, MAKEWPARAM(IDC_DIRECTORY_LOOKUP, BN_CLICKED), 0);
    EXPECT_EQ(std::vector<std::string>({"The specified user could not be found in the current domain.",
                                        "Please enter no more than 20 characters."}),
              m_messages);
    EXPECT_FALSE(m_busyAtBox);
}

namespace {

// The visible main window of the process, or null.
HWND MainWindowOf(DWORD processId)
{
    struct Search {
        DWORD processId;
        HWND found;
    } search = {processId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->processId && IsWindowVisible(hwnd) && WindowText(hwnd) == "Kestrova - IT Asset Auditing") {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

// The real program, with Wine reporting Windows 98 to a copy of it: with a
// configuration the server lookup is there, the directory lookup is not, and
// the three name fields take typing.
TEST(FormViewOnWindows9x, NoDirectoryLookupAndTheNamesAreTyped)
{
    const std::string folder = MakeFolder("form-win98");
    WriteConfig(folder, 20699);
    const std::string copyName = "KestrovaFormWin98.exe";
    const std::string copy = folder + "\\" + copyName;
    ASSERT_TRUE(CopyFileA(KestrovaExePath().c_str(), copy.c_str(), FALSE));
    const std::string appKey = "Software\\Wine\\AppDefaults\\" + copyName;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, appKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
    RegCloseKey(key);

    std::string commandLine = "\"" + copy + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const bool started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                        &startup, &process) != FALSE;
    HWND frame = nullptr;
    bool serverEnabled = false;
    bool directoryVisible = true;
    bool directoryEnabled = true;
    std::vector<int> readOnlyNames;
    if (started) {
        CloseHandle(process.hThread);
        frame = WaitFor([&] { return MainWindowOf(process.dwProcessId); });
    }
    if (frame != nullptr) {
        serverEnabled = IsWindowEnabled(FindChild(frame, "Button", IDC_SERVER_LOOKUP)) != FALSE;
        HWND directory = FindChild(frame, "Button", IDC_DIRECTORY_LOOKUP);
        directoryVisible = directory == nullptr || IsWindowVisible(directory) != FALSE;
        directoryEnabled = directory == nullptr || IsWindowEnabled(directory) != FALSE;
        for (int id : {IDC_FIRST_NAME, IDC_MIDDLE_INITIAL, IDC_LAST_NAME}) {
            HWND field = FindChild(frame, "Edit", id);
            if (field == nullptr || (GetWindowLongPtrA(field, GWL_STYLE) & ES_READONLY) != 0) {
                readOnlyNames.push_back(id);
            }
        }
        PostMessageA(frame, WM_COMMAND, ID_APP_EXIT, 0);
    }
    if (started) {
        if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
        }
        CloseHandle(process.hProcess);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
    DeleteFileA(copy.c_str());

    ASSERT_TRUE(started);
    ASSERT_NE(nullptr, frame);
    EXPECT_TRUE(serverEnabled);
    EXPECT_FALSE(directoryVisible);
    EXPECT_FALSE(directoryEnabled);
    EXPECT_EQ(std::vector<int>(), readOnlyNames);
}
