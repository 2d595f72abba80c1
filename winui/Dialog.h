// A dialog from a resource template (or a template built in memory), modal
// or modeless. A dialog class registers its handlers in its constructor,
// sets its controls up in OnInitDialog and keeps every control-to-member
// transfer in DoDataExchange.
#pragma once

#include "winui/DataExchange.h"
#include "winui/Window.h"

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId) : m_templateId(templateId) {}
    // The template must outlive the dialog's window.
    explicit Dialog(const DLGTEMPLATE* memoryTemplate) : m_memoryTemplate(memoryTemplate) {}

    // Runs the dialog's own loop; the value given to EndDialog, or -1 when
    // the window could not be made.
    INT_PTR DoModal(HWND parent);
    // A modeless dialog; the application's loop routes its keys.
    bool Create(HWND parent);
    // Ends a modal dialog with result, or destroys a modeless one.
    void EndDialog(INT_PTR result);

    // save: controls to members (false when a check failed).
    bool UpdateData(bool save);
    HWND GetItem(int id) const { return GetDlgItem(m_hwnd, id); }
    bool IsModal() const { return m_modal; }

protected:
    // Default: members to controls; true lets the system set the focus.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx) { (void)dx; }
    // Enter: read the controls and end with IDOK when they pass.
    virtual void OnOK();
    // Esc or the close box: end with IDCANCEL.
    virtual void OnCancel();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Answers a message that the dialog manager must see as handled or not.
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);

    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Attaches the object at WM_INITDIALOG and forwards every message.
    static INT_PTR ForwardToObject(Dialog* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId = 0;
    const DLGTEMPLATE* m_memoryTemplate = nullptr;
    bool m_modal = false;
};
