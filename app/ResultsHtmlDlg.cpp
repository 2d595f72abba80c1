// The window title is the shown page's title, read from the file, so the
// dialog names what it shows even where the browser tells nothing.

#include "app/ResultsHtmlDlg.h"

#include "app/ReportRendering.h"
#include "common/MessageBoxHook.h"
#include "resources/resource.h"

#include <windows.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

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

ResultsHtmlDlg::ResultsHtmlDlg(HWND parent) : HtmlDialog(IDD_RESULTS_HTML, IDR_HTML_RESULTS_DIALOG), m_parent(parent)
{
    OnElementClick("ButtonOK", [this] { OnOK(); });
    OnElementClick("ButtonCancel", [this] { OnCancel(); });
}

bool ResultsHtmlDlg::OnInitDialog()
{
    HtmlDialog::OnInitDialog();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME))));
    Navigate(m_path);

    std::ifstream file(m_path, std::ios::binary);
    std::stringstream page;
    page << file.rdbuf();
    std::string title = HtmlTitle(page.str());
    if (!title.empty()) {
        SetWindowTextA(m_hwnd, title.c_str());
    }
    return true;
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
