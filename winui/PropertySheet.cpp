#include "winui/PropertySheet.h"

#include <commctrl.h>
#include <prsht.h>

PROPSHEETPAGEA PropertyPage::MakePageDescription()
{
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof(page);
    page.hInstance = GetModuleHandleA(nullptr);
    if (m_memoryTemplate != nullptr) {
        page.dwFlags = PSP_DLGINDIRECT;
        page.pResource = m_memoryTemplate;
    } else {
        page.pszTemplate = MAKEINTRESOURCEA(m_templateId);
    }
    page.pfnDlgProc = &PropertyPage::PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    m_modal = true; // the sheet's loop owns the page
    return page;
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // At WM_INITDIALOG a page receives its page description, which carries
    // the object.
    Dialog* self = message == WM_INITDIALOG
                       ? reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam)
                       : static_cast<Dialog*>(FromHandle(hwnd));
    return ForwardToObject(self, hwnd, message, wParam, lParam);
}

INT_PTR PropertyPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_APPLY) {
            bool ok = UpdateData(true) && OnApply();
            SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, ok ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
            return TRUE;
        }
        if (header->code == PSN_KILLACTIVE) {
            SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, OnKillActive() ? FALSE : TRUE);
            return TRUE;
        }
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && lParam == 0) {
        return FALSE; // the sheet's own buttons, not the page's
    }
    return Dialog::DialogProc(message, wParam, lParam);
}

INT_PTR PropertySheetDlg::DoModal(HWND parent)
{
    std::vector<PROPSHEETPAGEA> pages;
    for (PropertyPage* page : m_pages) {
        pages.push_back(page->MakePageDescription());
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = parent;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = m_title.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.ppsp = pages.data();
    INT_PTR result = ::PropertySheetA(&header);
    return result > 0 ? IDOK : IDCANCEL;
}
