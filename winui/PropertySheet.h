// A tabbed sheet of pages, each page a dialog on its own template. OK and
// Apply run every page's exchange and OnApply; a page that answers false
// keeps the sheet open on that page.
#pragma once

#include "winui/Dialog.h"

#include <string>
#include <vector>

class PropertyPage : public Dialog {
public:
    explicit PropertyPage(UINT templateId) : Dialog(templateId) {}
    explicit PropertyPage(const DLGTEMPLATE* memoryTemplate) : Dialog(memoryTemplate) {}

    PROPSHEETPAGEA MakePageDescription();

protected:
    // After the exchange succeeded; false keeps the sheet open.
    virtual bool OnApply() { return true; }
    // Leaving the page: the exchange must pass.
    virtual bool OnKillActive() { return UpdateData(true); }
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

class PropertySheetDlg {
public:
    explicit PropertySheetDlg(const std::string& title) : m_title(title) {}
    void AddPage(PropertyPage* page) { m_pages.push_back(page); }
    // IDOK when the sheet was closed with OK, else IDCANCEL.
    INT_PTR DoModal(HWND parent);

private:
    std::string m_title;
    std::vector<PropertyPage*> m_pages;
};
