#include "app/MainFrame.h"

#include "resources/resource.h"

#include <shellapi.h>

CMainFrame::CMainFrame()
{
    m_map.Command(ID_HELP_FINDER, this, &CMainFrame::OnHelpFinder);
}

void CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    cs.style = kStyle;
    cs.cx = 520;
    cs.cy = 420;
}

bool CMainFrame::OnCreate()
{
    LONG_PTR exStyle = GetWindowLongPtrA(m_hwnd, GWL_EXSTYLE);
    SetWindowLongPtrA(m_hwnd, GWL_EXSTYLE, exStyle & ~WS_EX_CLIENTEDGE);
    SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    return true;
}

std::string CMainFrame::HelpFilePath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string file = path;
    size_t slash = file.find_last_of('\\');
    return file.substr(0, slash == std::string::npos ? 0 : slash + 1) + "Kestrova.htm";
}

void CMainFrame::OnHelpFinder()
{
    // The help contents are a page beside the program, opened by the shell.
    ShellExecuteA(m_hwnd, "open", HelpFilePath().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
