#include "netcomp/core/tcp/RetiredSockets.h"

bool RetiredSockets::Retire(HWND window, SOCKET closed)
{
    if (!window || !PostMessageA(window, kMsgSocketRetired, WPARAM(closed), 0))
        return false;
    ++m_pending[closed];
    return true;
}

bool RetiredSockets::TakeMarker(UINT message, WPARAM wParam)
{
    if (message != kMsgSocketRetired)
        return false;
    const auto found = m_pending.find(SOCKET(wParam));
    if (found != m_pending.end() && --found->second <= 0)
        m_pending.erase(found);
    return true;
}
