// The modal "Kestrova - Audit Results" dialog: a resizable window filled by
// the web-browser control. It opens the program's own page of OK and Cancel
// buttons, then shows one rendered report file; a click of either button on
// a page ends the dialog with OK or Cancel.
#pragma once

#include "winui/HtmlDialog.h"

#include <string>

class AuditDocument;

class ResultsHtmlDlg : public HtmlDialog {
public:
    explicit ResultsHtmlDlg(HWND parent = nullptr);

    INT_PTR DoModal() { return Dialog::DoModal(m_parent); }

    // The file to show; set before DoModal.
    std::string m_path;

protected:
    bool OnInitDialog() override;

private:
    HWND m_parent;
};

// The "View" command: renders the current audit's results page, shows it and
// deletes the file after the dialog closes; a failed render is reported in a
// box that owner (the window the command came from) holds.
void ShowResultsPage(AuditDocument& document, HWND owner = nullptr);

// The <title> of an HTML text; "" when it has none.
std::string HtmlTitle(const std::string& html);
