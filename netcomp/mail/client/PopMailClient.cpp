// Reception rides on TcpClient's transfer wait, which hands each line (the
// ones held behind the reply first) to ReceiveMessageLine: here they go to
// the reader or the list, and the "." line ends the wait. A failure inside
// the handler (memory) ends the reception too and is the result of the call
// that waited.
#include "netcomp/mail/client/PopMailClient.h"

#include "netcomp/core/framework/ResultCodes.h"

int PopMailClient::ReceiveMessage(bool keepHeaders, bool keepBody)
{
    m_reader.Start(keepHeaders, keepBody, CharsetMode());
    return Receive(Receiving::Message);
}

int PopMailClient::ReceiveList()
{
    m_listLineStart = true;
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
    TcpClient::OnConnected(code);
}

int PopMailClient::ReceiveMessageLine(const char* data, uint32_t n, bool eolFound)
{
    if (m_receiving == Receiving::Nothing)
        return TcpClient::ReceiveMessageLine(data, n, eolFound);
    if (m_receiving == Receiving::List) {
        ListLine(data, n, eolFound);
        return kResultOk;
    }
    const int rc = m_reader.Feed(data, n, eolFound);
    if (rc != kResultOk) {
        m_receiveError = rc;
        if (rc == kOutOfMemory)
            FireError(kOutOfMemory, "Out of memory while accumulating body text.");
    }
    if (rc != kResultOk || m_reader.Done())
        SetReceptionMode(0);
    return kResultOk;
}

// List lines are short; a piece of an overlong one is taken as a line.
void PopMailClient::ListLine(const char* data, uint32_t n, bool eolFound)
{
    const bool lineStart = m_listLineStart;
    m_listLineStart = eolFound;
    if (lineStart && n > 0 && data[0] == '.') {
        if (n == 1 && eolFound) {
            SetReceptionMode(0);
            return;
        }
        ++data;
        --n;
    }
    const int rc = OnListLine(data, n);
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
