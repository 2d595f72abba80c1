// Reception rides on TcpClient's transfer wait, which hands each line (the
// ones held behind the reply first) to ReceiveMessageLine: here they go to
// the reader or the list, and the "." line ends the wait. A failure inside
// the handler (memory) ends the reception too and is the result of the call
// that waited.
#include "netcomp/mail/client/PopMailClient.h"

#include "netcomp/core/framework/ResultCodes.h"

int PopMailClient::Config(const ConfigArg& arg, const char** answer)
{
    if (!arg.KeyIs("MaxMessageSize"))
        return ProtocolClient::Config(arg, answer);
    return ConfigSize(arg, m_maxMessageSize, 1, answer);
}

int PopMailClient::ReceiveMessage(bool keepHeaders, bool keepBody)
{
    m_reader.Start(keepHeaders, keepBody, CharsetMode());
    m_reader.SetLimit(m_maxMessageSize, ProtocolErrorCode());
    return Receive(Receiving::Message);
}

int PopMailClient::ReceiveBody(bool keepBody)
{
    m_reader.Start(false, keepBody, CharsetMode(), true);
    m_reader.SetLimit(m_maxMessageSize, ProtocolErrorCode());
    return Receive(Receiving::Message);
}

int PopMailClient::KeepMessageLine(NetStringBase& text, const char* line, uint32_t n, bool eol)
{
    if (uint64_t(m_reader.Headers().Length()) + text.Length() + n + (eol ? 2 : 0) > m_maxMessageSize) {
        text.Clear();
        GiveUpMessage("Message too large.");
        return ProtocolErrorCode();
    }
    if (text.Append(line, n) != kResultOk || (eol && text.Append("\r\n", 2) != kResultOk))
        return kOutOfMemory;
    return kResultOk;
}

void PopMailClient::GiveUpMessage(const char* why)
{
    // What the close still drains is no part of the message any more.
    SetReceptionMode(0);
    m_receiving = Receiving::Nothing;
    m_reader.Headers().Clear();
    m_reader.Body().Clear();
    OnMessageGivenUp();
    SetLastErrorText(why);
    (void)SetConnected(false);
}

int PopMailClient::ReceiveList()
{
    m_listLine.Clear();
    m_listLineCut = false;
    return Receive(Receiving::List);
}

int PopMailClient::Receive(Receiving what)
{
    m_receiving = what;
    m_receiveError = kResultOk;
    const int rc = WaitForTransfer();
    m_receiving = Receiving::Nothing;
    CloseLocalFile();
    return rc != kResultOk ? rc : m_receiveError;
}

void PopMailClient::OnConnected(int code)
{
    m_receiving = Receiving::Nothing;
    m_receiveError = kResultOk;
    SetReceptionMode(0);
    ProtocolClient::OnConnected(code);
}

int PopMailClient::ReceiveMessageLine(const char* data, uint32_t n, bool eolFound)
{
    if (m_receiving == Receiving::Nothing)
        return ProtocolClient::ReceiveMessageLine(data, n, eolFound);
    if (m_receiving == Receiving::List) {
        ListLine(data, n, eolFound);
        return kResultOk;
    }
    const int rc = m_reader.Feed(data, n, eolFound);
    if (rc != kResultOk) {
        m_receiveError = rc;
        if (rc == kOutOfMemory)
            FireError(kOutOfMemory, "Out of memory while accumulating body text.");
        else if (*m_reader.TooLargeText())
            GiveUpMessage(m_reader.TooLargeText());
    }
    if (rc != kResultOk || m_reader.Done())
        SetReceptionMode(0);
    return kResultOk;
}

// A list line longer than the socket's line size comes in pieces: they are
// joined (up to MailMessageReader::kMaxHeaderLine bytes; the rest of an
// overlong line is dropped) and the line goes on whole.
void PopMailClient::ListLine(const char* data, uint32_t n, bool eolFound)
{
    const bool lineStart = m_listLine.IsEmpty() && !m_listLineCut;
    if (lineStart && n > 0 && data[0] == '.') {
        if (n == 1 && eolFound) {
            SetReceptionMode(0);
            return;
        }
        ++data;
        --n;
    }
    if (!eolFound || !m_listLine.IsEmpty()) {
        const uint32_t limit = MailMessageReader::kMaxHeaderLine;
        const uint32_t room = limit - (m_listLine.Length() < limit ? m_listLine.Length() : limit);
        if (m_listLine.Append(data, n < room ? n : room) != kResultOk) {
            m_receiveError = kOutOfMemory;
            SetReceptionMode(0);
            return;
        }
        m_listLineCut = !eolFound;
        if (!eolFound)
            return;
        data = m_listLine.Data();
        n = m_listLine.Length();
    }
    const int rc = OnListLine(data, n);
    m_listLine.Clear();
    if (rc != kResultOk) {
        m_receiveError = rc;
        SetReceptionMode(0);
    }
}

int PopMailClient::OnMailHeader(const char* name, const char* value)
{
    const int rc = OnHeaderField(name, value);
    if (rc == kResultOk)
        Fire(SharedEvent::Header, {EventParam::Text(&name), EventParam::Text(&value)});
    return rc;
}

int PopMailClient::OnMailBodyStart()
{
    Fire(SharedEvent::StartTransfer, {});
    return kResultOk;
}

int PopMailClient::OnMailBodyLine(int64_t bytes, const char* line, uint32_t n, bool eol)
{
    WriteLocalFile(line, n);
    if (eol)
        WriteLocalFile("\r\n", 2);
    int count = bytes > 0x7FFFFFFF ? 0x7FFFFFFF : int(bytes);
    char* text = const_cast<char*>(line);
    Fire(SharedEvent::Transfer, {EventParam::Int(&count), EventParam::Binary(&text, int(n)), EventParam::Bool(&eol)});
    return kResultOk;
}

int PopMailClient::OnMailEnd()
{
    CloseLocalFile();
    Fire(SharedEvent::EndTransfer, {});
    return kResultOk;
}

void PopMailClient::OnCommandLine(const char* line, uint32_t n)
{
    TrailLine(0, line, n);
}

ReplyReader::Hint PopMailClient::OnReplyLine(const char* line, uint32_t n)
{
    if (m_lastReply.Assign(n, line) == kResultOk)
        Trail(1, m_lastReply.CStr());
    return ReplyReader::Hint::Rules;
}
