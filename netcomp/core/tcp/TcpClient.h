#pragma once
// The blocking side of the TCP layer that protocol engines build on: connect
// and wait, send a command and wait for its whole reply, disconnect and
// wait, and the local file that received data can go to. Every wait is a
// 10 ms wait step on the component's window; a wait that stops (Interrupt,
// the time-out) gives 301, one whose connection ended before the reply gives
// the close's code.
//
// A line protocol's engine (SMTP, POP, NNTP, FTP ...) says how its replies
// read and which code its failures carry, then sends commands:
//
//   SmtpEngine::SmtpEngine()
//   {
//       (void)Init();
//       (void)SetEOL("\r\n", 2); SetLineMode(true);   // or SetSingleLineMode
//       SetReplyRules(kCodedReply);                    // ReplyReader.h
//       SetProtocolErrorCode(161);
//   }
//   rc = WaitForReply();                    // the greeting, however many lines
//   rc = Exchange("MAIL", "FROM:<a@b.test>"); // 0 for a positive reply, else 161
//                                           // with the reply's last line as text
//   Reply().Code(), Reply().Text(), ReplyText() (the last line)
//
// Arguments are the caller's: one holding CR or LF would end the command
// early and start another, so it is refused with the protocol's code and
// nothing is sent. OnCommandLine and OnReplyLine see every line that goes
// out and comes in (an engine's protocol trail); OnReplyLine may also tell
// the reader what it knows of a line (FTP's 426 after ABOR).
//
// IMAP sits on the same line source: with kSingleLineReply rules its
// OnReplyLine answers More for untagged lines and Final for the tagged one,
// and a line that announces a literal ("{n}") asks Lines().ExpectBlock(n);
// the literal's bytes then come to OnReplyBlock, and the reply goes on.
// (A socket in line mode hands over lines without their ends, which come
// back as CR LF; with raw delivery, no EOL, a literal arrives byte for byte.)
#include <cstdint>

#include "netcomp/core/tcp/LineSource.h"
#include "netcomp/core/tcp/ReplyReader.h"
#include "netcomp/core/tcp/TcpConnection.h"
#include "netcomp/core/text/FileHandle.h"

constexpr int kFileError = 302;

class TcpClient : public TcpConnection {
public:
    ~TcpClient() override { CloseLocalFile(); }

    int Init();

    [[nodiscard]] int Connect();
    [[nodiscard]] int ConnectTo(const char* host, int port);
    [[nodiscard]] int Disconnect();
    [[nodiscard]] int WaitForDisconnect();
    [[nodiscard]] int SendBytes(const char* data, uint32_t n, bool progress);
    [[nodiscard]] int SendCommand(const char* data, uint32_t n);
    [[nodiscard]] int SendCommandLine(const char* command, const char* separator, const char* argument,
                                      const char* suffix);
    // command [blank argument] CR LF, its whole reply, judged (CheckReply).
    [[nodiscard]] int Exchange(const char* command, const char* argument);
    [[nodiscard]] int WaitForReply();
    // After a send that found the peer gone (any other code is given back):
    // 0 when a whole negative reply came before the close (CheckReply then
    // gives the protocol's code with its last line), else the send's code.
    [[nodiscard]] int ReplyBeforeClose(int sendResult);
    // The same, judged: the protocol's code with the server's refusal as the
    // text, or the send's code (for data that goes out without a reply of
    // its own, a message's text).
    [[nodiscard]] int RefusalBeforeClose(int sendResult);
    // The code of a wait whose connection ended before its reply or message
    // was whole: the close's code, or 10054 for a clean close (with a text
    // that says the server closed it).
    [[nodiscard]] int ConnectionLost();
    // Its code alone, the last-error text left as it is.
    int LostConnectionCode() const;
    // The result of a QUIT (or LOGOUT) that ended as asked: an interrupt, or
    // the server's close before its reply or in its place (not a refusal).
    bool QuitEnded(int rc) const
    {
        return rc == kInterrupted || (rc != kResultOk && rc != m_protocolError && !HasSocket());
    }
    // 0 for a positive reply; else the reply's last line becomes the
    // last-error text and the result is the protocol's code.
    [[nodiscard]] int CheckReply();
    [[nodiscard]] int WaitForTransfer();

    void SetReplyRules(const ReplyRules& rules) { m_replyReader.SetRules(rules); }
    // The code of refused arguments and replies that break the limits
    // (default 10022, "Invalid argument", for engines without their own).
    void SetProtocolErrorCode(int code) { m_protocolError = code; }
    int ProtocolErrorCode() const { return m_protocolError; }
    // The most a reply keeps of its lines, and the longest line read.
    void SetMaxReplySize(uint32_t bytes) { m_replyReader.SetMaxSize(bytes); }
    void SetMaxReplyLine(uint32_t bytes) { m_lines.SetMaxLine(bytes); }
    uint32_t MaxReplyLine() const { return m_lines.MaxLine(); }
    const ReplyReader& Reply() const { return m_replyReader; }

    [[nodiscard]] int SetLocalFile(const char* text);
    const char* GetLocalFile() const { return m_localFileName.CStr(); }
    [[nodiscard]] int OpenLocalFile();
    void WriteLocalFile(const char* data, uint32_t n);
    void CloseLocalFile();

    const char* ReplyText() const { return m_reply.CStr(); }
    uint32_t ReplyLength() const { return m_reply.Length(); }
    void SetHoldReplies(bool on) { m_holdReplies = on; }
    // 1 headers, 2 body, 0 off: how ProcessData reads a multi-line message.
    void SetReceptionMode(int mode) { m_receptionMode = mode; }
    int ReceptionMode() const { return m_receptionMode; }
    int64_t ReceivedBytes() const { return m_receivedBytes; }

protected:
    void OnConnected(int code) override;
    void OnDisconnected(int code) override;
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;

    // Told the bytes sent so far after each wait of a progress send.
    virtual int OnSendProgress(int64_t) { return 0; }
    // Called each round of a reply wait; nonzero stops the wait with that code.
    virtual int OnReplyWaitRound() { return 0; }
    // How long a round of a reply wait may sleep when no message comes: 0
    // while the round hook has work it can do at once (an upload whose
    // socket still takes data).
    virtual DWORD ReplyWaitStep() const { return 10; }
    // Each command line before it is sent, without its line end.
    virtual void OnCommandLine(const char*, uint32_t) {}
    // The ProtocolTrail event under the engine's number: direction 0 a
    // command sent, 1 a reply line, 2 a status text; TrailLine takes a line
    // that has no terminating NUL.
    void Trail(int direction, const char* text);
    void TrailLine(int direction, const char* line, uint32_t n);
    // For an engine whose trail shows its connection: a completed connect or
    // a clean close is a status line ("Connected.", "Disconnected."); a
    // failed one, or a close with an error, an Error event with errorCode.
    void TrailConnection(int code, bool connecting, int errorCode);
    // Each reply line as it arrives; the answer overrides the reply rules for it.
    virtual ReplyReader::Hint OnReplyLine(const char*, uint32_t) { return ReplyReader::Hint::Rules; }
    // A reply line past the line limit, by its first bytes (at most
    // kJudgedHead): it goes to no other hook and fails the reply, which is
    // still read to its end; the answer says whether more lines follow, as
    // OnReplyLine's does.
    virtual ReplyReader::Hint OnLongReplyLine(const char*, uint32_t) { return ReplyReader::Hint::Rules; }
    static constexpr uint32_t kJudgedHead = 512;
    // Pieces of the bytes a reply line announced through Lines().ExpectBlock.
    virtual void OnReplyBlock(const char*, uint32_t) {}
    LineSource& Lines() { return m_lines; }
    // One line of a multi-line message (reception modes 1 and 2).
    virtual void OnMessageLine(const char*, uint32_t) {}
    // Each line (or piece of a long one) while WaitForTransfer waits: the
    // generic handler below writes the message to LocalFile and ends the
    // reception (SetReceptionMode(0)) at the line "."; an engine with a
    // receive handler of its own takes the lines here instead.
    virtual int ReceiveMessageLine(const char* data, uint32_t n, bool eolFound);

    int m_connectResult = 0;
    bool m_connectDone = false;
    int m_disconnectResult = 0;
    bool m_busy = false;
    bool m_holdReplies = true;
    NetString m_reply;

private:
    void TakeReplyLines();
    int TakeMessageLines();
    int OutOfMemoryInData();
    int DeliverMessageLine(const char* data, uint32_t n, bool eolFound);
    void FlushLocalFile();
    void WriteLocalFileNow(const char* data, uint32_t n);

    static constexpr uint32_t kFileBlockSize = 64u << 10;
    NetString m_connectText;
    LineSource m_lines;
    ReplyReader m_replyReader;
    const char* m_replyFailure = nullptr; // why the last reply wait failed
    int m_protocolError = 10022;
    BufferString m_localFileName;
    FileHandle m_localFile;
    NetString m_fileBlock; // what WriteLocalFile gathered for the next write
    int m_receptionMode = 0;
    bool m_messageLineStart = true; // the next piece of a message begins a line
    bool m_jisBody = false;         // the message's Content-Type names ISO-2022-JP
    int64_t m_receivedBytes = 0;
};
