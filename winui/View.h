// The view of a single-document window: a child form on a dialog template
// that fills the frame's client area (template 0: an empty form).
#pragma once

#include "winui/Dialog.h"

#include <vector>

class View : public Dialog {
public:
    explicit View(UINT templateId = 0) : Dialog(templateId) {}

    bool CreateView(HWND frame);
    // After the document and the frame exist: fill the form.
    virtual void OnInitialUpdate() { UpdateData(false); }

private:
    std::vector<WORD> m_emptyTemplate;
};
