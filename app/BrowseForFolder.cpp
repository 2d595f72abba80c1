#include "app/BrowseForFolder.h"

#include <windows.h>

#include <shlobj.h>

namespace {

int CALLBACK OnBrowseEvent(HWND dialog, UINT message, LPARAM, LPARAM initialPath)
{
    if (message == BFFM_INITIALIZED && initialPath != 0) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, initialPath);
    }
    return 0;
}

} // namespace

BrowseResult BrowseForFolder(const std::string& title, std::string& folder, const std::string& initialPath)
{
    folder.clear();
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = nullptr;
    info.pidlRoot = nullptr; // the desktop
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    info.lpfn = &OnBrowseEvent;
    info.lParam = initialPath.empty() ? 0 : reinterpret_cast<LPARAM>(initialPath.c_str());
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (chosen == nullptr) {
        return kBrowseCancelled;
    }
    char path[MAX_PATH] = {};
    const bool hasPath = SHGetPathFromIDListA(chosen, path) != FALSE;
    CoTaskMemFree(chosen); // the shell's allocator
    if (!hasPath) {
        return kBrowseCancelled;
    }
    folder = path;
    return kBrowseChosen;
}
