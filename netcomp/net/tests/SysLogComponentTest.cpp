// SysLog through its exported functions: messages sent to rsyslog on port
// 21514 (it writes each as "address|PRI|host|tag|text" to its log file),
// messages from the system's logger tool, and datagrams from a scripted
// peer for the layouts that are not RFC 3164.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_syslog.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/LinuxCommand.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kRsyslogPort = 21514;

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

std::string RsyslogLog()
{
    const char* binary = std::getenv("KES_BINARY_DIR");
    std::ifstream in(std::string("Z:") + (binary ? binary : "") + "/peers/rsyslog/messages.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct SysLog {
    EventRecorder events;
    void* obj;

    SysLog()
    {
        obj = SysLog_Create(EventRecorder::Callback, events.User(), nullptr);
        events.TextsAt(kSysLogEventPacketIn, {1, 3, 4, 5, 6, 8, 9});
    }
    ~SysLog() { SysLog_Destroy(obj); }

    int Set(int property, INT_PTR value) { return SysLog_Set(obj, property, 0, value, 0); }
    int Send(int facility, int severity, const char* message)
    {
        INT_PTR args[3] = {facility, severity, T(message)};
        return SysLog_Do(obj, kSysLogSendPacket, 3, args, nullptr);
    }
    void PumpUntil(std::size_t packets)
    {
        for (int i = 0; i < 300 && events.Of(kSysLogEventPacketIn).size() < packets; ++i)
            SysLog_Do(obj, kSysLogDoEvents, 0, nullptr, nullptr);
    }
};

TEST(SysLogAgainstRsyslog, SendsBsdMessages)
{
    SysLog log;
    EXPECT_EQ(SysLog_Get(log.obj, kSysLogRemoteHost, 0, nullptr) != 0, true);
    EXPECT_STREQ(reinterpret_cast<const char*>(SysLog_Get(log.obj, kSysLogRemoteHost, 0, nullptr)), "255.255.255.255");
    EXPECT_EQ(SysLog_Get(log.obj, kSysLogLocalPort, 0, nullptr), 514);
    EXPECT_EQ(log.Send(1, 5, "inactive"), 109);
    ASSERT_EQ(log.Set(kSysLogRemoteHost, T("127.0.0.1")), 0);
    ASSERT_EQ(log.Set(kSysLogRemotePort, kRsyslogPort), 0);
    ASSERT_EQ(log.Set(kSysLogLocalPort, 0), 0);
    ASSERT_EQ(log.Set(kSysLogActive, 1), 0) << SysLog_GetLastError(log.obj);
    ASSERT_EQ(log.Send(19, 4, "kestest: first message from the component"), 0);
    ASSERT_EQ(log.Send(4, 2, "kestest: second message"), 0);
    std::string logged;
    for (int i = 0; i < 100 && logged.find("second message") == std::string::npos; ++i) {
        Sleep(30);
        logged = RsyslogLog();
    }
    EXPECT_NE(logged.find("127.0.0.1|156|"), std::string::npos) << logged;
    EXPECT_NE(logged.find("|kestest:| first message from the component\n"), std::string::npos) << logged;
    EXPECT_NE(logged.find("127.0.0.1|34|"), std::string::npos) << logged;
}

TEST(SysLogFromLogger, ReceivesAndSplitsMessages)
{
    SysLog log;
    ASSERT_EQ(log.Set(kSysLogLocalHost, T("127.0.0.1")), 0);
    ASSERT_EQ(log.Set(kSysLogLocalPort, 0), 0);
    ASSERT_EQ(log.Set(kSysLogActive, 1), 0) << SysLog_GetLastError(log.obj);
    const std::string logger =
        "/usr/bin/logger -n 127.0.0.1 -P " + std::to_string(SysLog_Get(log.obj, kSysLogLocalPort, 0, nullptr)) + " -d ";
    // The system's logger tool, one run after the other: each has ended and
    // its message has come before the next starts.
    const auto pump = [&] { SysLog_Do(log.obj, kSysLogDoEvents, 0, nullptr, nullptr); };
    const LinuxRun first = RunLinuxCommand(logger + "--rfc3164 -p local3.warning -t kestest udp message one", pump);
    EXPECT_EQ(first.status, 0) << first;
    log.PumpUntil(1);
    const LinuxRun second = RunLinuxCommand(logger + "--rfc5424 -p mail.err structured", pump);
    EXPECT_EQ(second.status, 0) << second;
    log.PumpUntil(2);
    const auto packets = log.events.Of(kSysLogEventPacketIn);
    ASSERT_EQ(packets.size(), 2u);
    const RecordedEvent& bsd = packets[0];
    EXPECT_EQ(bsd.values[0], 19);
    EXPECT_EQ(bsd.texts[1], "Local Use 3");
    EXPECT_EQ(bsd.values[2], 4);
    EXPECT_EQ(bsd.texts[3], "Warning Condition");
    EXPECT_EQ(bsd.texts[4].size(), 15u);
    EXPECT_FALSE(bsd.texts[5].empty());
    EXPECT_EQ(bsd.texts[6], "kestest: udp message one");
    EXPECT_EQ(bsd.values[7], 1);
    EXPECT_EQ(bsd.texts[8].substr(0, 5), "<156>");
    EXPECT_EQ(bsd.texts[9], "127.0.0.1");
    // RFC 5424: priority read, the rest is the message.
    const RecordedEvent& modern = packets[1];
    EXPECT_EQ(modern.values[0], 2);
    EXPECT_EQ(modern.values[2], 3);
    EXPECT_EQ(modern.texts[4], "");
    EXPECT_EQ(modern.values[7], 0);
    EXPECT_NE(modern.texts[6].find("structured"), std::string::npos);
}

TEST(SysLogScripted, OddDatagramsAndCloseInsideTheEvent)
{
    ScriptedServer peer(ScriptTransport::Udp);
    peer.ExpectBytes(0,
                     [](const std::string& datagram) {
                         return datagram.size() > 20 && datagram.substr(0, 4) == "<13>" &&
                                        datagram.substr(datagram.size() - 3) == " go"
                                    ? std::string()
                                    : "not a message: " + datagram;
                     })
        .Send("<13>0123456789")
        .Send("no priority at all")
        .Send("<200>Jan  5 09:03:07 h")
        .Send("late");
    ASSERT_TRUE(peer.Start());
    SysLog log;
    ASSERT_EQ(log.Set(kSysLogRemoteHost, T("127.0.0.1")), 0);
    ASSERT_EQ(log.Set(kSysLogRemotePort, peer.Port()), 0);
    ASSERT_EQ(log.Set(kSysLogLocalPort, 0), 0);
    ASSERT_EQ(log.Set(kSysLogActive, 1), 0);
    EXPECT_EQ(log.Set(kSysLogActive, 1), 104);
    EXPECT_STREQ(SysLog_GetLastError(log.obj), "SysLog is already Active.");
    // The third packet closes the port from inside its event: the fourth never comes.
    log.events.OnEvent(kSysLogEventPacketIn, [&](const RecordedEvent&) {
        if (log.events.Of(kSysLogEventPacketIn).size() == 3)
            SysLog_Set(log.obj, kSysLogActive, 0, 0, 0);
    });
    ASSERT_EQ(log.Send(1, 5, "go"), 0);
    log.PumpUntil(4);
    EXPECT_EQ(peer.Finish(), "");
    const auto packets = log.events.Of(kSysLogEventPacketIn);
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0].values[0], 1);
    EXPECT_EQ(packets[0].values[2], 5);
    EXPECT_EQ(packets[0].texts[4], "");
    EXPECT_EQ(packets[0].texts[6], "0123456789");
    EXPECT_EQ(packets[0].values[7], 0);
    EXPECT_EQ(packets[1].texts[6], "no priority at all");
    EXPECT_EQ(packets[1].values[0], 1);
    EXPECT_EQ(packets[2].values[0], 25);
    EXPECT_EQ(packets[2].texts[1], "<unknown facility>");
    EXPECT_EQ(packets[2].texts[5], "h");
    EXPECT_FALSE(SysLog_Get(log.obj, kSysLogActive, 0, nullptr));
}

} // namespace
