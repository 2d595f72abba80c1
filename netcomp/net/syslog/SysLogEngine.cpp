#include "netcomp/net/syslog/SysLogEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_syslog.h"
#include "netcomp/net/syslog/SysLogMessage.h"

namespace {

constexpr EventTable kSysLogEvents = {{SharedEvent::Error, kSysLogEventError}};

constexpr int kSysLogPort = 514;

} // namespace

SysLogEngine::SysLogEngine() : UdpSocket("SysLog"), m_hostName(GetLocalHost())
{
    SetEventTable(kSysLogEvents);
    (void)SetLocalPort(kSysLogPort);
    (void)SetRemotePort(kSysLogPort);
    // Messages go to the local broadcast address until a server is named.
    (void)SetRemoteHost("255.255.255.255");
}

int SysLogEngine::SendPacket(int facility, int severity, const char* message)
{
    SetLastErrorText("");
    SYSTEMTIME now = {};
    GetSystemTime(&now);
    const syslog_message::Time time{now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    std::string datagram;
    if (!syslog_message::Format(facility, severity, time, m_hostName, message, message ? std::strlen(message) : 0,
                                datagram)) {
        SetLastErrorText("Unable to acquire valid system time.");
        return kNoSystemTime;
    }
    return Send(datagram.data(), int(datagram.size()));
}

int SysLogEngine::OnDataIn(const char* data, int length, const char* address, int port)
{
    const syslog_message::Parsed parsed = syslog_message::Parse(data, std::size_t(length));
    int facility = parsed.facility;
    int severity = parsed.severity;
    const char* facilityName = syslog_message::FacilityName(facility);
    const char* severityName = syslog_message::SeverityName(severity);
    const char* timestamp = parsed.timestamp.c_str();
    const char* hostname = parsed.hostname.c_str();
    const char* message = parsed.message.c_str();
    bool conforming = parsed.conforming;
    char* packet = const_cast<char*>(data);
    Fire(kSysLogEventPacketIn,
         {EventParam::Int(&facility), EventParam::Text(&facilityName), EventParam::Int(&severity),
          EventParam::Text(&severityName), EventParam::Text(&timestamp), EventParam::Text(&hostname),
          EventParam::Text(&message), EventParam::Bool(&conforming), EventParam::Binary(&packet, length),
          EventParam::Text(&address), EventParam::Int(&port)});
    return kResultOk;
}
