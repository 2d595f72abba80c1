#pragma once
// The TFTP component's engine: one file read from or written to a TFTP
// server (RFC 1350, octet mode) block by block, each packet sent again until
// its answer comes or the resends run out.
#include <algorithm>
#include <cstdint>
#include <string>

#include "netcomp/core/text/FileHandle.h"
#include "netcomp/net/tftp/TftpPacket.h"
#include "netcomp/net/udp/UdpSocket.h"

class TftpEngine : public UdpSocket {
public:
    static constexpr int kPacketTooLarge = 122;
    static constexpr int kWrongResponse = 123;
    static constexpr int kServerError = 124;
    static constexpr int kInvalidResponse = 125;
    static constexpr int kNoLocalFile = 126;
    static constexpr int kCannotOpenFile = 127;
    static constexpr int kCannotWriteFile = 128;
    static constexpr int kBusy = 130;
    static constexpr int kMaxRetransmitTimeout = 86400;

    TftpEngine();

    [[nodiscard]] int GetFile();
    [[nodiscard]] int PutFile();
    // Closes the socket: a running transfer ends in its wait.
    void Abort();

    bool IsIdle() const { return m_action == Action::None; }
    const char* GetLocalFile() const { return m_localFile.c_str(); }
    void SetLocalFile(const char* path) { m_localFile = path ? path : ""; }
    const char* GetRemoteFile() const { return m_remoteFile.c_str(); }
    void SetRemoteFile(const char* name) { m_remoteFile = name ? name : ""; }
    int GetMaxRetransmissions() const { return m_maxRetransmissions; }
    void SetMaxRetransmissions(int n) { m_maxRetransmissions = n < 0 ? 0 : n; }
    int GetRetransmitTimeout() const { return m_retransmitTimeout; }
    // At least a second, and few enough that the milliseconds fit the wait's clock.
    void SetRetransmitTimeout(int seconds) { m_retransmitTimeout = std::clamp(seconds, 1, kMaxRetransmitTimeout); }
    int GetTftpPort() const { return m_tftpPort; }
    [[nodiscard]] int SetTftpPort(int port);

private:
    enum class Action { None, Get, Put };
    // What a transfer needs from its start to its end, whatever way it ends.
    class Transfer;

    // Sends the packet and waits for the server's answer to it; the answer
    // is then in m_reply. `accept` judges a packet from the server's
    // transfer port: Take it, Skip it (a duplicate), or Resend the packet.
    enum class Verdict { Take, Skip, Resend };
    template <class Accept>
    [[nodiscard]] int Ask(const std::string& packet, Accept&& accept);
    // The code and text for an answer that is not the one wanted.
    [[nodiscard]] int Refuse(int wrongCode, const char* wrongText);

    Action m_action = Action::None;
    int m_maxRetransmissions = 3;
    int m_retransmitTimeout = 5;
    int m_tftpPort = 69;
    int m_transferPort = 0;
    std::string m_localFile;
    std::string m_remoteFile;
    std::string m_replyBytes; // the answer Ask took
    tftp::Packet m_reply;
    FileHandle m_file; // the file a put reads
};
