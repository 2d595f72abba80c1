// The parsers walk tokens (ImapTokens.h) and never trust the server's
// nesting: a body structure deeper than kMaxDepth is not walked further.
#include "netcomp/mail/imap/ImapMessage.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"

namespace {

constexpr int kMaxDepth = 32;

// Reads the tokens after "*" (and the number, when there is one).
ImapTokenReader AfterStar(const char* response, uint32_t n, ImapToken& keyword)
{
    ImapTokenReader reader(response, n);
    ImapToken star;
    reader.Next(star);
    reader.Next(keyword);
    if (keyword.Number() > 0 || (keyword.length == 1 && keyword.data[0] == '0'))
        reader.Next(keyword);
    return reader;
}

int Lower(NetStringBase& text)
{
    char* p = text.Data();
    for (uint32_t i = 0; i < text.Length(); ++i)
        p[i] = AsciiLower(p[i]);
    return kResultOk;
}

int AppendLowerValue(const ImapToken& token, NetStringBase& out)
{
    NetString value;
    if (ImapValue(token, value) != kResultOk || Lower(value) != kResultOk)
        return kOutOfMemory;
    return out.Append(value.Data(), value.Length());
}

// type "/" subtype, lower-cased.
int ContentType(const ImapToken& type, const ImapToken& subtype, NetStringBase& out)
{
    out.Clear();
    if (AppendLowerValue(type, out) != kResultOk || out.AppendChar('/') != kResultOk)
        return kOutOfMemory;
    return AppendLowerValue(subtype, out);
}

class FetchParser {
public:
    FetchParser(const ImapFetchOptions& options, ImapMessage& message, ImapBodyFacts& facts, ImapPartSink& parts)
        : m_options(options), m_message(message), m_facts(facts), m_parts(parts)
    {
    }

    int Run(ImapTokenReader& items);

private:
    int Envelope(const ImapToken& envelope);
    int Addresses(const ImapToken& list, NetStringBase* joined, StringList* items);
    int Address(const ImapToken& address, NetStringBase& out);
    int Decoded(const ImapToken& token, NetStringBase& out);
    int Body(const ImapToken& body);
    int WalkMultipart(ImapTokenReader& reader, const char* id, int depth);
    int WalkPart(const ImapToken& part, const char* id, const char* subtype, int depth);
    int SinglePart(ImapTokenReader& reader, const char* id, const char* subtype, int depth);
    void NoteEncoding(const char* id, const NetStringBase& encoding);

    const ImapFetchOptions& m_options;
    ImapMessage& m_message;
    ImapBodyFacts& m_facts;
    ImapPartSink& m_parts;
};

int FetchParser::Run(ImapTokenReader& items)
{
    ImapToken name, value;
    while (items.Next(name) && items.Next(value)) {
        int rc = kResultOk;
        if (name.Is("UID")) {
            if (m_options.uidMode)
                rc = ImapValue(value, m_message.number);
        } else if (name.Is("FLAGS")) {
            if (!value.IsNil())
                rc = ImapValue(value, m_message.flags);
        } else if (name.Is("INTERNALDATE")) {
            rc = ImapValue(value, m_message.internalDate);
        } else if (name.Is("RFC822.SIZE")) {
            m_message.size = value.Size();
        } else if (name.Is("ENVELOPE")) {
            rc = Envelope(value);
        } else if (name.Is("BODY") || name.Is("BODYSTRUCTURE")) {
            if (value.kind == ImapToken::Kind::List)
                rc = Body(value);
        }
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int FetchParser::Decoded(const ImapToken& token, NetStringBase& out)
{
    NetString value;
    if (ImapValue(token, value) != kResultOk)
        return kOutOfMemory;
    if (m_options.charsetMode != 1)
        return out.Append(value.Data(), value.Length());
    return out.AppendDecodedHeader(value.CStr());
}

int FetchParser::Envelope(const ImapToken& envelope)
{
    ImapTokenReader fields = ImapTokenReader::Inside(envelope);
    ImapToken t[10];
    for (ImapToken& token : t)
        fields.Next(token);
    int rc = ImapValue(t[0], m_message.date);
    if (rc == kResultOk)
        rc = Decoded(t[1], m_message.subject);
    if (rc == kResultOk)
        rc = Addresses(t[2], &m_message.from, nullptr);
    if (rc == kResultOk)
        rc = Addresses(t[3], &m_message.sender, nullptr);
    if (rc == kResultOk)
        rc = Addresses(t[4], &m_message.replyTo, nullptr);
    if (rc == kResultOk)
        rc = Addresses(t[5], nullptr, &m_message.to);
    if (rc == kResultOk)
        rc = Addresses(t[6], nullptr, &m_message.cc);
    if (rc == kResultOk)
        rc = Addresses(t[7], nullptr, &m_message.bcc);
    if (rc == kResultOk)
        rc = ImapValue(t[8], m_message.inReplyTo);
    if (rc == kResultOk)
        rc = ImapValue(t[9], m_message.messageId);
    return rc;
}

int FetchParser::Addresses(const ImapToken& list, NetStringBase* joined, StringList* items)
{
    ImapTokenReader reader = ImapTokenReader::Inside(list);
    ImapToken address;
    while (reader.Next(address)) {
        NetString text;
        int rc = Address(address, text);
        if (rc != kResultOk)
            return rc;
        if (text.IsEmpty())
            continue; // the start or end of a group
        if (items)
            rc = items->AddBytes(text.Data(), text.Length());
        else if (!joined->IsEmpty())
            rc = joined->Append(", ", 2);
        if (rc == kResultOk && joined)
            rc = joined->Append(text.Data(), text.Length());
        if (rc != kResultOk)
            return kOutOfMemory;
    }
    return kResultOk;
}

// (name route mailbox host): ["name" ]<mailbox@host>; the name is quoted
// unless it is already.
int FetchParser::Address(const ImapToken& address, NetStringBase& out)
{
    ImapTokenReader fields = ImapTokenReader::Inside(address);
    ImapToken name, route, mailbox, host;
    fields.Next(name);
    fields.Next(route);
    fields.Next(mailbox);
    fields.Next(host);
    if (host.IsNil() || host.kind == ImapToken::Kind::None)
        return kResultOk;
    NetString text;
    if (!name.IsNil() && Decoded(name, text) != kResultOk)
        return kOutOfMemory;
    int rc = kResultOk;
    if (!text.IsEmpty()) {
        const bool quoted = text[0] == '"';
        if (!quoted)
            rc = out.AppendChar('"');
        if (rc == kResultOk)
            rc = out.Append(text.Data(), text.Length());
        if (rc == kResultOk && !quoted)
            rc = out.AppendChar('"');
        if (rc == kResultOk)
            rc = out.AppendChar(' ');
    }
    if (rc == kResultOk)
        rc = out.AppendChar('<');
    if (rc == kResultOk)
        rc = ImapAppendValue(mailbox, out);
    if (rc == kResultOk)
        rc = out.AppendChar('@');
    if (rc == kResultOk)
        rc = ImapAppendValue(host, out);
    return rc == kResultOk ? out.AppendChar('>') : kOutOfMemory;
}

void FetchParser::NoteEncoding(const char* id, const NetStringBase& encoding)
{
    if (StrICmp(id, m_options.partId ? m_options.partId : "") != 0)
        return;
    if (StrICmp(encoding.CStr(), "base64") == 0)
        m_facts.decoding = ImapDecoding::Base64;
    else if (StrICmp(encoding.CStr(), "quoted-printable") == 0)
        m_facts.decoding = ImapDecoding::QuotedPrintable;
}

int FetchParser::Body(const ImapToken& body)
{
    if (m_options.charsetMode == 1)
        m_facts.japanese = true;
    ImapTokenReader reader = ImapTokenReader::Inside(body);
    if (reader.Peek().kind == ImapToken::Kind::List)
        return WalkMultipart(reader, "", 0);
    // A message of one part: its type, encoding and size; "1" is its part.
    ImapToken type, subtype, params, id, description, encoding, size;
    reader.Next(type);
    reader.Next(subtype);
    reader.Next(params);
    reader.Next(id);
    reader.Next(description);
    reader.Next(encoding);
    reader.Next(size);
    NetString lowered;
    if (ContentType(type, subtype, m_message.contentType) != kResultOk ||
        AppendLowerValue(encoding, lowered) != kResultOk ||
        m_message.contentEncoding.Assign(lowered.Length(), lowered.Data()) != kResultOk)
        return kOutOfMemory;
    m_message.size = size.Size();
    NoteEncoding("1", lowered);
    return kResultOk;
}

// The parts of a multipart body, then its subtype. id: the multipart's own
// part id ("" for the message).
int FetchParser::WalkMultipart(ImapTokenReader& reader, const char* id, int depth)
{
    // The subtype comes after the parts: find it first.
    ImapTokenReader scan = reader;
    ImapToken token;
    int count = 0;
    while (scan.Peek().kind == ImapToken::Kind::List && scan.Next(token))
        ++count;
    ImapToken subtype;
    scan.Next(subtype);
    NetString sub;
    if (AppendLowerValue(subtype, sub) != kResultOk)
        return kOutOfMemory;
    if (!*id && (m_message.contentType.AssignText("multipart/") != kResultOk ||
                 m_message.contentType.Append(sub.Data(), sub.Length()) != kResultOk))
        return kOutOfMemory;
    for (int i = 1; i <= count && reader.Next(token); ++i) {
        char partId[256];
        std::snprintf(partId, sizeof partId, *id ? "%s.%d" : "%s%d", id, i);
        const int rc = WalkPart(token, partId, sub.CStr(), depth + 1);
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int FetchParser::WalkPart(const ImapToken& part, const char* id, const char* subtype, int depth)
{
    if (depth > kMaxDepth || std::strlen(id) > 200)
        return kResultOk;
    ImapTokenReader reader = ImapTokenReader::Inside(part);
    if (reader.Peek().kind == ImapToken::Kind::List)
        return WalkMultipart(reader, id, depth);
    return SinglePart(reader, id, subtype, depth);
}

int FetchParser::SinglePart(ImapTokenReader& reader, const char* id, const char* subtype, int depth)
{
    ImapToken type, sub, params, contentId, description, encoding, size;
    reader.Next(type);
    reader.Next(sub);
    reader.Next(params);
    reader.Next(contentId);
    reader.Next(description);
    reader.Next(encoding);
    reader.Next(size);
    NetString contentType, lowered, fileName, parameters;
    if (ContentType(type, sub, contentType) != kResultOk || AppendLowerValue(encoding, lowered) != kResultOk)
        return kOutOfMemory;
    NoteEncoding(id, lowered);
    const bool message = StrICmp(contentType.CStr(), "message/rfc822") == 0;
    if (!params.IsNil() && parameters.Append(params.data, params.length) != kResultOk)
        return kOutOfMemory;
    if (!message) {
        ImapTokenReader pairs = ImapTokenReader::Inside(params);
        ImapToken name, value;
        while (pairs.Next(name) && pairs.Next(value)) {
            NetString key;
            if (ImapValue(name, key) != kResultOk)
                return kOutOfMemory;
            if (StrICmp(key.CStr(), "NAME") == 0 && ImapValue(value, fileName) != kResultOk)
                return kOutOfMemory;
        }
    }
    int rc = m_parts.OnImapPart(
        {id, size.Size(), contentType.CStr(), fileName.CStr(), lowered.CStr(), parameters.CStr(), subtype});
    if (rc != kResultOk || !message)
        return rc;
    // The enclosed message: envelope, body structure, lines.
    ImapToken envelope, body;
    reader.Next(envelope);
    reader.Next(body);
    ImapTokenReader inner = ImapTokenReader::Inside(body);
    if (body.kind != ImapToken::Kind::List || depth > kMaxDepth)
        return kResultOk;
    if (inner.Peek().kind == ImapToken::Kind::List)
        return WalkMultipart(inner, id, depth + 1);
    ImapToken innerType, innerSub, skip, innerEncoding, innerSize;
    inner.Next(innerType);
    inner.Next(innerSub);
    inner.Next(skip);
    inner.Next(skip);
    inner.Next(skip);
    inner.Next(innerEncoding);
    inner.Next(innerSize);
    NetString innerContentType, innerLowered;
    if (ContentType(innerType, innerSub, innerContentType) != kResultOk ||
        AppendLowerValue(innerEncoding, innerLowered) != kResultOk)
        return kOutOfMemory;
    char partId[256];
    std::snprintf(partId, sizeof partId, "%s.1", id);
    NoteEncoding(partId, innerLowered);
    return m_parts.OnImapPart(
        {partId, innerSize.Size(), innerContentType.CStr(), "", innerLowered.CStr(), "", subtype});
}

} // namespace

void ImapMessage::Clear()
{
    for (NetString* text : {&number, &flags, &internalDate, &date, &subject, &from, &sender, &replyTo, &inReplyTo,
                            &messageId, &contentType, &contentEncoding})
        text->Clear();
    size = 0;
    to.Clear();
    cc.Clear();
    bcc.Clear();
}

ImapUntagged ClassifyUntagged(const char* response, uint32_t n, int* number)
{
    ImapTokenReader reader(response, n);
    ImapToken star, first, keyword;
    *number = 0;
    if (!reader.Next(star) || !star.Is("*") || !reader.Next(first))
        return ImapUntagged::Other;
    // A first word that starts like a number is a message count or number.
    // EXISTS and RECENT with a count that is none ("-3", "4294967297") show
    // as such, rather than as a line of another kind that leaves the count 0.
    const char lead = first.kind == ImapToken::Kind::Atom && first.length > 0 ? first.data[0] : '\0';
    if ((lead >= '0' && lead <= '9') || lead == '-' || lead == '+') {
        int value = 0;
        const bool count = first.Count(&value);
        reader.Next(keyword);
        if (keyword.Is("EXISTS") || keyword.Is("RECENT")) {
            *number = count ? value : -1;
            return keyword.Is("EXISTS") ? ImapUntagged::Exists : ImapUntagged::Recent;
        }
        *number = count ? value : 0;
        if (count && keyword.Is("FETCH"))
            return ImapUntagged::Fetch;
        return ImapUntagged::Other;
    }
    struct Name {
        const char* word;
        ImapUntagged kind;
    };
    static const Name kNames[] = {{"FLAGS", ImapUntagged::Flags},   {"LIST", ImapUntagged::List},
                                  {"LSUB", ImapUntagged::Lsub},     {"ACL", ImapUntagged::Acl},
                                  {"SEARCH", ImapUntagged::Search}, {"SORT", ImapUntagged::Sort}};
    for (const Name& name : kNames)
        if (first.Is(name.word))
            return name.kind;
    return ImapUntagged::Other;
}

int ParseMailboxFlags(const char* response, uint32_t n, NetStringBase& flags)
{
    ImapToken keyword, list;
    ImapTokenReader reader = AfterStar(response, n, keyword);
    reader.Next(list);
    return ImapValue(list, flags);
}

int ParseListLine(const char* response, uint32_t n, ImapListSink& sink)
{
    ImapToken keyword, flags, separator, name;
    ImapTokenReader reader = AfterStar(response, n, keyword);
    reader.Next(flags);
    reader.Next(separator);
    reader.Next(name);
    NetString flagText, separatorText, nameText;
    if (flagText.Append(flags.data, flags.length) != kResultOk || ImapValue(separator, separatorText) != kResultOk ||
        ImapValue(name, nameText) != kResultOk)
        return kOutOfMemory;
    return sink.OnImapMailbox(nameText.CStr(), separatorText.CStr(), flagText.CStr());
}

int ParseAclLine(const char* response, uint32_t n, ImapListSink& sink)
{
    ImapToken keyword, mailbox, user, rights;
    ImapTokenReader reader = AfterStar(response, n, keyword);
    reader.Next(mailbox);
    NetString mailboxText;
    if (ImapValue(mailbox, mailboxText) != kResultOk)
        return kOutOfMemory;
    while (reader.Next(user) && reader.Next(rights)) {
        NetString userText, rightsText;
        if (ImapValue(user, userText) != kResultOk || ImapValue(rights, rightsText) != kResultOk)
            return kOutOfMemory;
        const int rc = sink.OnImapAcl(mailboxText.CStr(), userText.CStr(), rightsText.CStr());
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int ParseNumberList(const char* response, uint32_t n, NetStringBase& numbers)
{
    ImapToken keyword, number;
    ImapTokenReader reader = AfterStar(response, n, keyword);
    numbers.Clear();
    while (reader.Next(number)) {
        if (number.kind != ImapToken::Kind::Atom)
            continue; // an extension's list, such as (MODSEQ n)
        if ((!numbers.IsEmpty() && numbers.AppendChar(',') != kResultOk) ||
            numbers.Append(number.data, number.length) != kResultOk)
            return kOutOfMemory;
    }
    return kResultOk;
}

int ParseFetch(const char* response, uint32_t n, const ImapFetchOptions& options, ImapMessage& message,
               ImapBodyFacts& facts, ImapPartSink& parts)
{
    message.Clear();
    ImapTokenReader reader(response, n);
    ImapToken star, number, keyword, items;
    reader.Next(star);
    reader.Next(number);
    reader.Next(keyword);
    reader.Next(items);
    if (message.number.Append(number.data, number.length) != kResultOk)
        return kOutOfMemory;
    ImapTokenReader inside = ImapTokenReader::Inside(items);
    FetchParser parser(options, message, facts, parts);
    return parser.Run(inside);
}
