// The response side of the IMAP engine: the bytes the socket delivers go to
// the response reader, whose calls land here. Untagged responses are
// dispatched by the current action (SELECT data, SEARCH and SORT numbers,
// LIST and ACL lines, FETCH lines); a literal that holds a fetched text or
// part streams through the body lines to MessageText or LocalFile, with the
// transfer events; the tagged completion, a continuation request or the
// greeting ends the wait that expected it.
#include "netcomp/mail/imap/ImapEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/include/netcomp_imap.h"

namespace {

bool StartsWithNoCase(const char* text, uint32_t n, const char* prefix)
{
    const uint32_t length = uint32_t(std::strlen(prefix));
    return n >= length && StrNICmp(text, prefix, length) == 0;
}

// The item before a literal names a message's text or headers
// ("BODY[...]", "BODY[...]<n>", "RFC822", "RFC822.TEXT", "RFC822.HEADER").
bool NamesMessageText(const char* response, uint32_t n)
{
    while (n > 0 && response[n - 1] == ' ')
        --n;
    uint32_t start = n;
    while (start > 0 && response[start - 1] != ' ' && response[start - 1] != '(')
        --start;
    return StartsWithNoCase(response + start, n - start, "BODY[") ||
           StartsWithNoCase(response + start, n - start, "RFC822");
}

} // namespace

// "* OK" or "* PREAUTH": the server takes the connection ("* BYE" refuses it).
bool ImapEngine::GreetingAccepted() const
{
    return StartsWithNoCase(m_greeting.Data(), m_greeting.Length(), "* OK") ||
           StartsWithNoCase(m_greeting.Data(), m_greeting.Length(), "* PREAUTH");
}

// Every line of a response comes here first (TcpClient's line source); the
// reader hands a response on once its last line is in. A line that announces
// a literal asks the line source for its bytes as blocks, and the wait goes
// on; any other line ends a response, and the WaitForReply ends with the
// response awaited. The untagged responses before it are taken in the same
// wait: a wait per response would give the lines it left behind back to the
// line source to copy, and switch reading off and on, once per message of a
// FETCH.
ReplyReader::Hint ImapEngine::OnReplyLine(const char* line, uint32_t n)
{
    if (m_lastReply.Assign(n, line) == kResultOk)
        Trail(1, m_lastReply.CStr());
    int64_t literal = -1;
    const int rc = m_reader.Line(line, n, &literal);
    if (rc != kResultOk) {
        if (m_readError == kResultOk)
            m_readError = rc;
        return ReplyReader::Hint::Final;
    }
    if (literal < 0)
        return m_waitDone ? ReplyReader::Hint::Final : ReplyReader::Hint::More;
    if (literal > 0)
        Lines().ExpectBlock(uint32_t(literal));
    return ReplyReader::Hint::More;
}

void ImapEngine::OnReplyBlock(const char* data, uint32_t n)
{
    const int rc = m_reader.Block(data, n);
    if (rc != kResultOk && m_readError == kResultOk)
        m_readError = rc;
}

int ImapEngine::OnImapResponse(const char* response, uint32_t length)
{
    const bool tagged = m_tag[0] && length >= 6 && std::memcmp(response, m_tag, 6) == 0;
    bool done = false;
    int rc = kResultOk;
    if (m_wait == Wait::Greeting) {
        rc = m_greeting.Assign(length, response);
        done = true;
    } else if (tagged) {
        rc = m_tagged.Assign(length, response);
        done = m_wait != Wait::Nothing;
    } else if (length > 0 && response[0] == '+') {
        rc = m_continuation.Assign(length, response);
        done = m_wait != Wait::Nothing;
    } else if (length > 0 && response[0] == '*') {
        if (StartsWithNoCase(response, length, "* BYE") && m_bye.Assign(length, response) != kResultOk)
            m_bye.Clear();
        rc = Untagged(response, length);
    }
    if (done)
        m_waitDone = true;
    return rc;
}

int ImapEngine::Untagged(const char* response, uint32_t length)
{
    int number = 0;
    const ImapUntagged kind = ClassifyUntagged(response, length, &number);
    if (m_sorting)
        return kind == ImapUntagged::Sort ? ParseNumberList(response, length, m_messageSet) : kResultOk;
    switch (m_action) {
    case 4:
    case 5:
        if (kind == ImapUntagged::Flags)
            return ParseMailboxFlags(response, length, m_mailboxFlags);
        if ((kind == ImapUntagged::Exists || kind == ImapUntagged::Recent) && number < 0) {
            // A count that is none: the responses are read on to the tagged
            // one, to stay in step, and the selection then fails with this line.
            return m_refusedCount.IsEmpty() ? m_refusedCount.Assign(length, response) : kResultOk;
        }
        if (kind == ImapUntagged::Exists)
            m_messageCount = number;
        else if (kind == ImapUntagged::Recent)
            m_recentCount = number;
        return kResultOk;
    case 9:
        return kind == ImapUntagged::Search ? ParseNumberList(response, length, m_searchResult) : kResultOk;
    case 15:
    case 16:
        return kind == ImapUntagged::List || kind == ImapUntagged::Lsub ? ParseListLine(response, length, *this)
                                                                        : kResultOk;
    case 19:
    case kSearchFetch:
        return kind == ImapUntagged::Fetch ? FetchLine(response, length) : kResultOk;
    case 31:
        return kind == ImapUntagged::Acl ? ParseAclLine(response, length, *this) : kResultOk;
    default:
        return kResultOk;
    }
}

int ImapEngine::FetchLine(const char* response, uint32_t length)
{
    ImapFetchOptions options;
    options.uidMode = m_uidMode;
    options.partId = m_partId.CStr();
    options.charsetMode = CharsetMode();
    int rc = ParseFetch(response, length, options, m_message, m_facts, *this);
    if (rc != kResultOk)
        return rc;
    const char* number = m_message.number.CStr();
    const char* subject = m_message.subject.CStr();
    const char* date = m_message.date.CStr();
    const char* from = m_message.from.CStr();
    const char* flags = m_message.flags.CStr();
    std::intptr_t size = std::intptr_t(m_message.size);
    Fire(kImapEventMessageInfo, {EventParam::Text(&number), EventParam::Text(&subject), EventParam::Text(&date),
                                 EventParam::Text(&from), EventParam::Text(&flags), EventParam::IntPtr(&size)});
    return kResultOk;
}

bool ImapEngine::StreamImapLiteral(const char* response, uint32_t length, uint32_t n)
{
    if ((m_action != 20 && m_action != 21 && m_action != 22) || m_sorting || length < 2 || response[0] != '*' ||
        !NamesMessageText(response, length))
        return false;
    // A text that would be kept in MessageText or MessageHeaders is bounded
    // like any literal kept: not streamed, the reader refuses it.
    if (n > m_maxLiteral && (m_action == 20 || !*GetLocalFile()))
        return false;
    m_streamingBody = m_action != 20;
    m_streamError = kResultOk;
    if (!m_streamingBody)
        return true;
    // The text is about as long as its literal: room for it at once instead
    // of growing it line by line. The block of the text before is used again
    // when it fits without much to spare, as a fresh block for each message
    // of a FETCH costs the heap fresh pages each time. A text in a file is
    // not kept.
    constexpr uint32_t kSpareRoom = 64u << 10;
    if (!*GetLocalFile() && m_text.Capacity() >= n && m_text.Capacity() - n <= n / 2 + kSpareRoom) {
        m_text.ClearKeepingRoom();
    } else {
        m_text.Clear();
        if (!*GetLocalFile())
            (void)m_text.Reserve(n);
    }
    if (*GetLocalFile()) {
        const int rc = OpenLocalFile();
        if (rc != kResultOk)
            m_streamError = rc; // the literal is still read, to stay in step
    }
    m_bodyLines.Start(m_autoDecode ? m_facts.decoding : ImapDecoding::None, CharsetMode() == 1 && m_facts.japanese);
    Fire(kImapEventStartTransfer, {});
    return true;
}

int ImapEngine::OnImapLiteralData(const char* data, uint32_t n)
{
    if (!m_streamingBody) {
        if (m_headers.Append(data, n) != kResultOk)
            m_streamError = kOutOfMemory;
        return kResultOk;
    }
    const int rc = m_bodyLines.Feed(data, n);
    if (rc != kResultOk && m_streamError == kResultOk)
        m_streamError = rc;
    return kResultOk;
}

int ImapEngine::OnImapLiteralEnd()
{
    if (!m_streamingBody)
        return kResultOk;
    const int rc = m_bodyLines.Finish();
    if (rc != kResultOk && m_streamError == kResultOk)
        m_streamError = rc;
    CloseLocalFile();
    Fire(kImapEventEndTransfer, {});
    return kResultOk;
}

int ImapEngine::OnImapBodyLine(const char* line, uint32_t n, bool lineEnd)
{
    if (*GetLocalFile()) {
        WriteLocalFile(line, n);
        if (lineEnd)
            WriteLocalFile("\r\n", 2);
    } else if ((lineEnd ? m_text.AppendWithCrLf(line, n) : m_text.Append(line, n)) != kResultOk) {
        return kOutOfMemory;
    }
    int length = int(n);
    char* text = const_cast<char*>(line);
    Fire(kImapEventTransfer, {EventParam::Int(&length), EventParam::Binary(&text, length)});
    return kResultOk;
}

int ImapEngine::OnImapPart(const ImapPart& part)
{
    const char* id = part.id;
    std::intptr_t size = std::intptr_t(part.size);
    const char* type = part.contentType;
    const char* name = part.fileName;
    const char* encoding = part.encoding;
    const char* parameters = part.parameters;
    const char* subtype = part.subtype;
    Fire(kImapEventMessagePart,
         {EventParam::Text(&id), EventParam::IntPtr(&size), EventParam::Text(&type), EventParam::Text(&name),
          EventParam::Text(&encoding), EventParam::Text(&parameters), EventParam::Text(&subtype)});
    return kResultOk;
}

int ImapEngine::OnImapMailbox(const char* name, const char* separator, const char* flags)
{
    Fire(kImapEventMailboxList, {EventParam::Text(&name), EventParam::Text(&separator), EventParam::Text(&flags)});
    return kResultOk;
}

int ImapEngine::OnImapAcl(const char* mailbox, const char* user, const char* rights)
{
    Fire(kImapEventMailboxAcl, {EventParam::Text(&mailbox), EventParam::Text(&user), EventParam::Text(&rights)});
    return kResultOk;
}

void ImapEngine::OnConnected(int code)
{
    m_reader.Reset();
    m_selected = false;
    TcpClient::OnConnected(code);
}

void ImapEngine::OnDisconnected(int code)
{
    m_selected = false;
    TcpClient::OnDisconnected(code);
}
