// The results dialog on a display: it shows the rendered page in the browser
// host, named after the page, and the page's file lives only while the
// dialog is open. Wine has no engine to render a page or click in it: what
// the dialog hands the browser, and what a click on an element does, are
// tested instead.

#include "app/ReportRendering.h"
#include "app/ResultsHtmlDlg.h"
#include "audit/Audit.h"
#include "audit/AuditDocument.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <set>
#include <thread>

namespace {

class FixtureEngine : public AuditEngine {
public:
    void Run(const _bstr_t&) override {}
    void SetRemote(bool) override {}
};

// The report files in the temporary folder now.
std::set<std::string> ReportFiles()
{
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, folder);
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(folder) + "Kes*.tmp").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.insert(std::string(folder) + found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return names;
}

// The dialog takes the page's title once its browser is in place. The bound
// only ends a test that already failed: a loaded machine may take long.
HWND WaitForWindow(const char* title)
{
    for (int i = 0; i < 3000; ++i) {
        if (HWND hwnd = FindWindowA(nullptr, title)) {
            return hwnd;
        }
        Sleep(10);
    }
    return nullptr;
}

} // namespace

TEST(ResultsHtmlDlg, ThePageExistsOnlyWhileTheDialogIsOpen)
{
    AppState app;
    AuditDocument document(app);
    document.m_engine.reset(new FixtureEngine);
    document.m_engine->Result().Property(AssetIMPL::kAssetName).SetString("ACCT-PC7");

    const std::set<std::string> before = ReportFiles();
    std::set<std::string> whileOpen;
    bool dialogShown = false;
    bool browserHosted = false;
    std::thread driver([&] {
        HWND dialog = WaitForWindow("Kestrova(tm) - Asset Audit Results");
        if (dialog == nullptr) {
            return;
        }
        dialogShown = true;
        whileOpen = ReportFiles();
        browserHosted = FindWindowExA(dialog, nullptr, "AtlAxWin", nullptr) != nullptr;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    ShowResultsPage(document);
    driver.join();

    ASSERT_TRUE(dialogShown);
    EXPECT_TRUE(browserHosted);
    EXPECT_EQ(before.size() + 1, whileOpen.size());
    EXPECT_EQ(before, ReportFiles());
}

TEST(ResultsHtmlDlg, AFailedRenderIsReported)
{
    AppState app;
    AuditDocument document(app); // no audit yet
    std::string shown;
    MessageBoxHook previous = SetMessageBoxHook([&](HWND, const std::string& text, const std::string&, UINT type) {
        shown = text;
        EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), type & MB_ICONMASK);
        return IDOK;
    });
    ShowResultsPage(document);
    SetMessageBoxHook(previous);
    EXPECT_EQ(kRenderFailedText, shown);
    EXPECT_EQ("Kestrova(tm) - Asset Audit Results",
              HtmlTitle("<HTML><Title>Kestrova(tm) - Asset Audit Results</TITLE>"));
}

namespace {

// The dialog with a look inside, taken when it has opened.
class OpenedResults : public ResultsHtmlDlg {
public:
    std::function<void(OpenedResults&)> m_onOpen;
    using HtmlDialog::ElementClicked;

protected:
    bool OnInitDialog() override
    {
        ResultsHtmlDlg::OnInitDialog();
        m_onOpen(*this);
        return true;
    }
};

std::string WindowTextOf(HWND hwnd)
{
    char text[MAX_PATH * 2] = {};
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string HtmlResource(UINT id)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(23));
    if (found == nullptr) {
        return std::string();
    }
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(bytes, SizeofResource(module, found));
}

} // namespace

// The browser opens the dialog's own page from the program's resources, and
// is then sent to the report file; the host's text names the page it was
// last sent to.
TEST(ResultsHtmlDlg, OpensItsOwnPageAndThenTheFile)
{
    CoInitialize(nullptr);
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    OpenedResults dialog;
    dialog.m_path = std::string(module) + ".missing.htm";
    std::string hostClass;
    std::string hostText;
    std::string firstAddress;
    std::string shownAddress;
    dialog.m_onOpen = [&](OpenedResults& d) {
        char name[64] = {};
        GetClassNameA(d.BrowserHost(), name, sizeof(name));
        hostClass = name;
        hostText = WindowTextOf(d.BrowserHost());
        firstAddress = d.BrowserAddress();
        // The browser goes on to the file as its messages come.
        for (int i = 0; i < 3000 && !EndsWith(shownAddress, d.m_path); ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            shownAddress = d.BrowserAddress();
        }
        d.EndDialog(IDCANCEL);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ("AtlAxWin", hostClass);
    EXPECT_EQ("res://" + std::string(module) + "/151", firstAddress);
    EXPECT_EQ(firstAddress, HtmlDialog::ResourceAddress(IDR_HTML_RESULTS_DIALOG));
    EXPECT_TRUE(EndsWith(shownAddress, dialog.m_path)) << shownAddress;
    EXPECT_EQ(dialog.m_path, hostText);
    CoUninitialize();
}

// A click of ButtonOK on the page ends the dialog with OK, one of
// ButtonCancel with Cancel; clicks elsewhere, or on an id spelt otherwise,
// leave it open. The dialog's own page holds both buttons.
TEST(ResultsHtmlDlg, ClicksOfThePageButtonsEndTheDialog)
{
    const std::string page = HtmlResource(IDR_HTML_RESULTS_DIALOG);
    EXPECT_NE(std::string::npos, page.find("id=\"ButtonOK\"")) << page;
    EXPECT_NE(std::string::npos, page.find("id=\"ButtonCancel\"")) << page;

    const std::pair<const char*, INT_PTR> buttons[] = {{"ButtonOK", IDOK}, {"ButtonCancel", IDCANCEL}};
    for (const auto& button : buttons) {
        OpenedResults dialog;
        bool elsewhereTaken = true;
        bool buttonTaken = false;
        dialog.m_onOpen = [&](OpenedResults& d) {
            elsewhereTaken = d.ElementClicked("buttonok") || d.ElementClicked("Footer") || d.ElementClicked("");
            buttonTaken = d.ElementClicked(button.first);
        };
        EXPECT_EQ(button.second, dialog.DoModal()) << button.first;
        EXPECT_FALSE(elsewhereTaken) << button.first;
        EXPECT_TRUE(buttonTaken) << button.first;
    }
}
