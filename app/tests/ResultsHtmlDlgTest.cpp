// The results dialog on a display: it shows the rendered page in the browser
// host, named after the page, and the page's file lives only while the
// dialog is open.

#include "app/ReportRendering.h"
#include "app/ResultsHtmlDlg.h"
#include "audit/Audit.h"
#include "audit/AuditDocument.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"

#include <gtest/gtest.h>

#include <windows.h>

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
