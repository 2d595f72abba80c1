#pragma once
// A scripted line-protocol server for component tests (SMTP, POP, IMAP,
// NNTP, FTP and the rest): it listens on 127.0.0.1, plays a script of canned
// replies and expected command lines on its own thread, and afterwards says
// whether the whole exchange went as written.
//
//   ScriptedServer server;
//   server.Reply("220 ready").Expect("HELO me").Reply("250 ok").Expect("QUIT").Reply("221 bye").ExpectClose();
//   ASSERT_TRUE(server.Start());
//   ... the component talks to 127.0.0.1:server.Port() ...
//   EXPECT_EQ("", server.Finish());
//
// Commands must end in CR LF. The first mismatch ends the script: the server
// closes the connection and Finish reports the step, what it wanted and what
// came. Lines after the last step are mismatches too, unless the script ends
// in Silence.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedServer {
public:
    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // The script, step by step, written before Start.
    ScriptedServer& Reply(const std::string& line);          // the line and CR LF
    ScriptedServer& Send(const std::string& bytes);          // bytes as they are: a reply cut short, data
    ScriptedServer& Expect(const std::string& line);         // the next command, exactly
    ScriptedServer& ExpectPrefix(const std::string& prefix); // the next command starts so (passwords, ids)
    // Command lines up to and including the line `terminator` (a mail body
    // ending in "."), kept whole for Captured.
    ScriptedServer& ExpectUntil(const std::string& terminator);
    ScriptedServer& Disconnect();  // closes the connection at once, mid-reply after a Send
    ScriptedServer& ExpectClose(); // the client must close the connection now
    ScriptedServer& Accept();      // the next connection (a reconnect, a data channel)
    // Answers nothing more and keeps the connection open until the client
    // closes it or the server stops: a peer that went quiet. Ends the script.
    ScriptedServer& Silence();

    // Each expected command may take this long (default 10 s).
    void SetStepTimeout(DWORD milliseconds) { m_stepTimeout = milliseconds; }

    // Listens on 127.0.0.1:port (0: any free port) and starts playing.
    bool Start(unsigned short port = 0);
    unsigned short Port() const { return m_port; }

    // Waits until the script has been played (at most timeoutMs), stops the
    // server and gives "" when every step went as written, else what failed.
    std::string Finish(DWORD timeoutMs = 10000);

    // Every command line received so far (without its CR LF).
    std::vector<std::string> Received() const;
    // The lines an ExpectUntil took, joined with CR LF (i: its order among them).
    std::string Captured(std::size_t i) const;

private:
    enum class Kind { Reply, Send, Expect, ExpectPrefix, ExpectUntil, Disconnect, ExpectClose, Accept, Silence };
    struct Step {
        Kind kind;
        std::string text;
    };
    enum class Read { Line, Closed, TimedOut, Stopped };

    ScriptedServer& Add(Kind kind, const std::string& text);
    void Play();
    bool PlayStep(std::size_t index, const Step& step);
    bool AcceptConnection();
    void CloseConnection();
    Read ReadLine(std::string& line, DWORD timeout, bool* bareLf);
    bool SendAll(const std::string& bytes);
    void Fail(std::size_t index, const std::string& what);
    void WatchAfterScript(bool silent);

    std::vector<Step> m_steps;
    DWORD m_stepTimeout = 10000;
    SOCKET m_listener = INVALID_SOCKET;
    SOCKET m_connection = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::string m_pending; // bytes received beyond the last line taken
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_played{false};
    bool m_started = false;

    mutable std::mutex m_lock; // guards what Finish, Received and Captured read
    std::string m_failure;
    std::vector<std::string> m_received;
    std::vector<std::string> m_captured;
};
