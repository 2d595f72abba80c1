#pragma once
// For the tests of an owner that pumps its messages inside its socket
// events (DoEvents in DataIn): counts the reads that took all the room they
// were given (more waits in the socket, and a read notification comes a
// moment later), and the waits the component made while the owner pumped
// inside an event, all and those after such a read. A stand-in for recv
// and the wait source of NetComponent, for one test (header only), made
// after the components have bound Winsock.
#include <windows.h>

#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/testing/WinsockStandIns.h"

class PumpWaits {
public:
    PumpWaits()
    {
        s_self = this;
        m_winsock.Entries().recv = &PumpWaits::Recv;
        NetComponent::SetWaitSource(&PumpWaits::Wait);
    }
    ~PumpWaits()
    {
        NetComponent::SetWaitSource(nullptr);
        s_self = nullptr;
    }
    PumpWaits(const PumpWaits&) = delete;
    PumpWaits& operator=(const PumpWaits&) = delete;

    // The owner pumps inside an event (on) or no longer (off).
    void InEvent(bool on) { m_inEvent = on; }
    int FullReads() const { return m_fullReads; }
    int WaitsInEvents() const { return m_waitsInEvents; }
    int WaitsAfterFullReads() const { return m_waitsAfterFullReads; }

private:
    static int WSAAPI Recv(SOCKET socket, char* buffer, int length, int flags)
    {
        PumpWaits& self = *s_self;
        const int got = self.m_winsock.Real().recv(socket, buffer, length, flags);
        self.m_lastReadFull = got > 0 && got == length;
        self.m_fullReads += self.m_lastReadFull;
        return got;
    }
    static DWORD WINAPI Wait(DWORD count, const HANDLE* handles, BOOL all, DWORD milliseconds, DWORD wake)
    {
        PumpWaits& self = *s_self;
        self.m_waitsInEvents += self.m_inEvent;
        self.m_waitsAfterFullReads += self.m_inEvent && self.m_lastReadFull;
        return MsgWaitForMultipleObjects(count, handles, all, milliseconds, wake);
    }

    static inline PumpWaits* s_self = nullptr;
    WinsockStandIns m_winsock;
    bool m_inEvent = false;
    bool m_lastReadFull = false;
    int m_fullReads = 0;
    int m_waitsInEvents = 0;
    int m_waitsAfterFullReads = 0;
};
