#include "winui/View.h"

#include "winui/DialogTemplate.h"

bool View::CreateView(HWND frame)
{
    if (m_templateId == 0 && m_memoryTemplate == nullptr) {
        DialogTemplate empty(WS_CHILD | WS_VISIBLE | DS_CONTROL, 0, 0, 10, 10, "");
        m_emptyTemplate = empty.Build();
        m_memoryTemplate = reinterpret_cast<const DLGTEMPLATE*>(m_emptyTemplate.data());
    }
    if (!Create(frame)) {
        return false;
    }
    LONG_PTR style = GetWindowLongPtrA(m_hwnd, GWL_STYLE);
    SetWindowLongPtrA(m_hwnd, GWL_STYLE, (style & ~(WS_POPUP | WS_CAPTION)) | WS_CHILD | WS_VISIBLE);
    return true;
}
