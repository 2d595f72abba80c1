// The modal "Kestrova - Audit Results" dialog: a resizable window filled by
// the web-browser control, showing one rendered report file.
#pragma once

#include "winui/Dialog.h"

#include <string>

class AuditDocument;

class ResultsHtmlDlg : public Dialog {
public:
    explicit ResultsHtmlDlg(HWND parent = nullptr);

    INT_PTR DoModal() { return Dialog::DoModal(m_parent); }

    // The file to show; set before DoModal.
    std::string m_path;

protected:
    bool OnInitDialog() override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FitBrowser();

    HWND m_parent;
    HWND m_browser = nullptr;
};

// The "View" command: renders the current audit's results page, shows it and
// deletes the file after the dialog closes; a failed render is reported in a
// box that owner (the window the command came from) holds.
void ShowResultsPage(AuditDocument& document, HWND owner = nullptr);

// The <title> of an HTML text; "" when it has none.
std::string HtmlTitle(const std::string& html);
