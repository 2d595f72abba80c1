#pragma once
// The events that the shared layers fire (the TCP and datagram sockets, the
// HTTP client, the component base), named by what they mean. Each component
// numbers its events its own way, so each engine hands the base a table that
// gives the component's number for every shared event it has, taken from its
// numbers header:
//
//   constexpr EventTable kUdpPortEvents = {
//       {SharedEvent::DataIn, kUdpPortEventDataIn},
//       {SharedEvent::Error, kUdpPortEventError},
//       {SharedEvent::ReadyToSend, kUdpPortEventReadyToSend},
//   };
//   UdpPortEngine::UdpPortEngine() { SetEventTable(kUdpPortEvents); }
//
// A shared event missing from the table is not fired: the component has no
// such event. The most derived engine's constructor sets the table last, so
// an engine built on another (SOAP on HTTP) replaces its base's numbers.
#include <initializer_list>

enum class SharedEvent {
    Error,            // code, description
    ConnectionStatus, // status text, code, description
    Connected,        // code, description
    Disconnected,     // code, description
    DataIn,           // the layer's own shape: datagram, source address, port for UDP
    ReadyToSend,      // none
    StartTransfer,    // HTTP: direction; mail (PopMailClient): none
    Transfer,         // HTTP: direction, bytes so far, data; mail: bytes so far, line, end of line
    EndTransfer,      // HTTP: direction; mail: none
    Header,           // field, value
    ProtocolTrail,    // direction (0 sent, 1 received, 2 status), text
    Redirect,         // HTTP: location, accept (answerable)
    SetCookie,        // HTTP: name, value, expires, domain, path, secure
    Status,           // HTTP: version, code, description
    Count
};

class EventTable {
public:
    struct Entry {
        SharedEvent event;
        int number;
    };

    constexpr EventTable() = default;
    constexpr EventTable(std::initializer_list<Entry> entries)
    {
        for (const Entry& e : entries)
            m_numbers[int(e.event)] = e.number;
    }

    // The component's number of the event; 0 when it has none.
    constexpr int operator[](SharedEvent event) const { return m_numbers[int(event)]; }

private:
    int m_numbers[int(SharedEvent::Count)] = {};
};
