#pragma once
// The data connection of the FTP engine: one per listing or transfer, made
// by the server to a port this side listens on (active) or by this side to
// the port a PASV reply names (passive). What arrives goes where the mode
// says: to the owner's Transfer event, to the local file, or to the listing
// parser; an upload's bytes are pumped out of the local file by the owner's
// wait. The file is read and written in blocks as they come, so memory
// does not grow with it. A download's file opens only once the server has
// taken the transfer (TransferAccepted) or its first block has come, not
// when the connection comes up: a passive connection is up before the
// server answers the RETR, and a refused one must not empty a file
// downloaded earlier under that name.
#include <cstdint>
#include <memory>

#include "netcomp/core/text/FileHandle.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/net/ftp/FtpListLine.h"
#include "netcomp/net/rcommand/AcceptSocket.h"

class FtpEngine;

constexpr int kFtpFileReadError = 144;

class FtpDataConnection final : public AcceptSocket {
public:
    enum class Mode { None = 0, Receive = 1, Upload = 2, Download = 3, NameList = 4, LongList = 5 };
    // What a pump of the upload did.
    enum class Pump { More, WouldBlock, Done, Failed };

    explicit FtpDataConnection(FtpEngine& owner);
    ~FtpDataConnection() override;

    // Before the connection is listened for or made: the mode, the restart
    // offset and the local file of this transfer; the framing of its bytes.
    [[nodiscard]] int Prepare(Mode mode, int64_t startByte, const char* localFile);
    // Ends the transfer: the listener, the connection and the local file.
    void CloseAll();
    // Gives the transfer up but leaves the connection to the server: what
    // still arrives is dropped without restarting the owner's time-out,
    // nothing more is sent, the local file closes.
    void Abandon();
    // Ends the connection with a reset, not a close: a server that reads an
    // upload must not take the file for complete.
    void CutUpload();
    // Listening, connecting or connected.
    bool Busy() const { return IsListening() || HasSocket(); }
    Mode CurrentMode() const { return m_mode; }
    // The server answered the transfer's command positively (1xx or 2xx): a
    // download's file opens now, or as the connection comes up.
    void TransferAccepted();
    // The upload's command (STOR, APPE, STOU) has gone out: its bytes may follow.
    void CommandSent() { m_commandSent = true; }
    // Sends up to `chunks` blocks of the upload.
    Pump PumpUpload(int chunks);
    // A local file error of this transfer: its code (0 for none) and text.
    int FailureCode() const { return m_failure; }
    const char* FailureText() const { return m_failureText.CStr(); }

protected:
    void OnConnected(int code) override;
    int DataIn(const char* data, uint32_t n, bool eolFound) override;
    void OnDisconnected(int code) override;
    void OnError(int code, const char* text) override;

private:
    void Fail(int code, const char* text);
    [[nodiscard]] bool OpenDownload();
    void ListLine(const char* data, uint32_t n, bool eolFound);
    Pump SendBuffered();

    FtpEngine& m_owner;
    Mode m_mode = Mode::None;
    int64_t m_startByte = 0;
    int64_t m_count = 0;
    int64_t m_fileSize = 0;
    NetString m_localFile;
    FileHandle m_file;
    std::unique_ptr<char[]> m_sendBuffer;
    uint32_t m_sendOffset = 0; // what of the buffer went out
    uint32_t m_sendLength = 0; // what the buffer holds
    NetString m_partialLine;
    FtpListEntry m_entry;
    int m_failure = 0;
    NetString m_failureText;
    bool m_transferStarted = false;
    bool m_commandSent = false;   // the upload's command went out (CommandSent)
    bool m_connectedOnce = false; // this transfer's connection came up (it may have closed since)
    bool m_accepted = false;      // the server took the transfer
    bool m_fileOpened = false;    // the download's file was opened (it may have closed since)
};
