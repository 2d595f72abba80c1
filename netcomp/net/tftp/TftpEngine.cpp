// A transfer runs inside GetFile or PutFile: each packet goes out through
// the socket's exchange, which sends it again every RetransmitTimeout until
// the matcher takes an answer. The matcher keeps to the server: its address,
// and from the first answer on the transfer port that answer came from.
// Block numbers follow RFC 1350's duplicate rules: a data block that comes
// again (our acknowledgement was lost) is acknowledged again and not written
// twice, and an acknowledgement that comes again sends nothing.
//
// A get writes beside LocalFile and puts the file in its place only once the
// last block has come: a refused or failed get leaves a file downloaded
// earlier under that name as it was.
#include "netcomp/net/tftp/TftpEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/ReplacementFile.h"
#include "netcomp/include/netcomp_tftp.h"

namespace {

constexpr EventTable kTftpEvents = {{SharedEvent::Error, kTftpEventError}};

unsigned Next(unsigned block)
{
    return (block + 1) & 0xFFFF;
}

} // namespace

class TftpEngine::Transfer {
public:
    Transfer(TftpEngine& engine, Action action) : m_engine(engine)
    {
        m_engine.StartTimeout();
        m_engine.ClearInterruptRequest();
        m_engine.m_action = action;
        m_engine.m_transferPort = 0;
    }

    ~Transfer()
    {
        const std::string text = m_engine.LastErrorText();
        m_engine.m_action = Action::None;
        (void)m_engine.SetActive(false);
        m_engine.m_file.Close();
        m_engine.SetLastErrorText(text.c_str());
    }

    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    [[nodiscard]] int Open()
    {
        int rc = m_engine.SetLocalPort(0);
        if (rc == kResultOk)
            rc = m_engine.SetRemotePort(m_engine.m_tftpPort);
        if (rc == kResultOk)
            rc = m_engine.SetActive(true);
        return rc;
    }

private:
    TftpEngine& m_engine;
};

TftpEngine::TftpEngine() : UdpSocket("TFTP")
{
    SetEventTable(kTftpEvents);
    (void)SetTimeout(60);
    (void)SetRemotePort(m_tftpPort);
}

int TftpEngine::SetTftpPort(int port)
{
    m_tftpPort = port;
    return SetRemotePort(port);
}

void TftpEngine::Abort()
{
    Interrupt();
    (void)Close();
}

template <class Accept>
int TftpEngine::Ask(const std::string& packet, Accept&& accept)
{
    const std::string server = GetRemoteHost();
    const Retransmission resend{DWORD(m_retransmitTimeout) * 1000, m_maxRetransmissions};
    return Exchange(packet.data(), int(packet.size()), resend,
                    [&](const char* data, int length, const char* address, int port) {
                        if (server != address || (m_transferPort != 0 && port != m_transferPort))
                            return false;
                        if (length > int(tftp::kMaxPacket)) {
                            FireError(kPacketTooLarge, "Packet too large.");
                            return false;
                        }
                        tftp::Packet reply;
                        if (!tftp::Read(data, std::size_t(length), reply))
                            return false;
                        switch (accept(reply)) {
                        case Verdict::Skip:
                            return false;
                        case Verdict::Resend:
                            FireError(kInvalidResponse, "Invalid server response.");
                            (void)Send(packet.data(), int(packet.size()));
                            return false;
                        case Verdict::Take:
                            break;
                        }
                        // The first answer names the port the transfer goes on.
                        if (m_transferPort == 0) {
                            m_transferPort = port;
                            (void)SetRemotePort(port);
                        }
                        m_replyBytes.assign(data, std::size_t(length));
                        (void)tftp::Read(m_replyBytes.data(), m_replyBytes.size(), m_reply);
                        return true;
                    });
}

int TftpEngine::Refuse(int wrongCode, const char* wrongText)
{
    if (m_reply.opcode == tftp::kError) {
        const std::string text = "Server error: [" + std::to_string(m_reply.number) + "] " + m_reply.errorMessage + ".";
        SetLastErrorText(text.c_str());
        return kServerError;
    }
    SetLastErrorText(wrongText);
    return wrongCode;
}

int TftpEngine::GetFile()
{
    SetLastErrorText("");
    if (m_action != Action::None) {
        SetLastErrorText("Busy performing current transfer.");
        return kBusy;
    }
    Transfer transfer(*this, Action::Get);
    int rc = transfer.Open();
    if (rc != kResultOk)
        return rc;
    ReplacementFile local;
    if (!m_localFile.empty() && local.Create(m_localFile.c_str(), "tft") != kResultOk) {
        SetLastErrorText("Can't open local file.");
        return kCannotOpenFile;
    }
    std::string packet = tftp::Request(tftp::kReadRequest, m_remoteFile);
    // Block numbers wrap after 65535 (to 0): the first block is known by
    // none having come yet, not by its number.
    unsigned expected = 1;
    bool first = true;
    std::int64_t received = 0;
    for (;;) {
        rc = Ask(packet, [&](const tftp::Packet& reply) {
            if (reply.opcode != tftp::kData)
                return Verdict::Take;
            if (reply.number == expected)
                return Verdict::Take;
            // The block before again: our acknowledgement of it was lost.
            if (!first && Next(reply.number) == expected) {
                const std::string ack = tftp::Ack(reply.number);
                (void)Send(ack.data(), int(ack.size()));
            }
            return Verdict::Skip;
        });
        if (rc != kResultOk)
            return rc;
        if (m_reply.opcode != tftp::kData)
            return Refuse(kWrongResponse, "Wrong response type from server.");
        if (first)
            Fire(kTftpEventStartTransfer, {});
        first = false;
        const int length = int(m_reply.dataLength);
        if (local.IsOpen() && length > 0 && local.Write(m_reply.data, uint32_t(length)) != kResultOk) {
            SetLastErrorText("Can't write to local file.");
            return kCannotWriteFile;
        }
        received += length;
        std::intptr_t count = std::intptr_t(received);
        char* data = const_cast<char*>(m_reply.data);
        Fire(kTftpEventTransfer, {EventParam::IntPtr(&count), EventParam::Binary(&data, length)});
        packet = tftp::Ack(expected);
        if (m_reply.dataLength < tftp::kBlockSize) {
            // The last block: its acknowledgement needs no answer.
            if ((rc = Send(packet.data(), int(packet.size()))) != kResultOk)
                return rc;
            if (local.IsOpen() && local.Commit() != kResultOk) {
                SetLastErrorText("Can't write to local file.");
                return kCannotWriteFile;
            }
            Fire(kTftpEventEndTransfer, {});
            return kResultOk;
        }
        expected = Next(expected);
    }
}

int TftpEngine::PutFile()
{
    SetLastErrorText("");
    if (m_action != Action::None) {
        SetLastErrorText("Busy performing current transfer.");
        return kBusy;
    }
    Transfer transfer(*this, Action::Put);
    if (m_localFile.empty()) {
        SetLastErrorText("A valid LocalFile must be provided for PUT operations.");
        return kNoLocalFile;
    }
    if (m_file.OpenRead(m_localFile.c_str(), 0) != kResultOk) {
        SetLastErrorText("Can't open local file.");
        return kCannotOpenFile;
    }
    int rc = transfer.Open();
    if (rc != kResultOk)
        return rc;
    unsigned block = 0;
    bool requesting = true;
    auto acknowledged = [&](const tftp::Packet& reply) {
        if (requesting || reply.opcode == tftp::kError)
            return Verdict::Take;
        if (reply.opcode == tftp::kAck)
            return reply.number == block ? Verdict::Take : Verdict::Skip; // a duplicate sends nothing
        return Verdict::Resend;
    };
    rc = Ask(tftp::Request(tftp::kWriteRequest, m_remoteFile), acknowledged);
    if (rc != kResultOk)
        return rc;
    if (m_reply.opcode != tftp::kAck || m_reply.number != 0)
        return Refuse(kInvalidResponse, "Invalid server response.");
    requesting = false;
    Fire(kTftpEventStartTransfer, {});
    std::int64_t sent = 0;
    char data[tftp::kBlockSize];
    for (;;) {
        uint32_t got = 0;
        while (got < tftp::kBlockSize) {
            uint32_t n = 0;
            if (m_file.Read(data + got, uint32_t(tftp::kBlockSize) - got, &n) != kResultOk || n == 0)
                break;
            got += n;
        }
        block = Next(block);
        if ((rc = Ask(tftp::Data(block, data, got), acknowledged)) != kResultOk)
            return rc;
        if (m_reply.opcode != tftp::kAck)
            return Refuse(kInvalidResponse, "Invalid server response.");
        sent += got;
        std::intptr_t count = std::intptr_t(sent);
        char* none = const_cast<char*>("");
        Fire(kTftpEventTransfer, {EventParam::IntPtr(&count), EventParam::Binary(&none, 0)});
        // A block shorter than 512 bytes (an empty one after a file of whole
        // blocks) ends the file.
        if (got < tftp::kBlockSize)
            break;
    }
    Fire(kTftpEventEndTransfer, {});
    return kResultOk;
}
