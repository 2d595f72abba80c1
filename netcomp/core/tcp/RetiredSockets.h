#pragma once
// Socket notifications that outlived their socket. Winsock posts them to a
// window; once a socket is closed, those still queued would be taken for the
// next socket that gets the same handle value (the system hands out the
// lowest free one again at once), and a stale FD_CLOSE would end it.
//
// A close posts a marker behind them: every notification for that handle
// value that comes before its marker belongs to a closed socket and is
// dropped; the marker ends it. The owner of a window keeps one of these for
// every socket on it, so recognising a stale notification costs a look-up,
// not a walk through the window's queue.
#include <winsock2.h>
#include <windows.h>

#include <unordered_map>

#include "netcomp/core/framework/NotifyWindow.h"

class RetiredSockets {
public:
    // After the socket was closed: posts its marker to the window. False when
    // the marker could not be posted; the caller must then take the socket's
    // notifications out of the queue itself.
    bool Retire(HWND window, SOCKET closed);
    // A notification for this handle that comes before its marker.
    bool IsStale(SOCKET socket) const { return !m_pending.empty() && m_pending.count(socket) != 0; }
    // Takes a window message: true for a marker, which it consumes.
    bool TakeMarker(UINT message, WPARAM wParam);

private:
    std::unordered_map<SOCKET, int> m_pending; // handle -> markers still queued
};
