#pragma once
// A scripted peer for component tests (SMTP, POP, FTP, SMPP, DNS, TFTP and
// the rest): it listens on 127.0.0.1, plays a script of canned replies and
// expected commands on its own thread, and afterwards says whether the whole
// exchange went as written.
//
//   ScriptedServer server;
//   server.Reply("220 ready").Expect("HELO me").Reply("250 ok").Expect("QUIT").Reply("221 bye").ExpectClose();
//   ASSERT_TRUE(server.Start());
//   ... the component talks to 127.0.0.1:server.Port() ...
//   EXPECT_EQ("", server.Finish());
//
// Commands must end in CR LF. The first mismatch ends the script: the server
// closes its connections and Finish reports the step, what it wanted and
// what came. Commands after the last step are mismatches too, unless the
// script ends in Silence.
//
// Channels: channel 0 is the port Start opens (TCP, or UDP when the server
// is made with ScriptTransport::Udp). AddChannel opens another port at once,
// so that its number can go into a reply (an FTP data port, a TFTP transfer
// port); On(channel) plays the steps that follow on it. A TCP channel takes
// its connection by Accept, or makes one to the client by ConnectBack (an
// FTP active data connection, the error channel of rsh).
//
// Datagrams: on a UDP channel every Expect takes one datagram and compares it
// whole, and Send and Reply answer with one datagram to the client's address
// and port as the last datagram on any channel gave them. A datagram that the
// script expects but does not answer is a dropped one:
//
//   ScriptedServer dns(ScriptTransport::Udp);
//   dns.ExpectBytes(query).ExpectBytes(query).SendWith(AnswerTo);  // the first try is lost
//
// Binary: ExpectBytes compares bytes exactly, or hands a given number of
// them (a whole datagram on UDP) to a check of the test's own; SendWith
// builds a reply from what the last expectation took (to echo a request id).
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "netcomp/testing/ScriptedChannel.h"

class ScriptedServer {
public:
    // "" when what came is right, else what is wrong with it.
    using Check = std::function<std::string(const std::string& received)>;
    // Bytes to send, made from what the last expectation took.
    using Make = std::function<std::string(const std::string& received)>;
    // The client's port to connect to, read from what the last expectation took.
    using PortOf = std::function<unsigned short(const std::string& received)>;

    explicit ScriptedServer(ScriptTransport transport = ScriptTransport::Tcp);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Opens another port on 127.0.0.1 now; its number, or -1 when it fails.
    int AddChannel(ScriptTransport transport);
    // The steps that follow play on this channel (0 at first).
    ScriptedServer& On(int channel);

    // The script, step by step, written before Start.
    ScriptedServer& Reply(const std::string& line);          // the line and CR LF
    ScriptedServer& Send(const std::string& bytes);          // bytes as they are: a reply cut short, data
    ScriptedServer& SendWith(Make make);                     // bytes made from what came last
    ScriptedServer& Expect(const std::string& line);         // the next command, exactly
    ScriptedServer& ExpectPrefix(const std::string& prefix); // the next command starts so (passwords, ids)
    // Command lines up to and including the line `terminator` (a mail body
    // ending in "."), kept whole for Captured.
    ScriptedServer& ExpectUntil(const std::string& terminator);
    ScriptedServer& ExpectBytes(const std::string& bytes);       // exactly these bytes (one datagram on UDP)
    ScriptedServer& ExpectBytes(std::size_t count, Check check); // count bytes (a datagram on UDP), judged by check
    // The bytes every intervalMs, `times` times in all: a server that goes on
    // sending, slowly, whatever the client says. A client that closes the
    // connection (or resets it) ends this step, not the script.
    ScriptedServer& Trickle(const std::string& bytes, DWORD intervalMs, std::size_t times);
    // Nothing may come on the connection for this long, and it must stay
    // open: a client that must not send yet (an upload before its command).
    ScriptedServer& ExpectQuiet(DWORD milliseconds);
    ScriptedServer& Disconnect();               // closes the connection at once, mid-reply after a Send
    ScriptedServer& Reset();                    // resets it: what the client sends later finds it gone
    ScriptedServer& ExpectClose();              // the client must close the connection now
    ScriptedServer& Accept();                   // the next connection (a reconnect, a data channel)
    ScriptedServer& ConnectBack(PortOf portOf); // a connection to the client's port
    // Answers nothing more and keeps the connections open until the client
    // closes them or the server stops: a peer that went quiet. Ends the script.
    ScriptedServer& Silence();

    // Each expected command may take this long (default 10 s). Connections
    // (the first, Accept) are waited for until Finish's time runs out.
    void SetStepTimeout(DWORD milliseconds) { m_stepTimeout = milliseconds; }

    // Opens channel 0 on 127.0.0.1:port (0: any free port) and starts playing.
    bool Start(unsigned short port = 0);
    unsigned short Port(int channel = 0) const;

    // Waits until the script has been played (at most timeoutMs), stops the
    // server and gives "" when every step went as written, else what failed.
    std::string Finish(DWORD timeoutMs = 10000);

    // Every command line, byte block and datagram received so far, in order
    // (lines without their CR LF).
    std::vector<std::string> Received() const;
    // The lines an ExpectUntil took, joined with CR LF (i: its order among them).
    std::string Captured(std::size_t i) const;

private:
    enum class Kind {
        Reply,
        Send,
        SendWith,
        Expect,
        ExpectPrefix,
        ExpectUntil,
        ExpectBytes,
        Trickle,
        ExpectQuiet,
        Disconnect,
        Reset,
        ExpectClose,
        Accept,
        ConnectBack,
        Silence
    };
    struct Step {
        explicit Step(Kind k, std::string t = std::string()) : kind(k), text(std::move(t)) {}

        Kind kind;
        int channel = 0;
        std::string text;
        std::size_t count = 0;
        DWORD interval = 0;
        Check check;
        Make make;
        PortOf portOf;
    };
    using Read = ScriptedChannel::Read;

    ScriptedServer& Add(Step step);
    void Play();
    bool PlayStep(std::size_t index, const Step& step);
    bool ExpectLine(std::size_t index, const Step& step, ScriptedChannel& channel);
    bool ExpectData(std::size_t index, const Step& step, ScriptedChannel& channel);
    bool ExpectLines(std::size_t index, const Step& step, ScriptedChannel& channel);
    bool PlayTrickle(std::size_t index, const Step& step, ScriptedChannel& channel);
    bool ExpectNothing(std::size_t index, const Step& step, ScriptedChannel& channel);
    bool ReadCommand(std::size_t index, ScriptedChannel& channel, const std::string& wanted, std::string& line);
    bool ReadData(std::size_t index, const Step& step, ScriptedChannel& channel, std::string& bytes);
    bool SendBytes(std::size_t index, ScriptedChannel& channel, const std::string& bytes);
    void Record(const std::string& item);
    void Fail(std::size_t index, const std::string& what);
    void WatchAfterScript(bool silent);
    void CloseAll();

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_played{false};
    std::vector<std::unique_ptr<ScriptedChannel>> m_channels;
    std::vector<Step> m_steps;
    int m_current = 0; // the channel that On chose for the steps being written
    DWORD m_stepTimeout = 10000;
    sockaddr_in m_client = {}; // where datagrams are answered
    bool m_clientKnown = false;
    std::string m_last; // what the last expectation took
    std::thread m_thread;
    bool m_started = false;

    mutable std::mutex m_lock; // guards what Finish, Received and Captured read
    std::string m_failure;
    std::vector<std::string> m_received;
    std::vector<std::string> m_captured;
};
