// Listings arrive in CR LF lines (a line longer than the read buffer comes
// in pieces and is joined); files arrive and leave as raw blocks. A local
// file that cannot be opened, written or read ends the transfer at once:
// the owner tells the server with ABOR, the connection is reset, so the
// server does not take a cut-off upload for a whole one, and the failure
// becomes the action's result.
#include "netcomp/net/ftp/FtpDataConnection.h"

#include <new>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/ftp/FtpEngine.h"

namespace {

// Under Wine every send and every receive costs several wineserver requests
// whatever its size, so bulk data moves in large blocks: 17 KB chunks made a
// 200 MB upload over loopback take 3.8 s, 256 KB ones 0.3 s; 1 MB blocks,
// read and written, took another third off downloads and uploads alike.
constexpr uint32_t kChunk = 1024 * 1024;
constexpr int kSocketBuffer = 64000;
constexpr uint32_t kReadBuffer = 1024 * 1024;
constexpr uint32_t kMaxListLine = 1024 * 1024;
constexpr int kFileMissing = 5;
constexpr int kFileWriteError = 7;

} // namespace

FtpDataConnection::FtpDataConnection(FtpEngine& owner) : m_owner(owner) {}

FtpDataConnection::~FtpDataConnection() = default;

int FtpDataConnection::Prepare(Mode mode, int64_t startByte, const char* localFile)
{
    CloseAll();
    m_mode = mode;
    m_startByte = startByte;
    m_count = 0;
    m_fileSize = 0;
    m_failure = 0;
    m_failureText.Clear();
    m_partialLine.Clear();
    m_sendOffset = 0;
    m_sendLength = 0;
    m_transferStarted = false;
    m_commandSent = false;
    m_connectedOnce = false;
    m_accepted = false;
    m_fileOpened = false;
    SetExpectedPeer(0);
    SetLinger(true);
    int rc = m_localFile.AssignText(localFile);
    const bool listing = mode == Mode::NameList || mode == Mode::LongList;
    if (rc == kResultOk)
        rc = SetEOL(listing ? "\r\n" : "", listing ? 2 : 0);
    SetLineMode(listing);
    if (rc == kResultOk)
        rc = SetReadBufferSize(kReadBuffer);
    SetInBufferSize(kSocketBuffer);
    SetOutBufferSize(kSocketBuffer);
    if (rc == kResultOk && mode == Mode::Upload && !m_sendBuffer) {
        m_sendBuffer.reset(new (std::nothrow) char[kChunk]);
        if (!m_sendBuffer)
            rc = kOutOfMemory;
    }
    return rc;
}

void FtpDataConnection::CloseAll()
{
    CloseListener();
    if (HasSocket())
        (void)SetConnected(false);
    m_file.Close();
}

void FtpDataConnection::Abandon()
{
    m_mode = Mode::None;
    m_file.Close();
}

void FtpDataConnection::Fail(int code, const char* text)
{
    m_failure = code;
    if (m_failureText.AssignText(text) != kResultOk)
        m_failureText.Clear();
    const bool sending = m_mode == Mode::Upload;
    Abandon();
    m_owner.DataFailed();
    // An upload is cut. What the server sends goes on arriving and is
    // dropped, until the ABOR stops it or it ends: a server whose send is cut
    // by a reset may answer neither the transfer nor the ABOR.
    if (sending)
        CutUpload();
}

void FtpDataConnection::CutUpload()
{
    if (HasSocket()) {
        SetLinger(false);
        (void)SetConnected(false);
    }
}

void FtpDataConnection::OnConnected(int code)
{
    // A passive connection that failed: the server's reply to the command
    // says so. One that comes after the transfer was given up carries nothing.
    if (code != 0 || m_mode == Mode::None)
        return;
    m_count = m_startByte;
    m_connectedOnce = true;
    if (m_mode == Mode::Upload) {
        const int rc = m_file.OpenRead(m_localFile.CStr(), m_startByte);
        m_fileSize = m_file.Size();
        if (rc != kResultOk) {
            m_owner.DataError(rc, "Error opening local file.");
            Fail(rc, "Error opening local file.");
            return;
        }
    } else if (m_mode == Mode::Download && m_accepted && !OpenDownload()) {
        // An active server connects once it has taken the RETR.
        return;
    }
    m_transferStarted = true;
    m_owner.DataStarted();
}

// Creating the file replaces what an earlier download left under its name;
// a resume opens it and goes to the restart offset instead.
bool FtpDataConnection::OpenDownload()
{
    m_fileOpened = true;
    const int rc = m_file.OpenWrite(m_localFile.CStr(), m_startByte);
    if (rc == kResultOk)
        return true;
    m_owner.DataError(rc, "Error opening local file.");
    Fail(rc, "Error opening local file.");
    return false;
}

// The reply may come after the server has sent an empty file and closed the
// connection: the file is made, empty, and closed again.
void FtpDataConnection::TransferAccepted()
{
    if (m_mode != Mode::Download || m_accepted)
        return;
    m_accepted = true;
    if (!m_connectedOnce || m_fileOpened)
        return;
    if (OpenDownload() && !m_transferStarted)
        m_file.Close();
}

int FtpDataConnection::DataIn(const char* data, uint32_t n, bool eolFound)
{
    // What comes after the transfer was given up is dropped, and is no sign
    // of life either: a server that ignores ABOR and goes on sending must not
    // keep the wait for its replies from ending.
    if (m_mode == Mode::None)
        return kResultOk;
    m_owner.DataActivity();
    switch (m_mode) {
    case Mode::Receive:
        m_count += n;
        m_owner.DataBlock(m_count, data, n);
        break;
    case Mode::Download:
        // Data that come before the reply which takes the RETR take it too.
        if (!m_fileOpened && !OpenDownload())
            break;
        if (!m_file.IsOpen()) {
            m_owner.DataError(kFileMissing, "Error writing to local file.");
            Fail(kFileMissing, "Error writing to local file.");
            break;
        }
        if (m_file.Write(data, n) != 0) {
            m_owner.DataError(kFileWriteError, "Error writing to local file.");
            Fail(kFileWriteError, "Error writing to local file.");
            break;
        }
        m_count += n;
        m_owner.DataBlock(m_count, nullptr, 0);
        break;
    case Mode::NameList:
    case Mode::LongList:
        m_count += n;
        ListLine(data, n, eolFound);
        break;
    default:
        break;
    }
    return kResultOk;
}

// A line over the read buffer's size comes in pieces without the end flag;
// one over kMaxListLine is passed over.
void FtpDataConnection::ListLine(const char* data, uint32_t n, bool eolFound)
{
    if (!eolFound || !m_partialLine.IsEmpty()) {
        if (uint64_t(m_partialLine.Length()) + n > kMaxListLine || m_partialLine.Append(data, n) != kResultOk) {
            m_partialLine.Clear();
            return;
        }
        if (!eolFound)
            return;
        data = m_partialLine.Data();
        n = m_partialLine.Length();
    }
    if (ParseFtpListLine(data, n, m_mode == Mode::LongList, m_entry) == FtpListResult::Entry)
        m_owner.DataEntry(data, n, m_entry);
    m_partialLine.Clear();
}

void FtpDataConnection::OnDisconnected(int)
{
    m_file.Close();
    if (m_transferStarted) {
        m_transferStarted = false;
        m_owner.DataEnded();
    }
}

void FtpDataConnection::OnError(int code, const char* text)
{
    m_owner.DataError(code, text);
}

// Nothing goes before the upload's command, however early the connection
// came up: a server that connects as soon as it has the PORT takes for the
// file only what comes after the STOR, and drops or loses what came before.
FtpDataConnection::Pump FtpDataConnection::PumpUpload(int chunks)
{
    if (m_mode != Mode::Upload || !m_commandSent || !IsConnected() || !m_transferStarted)
        return Pump::WouldBlock;
    for (int i = 0; i < chunks; ++i) {
        const Pump pump = SendBuffered();
        if (pump != Pump::More)
            return pump;
    }
    return Pump::More;
}

// Each chunk is read once: what a send leaves behind stays in the buffer
// for the next pump, so the file is read straight through.
FtpDataConnection::Pump FtpDataConnection::SendBuffered()
{
    if (m_sendOffset == m_sendLength) {
        const int64_t remaining = m_fileSize - m_count;
        if (remaining <= 0) {
            m_file.Close();
            (void)SetConnected(false);
            return Pump::Done;
        }
        const uint32_t want = remaining < int64_t(kChunk) ? uint32_t(remaining) : kChunk;
        uint32_t got = 0;
        if (m_file.Read(m_sendBuffer.get(), want, &got) != 0 || got == 0) {
            m_owner.DataError(kFtpFileReadError, "Error reading from local file.");
            Fail(kFtpFileReadError, "Error reading from local file.");
            return Pump::Failed;
        }
        m_sendOffset = 0;
        m_sendLength = got;
    }
    const int rc = SendRaw(m_sendBuffer.get() + m_sendOffset, int(m_sendLength - m_sendOffset), 0);
    if (rc == WSAEWOULDBLOCK)
        return Pump::WouldBlock;
    if (rc != kResultOk)
        return Pump::Failed;
    m_sendOffset += uint32_t(BytesSent());
    m_count += BytesSent();
    m_owner.DataActivity();
    m_owner.DataBlock(m_count, nullptr, 0);
    return Pump::More;
}
