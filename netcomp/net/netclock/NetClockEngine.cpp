// One request at a time: the socket is connected to the server, so only its
// datagrams arrive; "time?" goes out once and the first answer ends the
// wait. An answer that holds no time (fewer than four bytes, or 0) and a
// receive error (the server's port unreachable) end the request as failures.
#include "netcomp/net/netclock/NetClockEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_netclock.h"
#include "netcomp/net/netclock/TimeProtocol.h"

namespace {

constexpr EventTable kNetClockEvents = {{SharedEvent::Error, kNetClockEventError}};

constexpr int kTimePort = 37;
// A public time server (time-a-g.nist.gov), given as an address so that
// nothing is looked up before the owner names a server of its own.
constexpr const char* kDefaultServer = "129.6.15.28";

NetClockEngine::ClockSetter g_setClock = &SetSystemTime;

SYSTEMTIME SystemTimeOf(const time_protocol::CalendarTime& t)
{
    SYSTEMTIME s = {};
    s.wYear = WORD(t.year);
    s.wMonth = WORD(t.month);
    s.wDay = WORD(t.day);
    s.wHour = WORD(t.hour);
    s.wMinute = WORD(t.minute);
    s.wSecond = WORD(t.second);
    return s;
}

} // namespace

void NetClockEngine::SetClockSetter(ClockSetter setter)
{
    g_setClock = setter ? setter : &SetSystemTime;
}

NetClockEngine::NetClockEngine() : UdpSocket("NetClock")
{
    SetEventTable(kNetClockEvents);
    (void)SetTimeout(60);
    (void)SetRemotePort(kTimePort);
    (void)SetRemoteHost(kDefaultServer);
}

void NetClockEngine::OnError(int code, const char* description)
{
    UdpSocket::OnError(code, description);
    // The request ends with the error: no answer will come.
    if (m_action != Action::None && m_receiveError == 0) {
        m_receiveError = code;
        m_receiveText = description ? description : "";
        (void)Close();
    }
}

int NetClockEngine::Request(Action action)
{
    SetLastErrorText("");
    m_serverTime.clear();
    m_localTime.clear();
    m_action = action;
    const int rc = Ask();
    m_action = Action::None;
    const std::string text = LastErrorText();
    (void)SetActive(false);
    SetLastErrorText(text.c_str());
    return rc;
}

int NetClockEngine::Ask()
{
    (void)SetActive(false);
    int rc = SetUseConnection(true);
    m_answer = 0;
    m_answered = false;
    m_receiveError = 0;
    if (rc != kResultOk || (rc = SetActive(true)) != kResultOk)
        return rc;
    StartTimeout();
    static const char kRequest[] = "time?";
    rc = Exchange(kRequest, 5, Retransmission{}, [this](const char* data, int length, const char*, int) {
        m_answered = time_protocol::ReadAnswer(data, std::size_t(length), m_answer);
        return true;
    });
    if (m_receiveError != 0) {
        SetLastErrorText(m_receiveText.c_str());
        return m_receiveError;
    }
    if (rc != kResultOk)
        return rc;
    if (!m_answered) {
        SetLastErrorText("No valid time was received from the server.");
        return kNoTime;
    }
    const time_protocol::CalendarTime gmt = time_protocol::FromSeconds(m_answer);
    m_serverTime = time_protocol::Text(gmt) + " GMT";
    const SYSTEMTIME utc = SystemTimeOf(gmt);
    SYSTEMTIME local = {};
    if (SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        const time_protocol::CalendarTime t{local.wYear, local.wMonth,  local.wDay,
                                            local.wHour, local.wMinute, local.wSecond};
        m_localTime = time_protocol::Text(t);
    }
    return m_action == Action::GetAndSet ? SetClock(utc) : kResultOk;
}

int NetClockEngine::SetClock(const SYSTEMTIME& time)
{
    if (g_setClock(&time))
        return kResultOk;
    const std::string text = "Error setting system time [" + std::to_string(GetLastError()) + "].";
    SetLastErrorText(text.c_str());
    return kCannotSetTime;
}
