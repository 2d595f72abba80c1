// The browser is the system's web-browser control, hosted by atl.dll's
// "AtlAxWin" window class: a child window whose text is the address makes
// the control and navigates it there. The window title is the shown page's
// title, read from the file, so the dialog names what it shows.

#include "app/ResultsHtmlDlg.h"

#include "app/ReportRendering.h"
#include "common/MessageBoxHook.h"
#include "resources/resource.h"

#include <windows.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

// atl.dll stays loaded for the rest of the process once its window class is
// registered: windows of that class may outlive any one dialog.
bool RegisterBrowserHostClass()
{
    static bool registered = false;
    if (registered) {
        return true;
    }
    HMODULE atl = LoadLibraryA("atl.dll");
    if (atl == nullptr) {
        return false;
    }
    typedef BOOL(WINAPI * AtlAxWinInitFn)();
    AtlAxWinInitFn init =
        reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    registered = init != nullptr && init() != FALSE;
    return registered;
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

std::string HtmlTitle(const std::string& html)
{
    std::string lower = Lower(html);
    size_t open = lower.find("<title>");
    if (open == std::string::npos) {
        return std::string();
    }
    open += 7;
    size_t close = lower.find("</title>", open);
    if (close == std::string::npos) {
        return std::string();
    }
    return html.substr(open, close - open);
}

ResultsHtmlDlg::ResultsHtmlDlg(HWND parent) : Dialog(IDD_RESULTS_HTML), m_parent(parent) {}

bool ResultsHtmlDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME))));

    std::ifstream file(m_path, std::ios::binary);
    std::stringstream page;
    page << file.rdbuf();
    if (RegisterBrowserHostClass()) {
        m_browser = CreateWindowExA(0, "AtlAxWin", m_path.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                    m_hwnd, nullptr, instance, nullptr);
        FitBrowser();
    }
    std::string title = HtmlTitle(page.str());
    if (!title.empty()) {
        SetWindowTextA(m_hwnd, title.c_str());
    }
    return true;
}

INT_PTR ResultsHtmlDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE) {
        FitBrowser();
    }
    return Dialog::DialogProc(message, wParam, lParam);
}

void ResultsHtmlDlg::FitBrowser()
{
    if (m_browser == nullptr) {
        return;
    }
    RECT client;
    GetClientRect(m_hwnd, &client);
    MoveWindow(m_browser, 0, 0, client.right, client.bottom, TRUE);
}

void ShowResultsPage(AuditDocument& document, HWND owner)
{
    std::string path;
    if (!RenderResultsToTempFile(document, path)) {
        ShowMessageBox(owner, kRenderFailedText, "Kestrova", MB_OK | MB_ICONSTOP);
        return;
    }
    ResultsHtmlDlg dialog(nullptr);
    dialog.m_path = path;
    dialog.DoModal();
    DeleteFileA(path.c_str());
}
