#pragma once
// The private dovecot that the mail component tests talk to (started by the
// test set-up, tools/peers/dovecot.sh), and helpers the POP and IMAP tests
// share: a component held through its exported functions with its events
// recorded.
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/testing/EventRecorder.h"

constexpr int kDovecotImapPort = 21143;
constexpr int kDovecotPopPort = 21110;
// The dante SOCKS server of the HTTP tests (fixture http_dante).
constexpr int kSocksPort = 20403;

template <class Functions>
class MailClient {
public:
    explicit MailClient(int trailEvent)
        : m_trailEvent(trailEvent), m_component(EventRecorder::Callback, m_events.User())
    {
        m_events.TextsAt(trailEvent, {1});
    }

    ComponentHolder<Functions>& operator*() { return m_component; }
    ComponentHolder<Functions>* operator->() { return &m_component; }
    EventRecorder& Events() { return m_events; }

    // The lines sent (direction 0) or received (1) so far.
    std::vector<std::string> Trail(int direction) const
    {
        std::vector<std::string> lines;
        for (const RecordedEvent& e : m_events.Of(m_trailEvent))
            if (e.values[0] == direction)
                lines.push_back(e.texts[1]);
        return lines;
    }
    int Sent(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& line : Trail(0))
            n += line.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
    // A method with a text argument whose answer comes back in the second slot.
    int Answer(int method, const char* argument, std::string& answer)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(argument), 0};
        int lengths[2] = {};
        const int rc = Functions::kApi.doMethod(m_component.Handle(), method, 2, args, lengths);
        answer = args[1] ? reinterpret_cast<const char*>(args[1]) : "(null)";
        return rc;
    }

private:
    int m_trailEvent;
    EventRecorder m_events;
    ComponentHolder<Functions> m_component;
};

// Everything in a file.
std::string ReadFileBytes(const char* path);
