#include "app/SavedAuditFiles.h"

#include <commdlg.h>

std::vector<std::string> SplitFileSelection(const char* selection, size_t length)
{
    std::vector<std::string> items;
    size_t start = 0;
    while (start < length && selection[start] != '\0') {
        size_t end = start;
        while (end < length && selection[end] != '\0') {
            ++end;
        }
        items.emplace_back(selection + start, end - start);
        start = end + 1;
    }
    if (items.size() <= 1) {
        return items;
    }
    std::string folder = items.front();
    if (folder.back() != '\\') {
        folder += '\\';
    }
    std::vector<std::string> paths;
    for (size_t i = 1; i < items.size(); ++i) {
        paths.push_back(folder + items[i]);
    }
    return paths;
}

bool AskSavedAuditFiles(HWND owner, std::vector<std::string>& paths)
{
    std::vector<char> selection(kFileSelectionChars, '\0');
    const char pattern[] = "*.kes";
    memcpy(selection.data(), pattern, sizeof(pattern));
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Kestrova Result files (*.kes)\0*.kes\0\0";
    dialog.lpstrFile = selection.data();
    dialog.nMaxFile = static_cast<DWORD>(selection.size());
    dialog.lpstrDefExt = "kes";
    dialog.Flags =
        OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_READONLY;
    if (!GetOpenFileNameA(&dialog)) {
        return false;
    }
    paths = SplitFileSelection(selection.data(), selection.size());
    return !paths.empty();
}
