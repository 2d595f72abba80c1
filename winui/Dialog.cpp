// Dialogs run on the system's dialog manager: the object is attached when
// WM_INITDIALOG arrives, and every later message goes through the message
// map first. A message the map or a virtual handler took is answered TRUE
// with its result in DWLP_MSGRESULT, anything else goes back to the dialog
// manager as FALSE.
#include "winui/Dialog.h"

#include "winui/WinApp.h"

INT_PTR Dialog::DoModal(HWND parent)
{
    m_modal = true;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    LPARAM self = reinterpret_cast<LPARAM>(this);
    if (m_memoryTemplate != nullptr) {
        return DialogBoxIndirectParamA(instance, m_memoryTemplate, parent, &Dialog::StaticDialogProc, self);
    }
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(m_templateId), parent, &Dialog::StaticDialogProc, self);
}

bool Dialog::Create(HWND parent)
{
    m_modal = false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    LPARAM self = reinterpret_cast<LPARAM>(this);
    HWND hwnd =
        m_memoryTemplate != nullptr
            ? CreateDialogIndirectParamA(instance, m_memoryTemplate, parent, &Dialog::StaticDialogProc, self)
            : CreateDialogParamA(instance, MAKEINTRESOURCEA(m_templateId), parent, &Dialog::StaticDialogProc, self);
    if (hwnd == nullptr) {
        return false;
    }
    WinApp::AddModeless(hwnd);
    return true;
}

void Dialog::EndDialog(INT_PTR result)
{
    if (m_hwnd == nullptr) {
        return;
    }
    if (m_modal) {
        ::EndDialog(m_hwnd, result);
    } else {
        ::DestroyWindow(m_hwnd);
    }
}

bool Dialog::UpdateData(bool save)
{
    DataExchange dx(m_hwnd, save);
    DoDataExchange(dx);
    return !dx.Failed();
}

bool Dialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void Dialog::OnOK()
{
    if (UpdateData(true)) {
        EndDialog(IDOK);
    }
}

void Dialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DialogProc(message, wParam, lParam);
}

INT_PTR Dialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == WM_INITDIALOG) {
        return OnInitDialog() ? TRUE : FALSE;
    }
    if (m_map.DispatchMessage(message, wParam, lParam, result)) {
        SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    switch (message) {
    case WM_COMMAND: {
        if (lParam != 0 && ReflectToChild(m_hwnd, message, wParam, lParam, result)) {
            return TRUE;
        }
        UINT id = LOWORD(wParam);
        if (m_map.DispatchCommand(id, HIWORD(wParam))) {
            return TRUE;
        }
        if (id == IDOK && HIWORD(wParam) == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_DRAWITEM:
    case WM_CTLCOLORBTN:
        if (ReflectToChild(m_hwnd, message, wParam, lParam, result)) {
            if (message == WM_CTLCOLORBTN) {
                return static_cast<INT_PTR>(result); // a brush, returned directly
            }
            SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR Dialog::ForwardToObject(Dialog* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (self == nullptr) {
        return FALSE;
    }
    if (message == WM_INITDIALOG) {
        self->Attach(hwnd);
    }
    INT_PTR handled = self->DialogProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        if (!self->m_modal) {
            WinApp::RemoveModeless(hwnd);
        }
        self->Detach();
        self->PostNcDestroy();
    }
    return handled;
}

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self =
        message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : static_cast<Dialog*>(FromHandle(hwnd));
    return ForwardToObject(self, hwnd, message, wParam, lParam);
}
