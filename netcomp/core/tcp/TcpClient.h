#pragma once
// The blocking side of the TCP layer that protocol engines build on: connect
// and wait, send and wait for the reply line, disconnect and wait, and the
// local file that received data can go to. Every wait is a 10 ms wait step
// on the component's window; a wait that stops gives 301.
#include <cstdint>

#include "netcomp/core/text/FileHandle.h"
#include "netcomp/core/tcp/TcpConnection.h"

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
    [[nodiscard]] int WaitForReply();
    [[nodiscard]] int WaitForTransfer();

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
    // One line of a multi-line message (reception modes 1 and 2).
    virtual void OnMessageLine(const char*, uint32_t) {}

    int m_connectResult = 0;
    bool m_connectDone = false;
    int m_disconnectResult = 0;
    bool m_busy = false;
    bool m_holdReplies = true;
    NetString m_reply;

private:
    int ReceiveMessageLine(const char* data, uint32_t n, bool eolFound);
    int DeliverMessageLine(const char* data, uint32_t n, bool eolFound);

    NetString m_connectText;
    void FlushLocalFile();
    void WriteLocalFileNow(const char* data, uint32_t n);

    static constexpr uint32_t kFileBlockSize = 64u << 10;
    BufferString m_localFileName;
    FileHandle m_localFile;
    NetString m_fileBlock; // what WriteLocalFile gathered for the next write
    int m_receptionMode = 0;
    bool m_jisBody = false; // the message's Content-Type names ISO-2022-JP
    int64_t m_receivedBytes = 0;
};
