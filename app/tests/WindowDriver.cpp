#include "app/tests/WindowDriver.h"

HWND WaitFor(const std::function<HWND()>& find, int tries)
{
    for (int i = 0; i < tries; ++i) {
        if (HWND hwnd = find()) {
            return hwnd;
        }
        Sleep(10);
    }
    return nullptr;
}

HWND VisibleDialog(const char* title)
{
    HWND found = FindWindowA("#32770", title);
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

HWND VisibleDialogHolding(int controlId)
{
    for (HWND w = FindWindowA("#32770", nullptr); w != nullptr; w = FindWindowExA(nullptr, w, "#32770", nullptr)) {
        if (IsWindowVisible(w) && GetDlgItem(w, controlId) != nullptr) {
            return w;
        }
    }
    return nullptr;
}

HWND FindChild(HWND parent, const char* className, int id)
{
    struct Search {
        const char* className;
        int id;
        HWND found;
    } search = {className, id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            char name[64] = {};
            GetClassNameA(child, name, sizeof(name));
            if (lstrcmpiA(name, s->className) == 0 && (s->id == 0 || GetDlgCtrlID(child) == s->id)) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMessageBox(const std::string& part)
{
    for (HWND box = FindWindowA("#32770", nullptr); box != nullptr;
         box = FindWindowExA(nullptr, box, "#32770", nullptr)) {
        HWND text = GetDlgItem(box, 0xFFFF);
        if (text != nullptr && IsWindowVisible(box) && WindowText(text).find(part) != std::string::npos) {
            return box;
        }
    }
    return nullptr;
}

std::string WindowText(HWND hwnd)
{
    char text[2048] = {};
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}
