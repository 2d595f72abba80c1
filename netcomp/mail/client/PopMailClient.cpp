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
    m_listLineTooLong = false;
    m_listTooLong = false;
    const int rc = Receive(Receiving::List);
    if (rc != kResultOk || !m_listTooLong)
        return rc;
    SetLastErrorText("Reply line too long.");
    return ProtocolErrorCode();
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

// A long list line comes in pieces, joined here. A list line is a reply
// line and bounded as one (MaxReplyLine): a longer one goes to no event,
// the rest of it is passed over, and the list is still read to its "."
// line, so that the next reply is the next command's; the call then fails
// with the protocol's code and "Reply line too long.".
void PopMailClient::ListLine(const char* data, uint32_t n, bool eolFound)
{
    const bool lineStart = !m_listLineCut;
    m_listLineCut = !eolFound;
    if (lineStart && n > 0 && data[0] == '.') {
        if (n == 1 && eolFound) {
            SetReceptionMode(0);
            return;
        }
        ++data;
        --n;
    }
    if (m_listLineTooLong) {
        m_listLineTooLong = !eolFound;
        return;
    }
    if (uint64_t(m_listLine.Length()) + n > MaxReplyLine()) {
        m_listLine.Clear();
        m_listLineTooLong = !eolFound;
        m_listTooLong = true;
        return;
    }
    if (!eolFound || !m_listLine.IsEmpty()) {
        if (m_listLine.Append(data, n) != kResultOk) {
            m_receiveError = kOutOfMemory;
            SetReceptionMode(0);
            return;
        }
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
    std::intptr_t count = std::intptr_t(bytes);
    char* text = const_cast<char*>(line);
    Fire(SharedEvent::Transfer,
         {EventParam::IntPtr(&count), EventParam::Binary(&text, int(n)), EventParam::Bool(&eol)});
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
