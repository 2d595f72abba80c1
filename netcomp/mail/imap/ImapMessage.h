#pragma once
// What IMAP server responses tell about a mailbox and a message: the pure
// parsers of the untagged lines the IMAP engine reads (SELECT and EXAMINE
// data, LIST and LSUB, ACL, SEARCH and SORT, FETCH with its envelope and body
// structure). Each takes an assembled response (ImapResponseReader).
#include <cstdint>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/text/StringList.h"
#include "netcomp/mail/imap/ImapTokens.h"

// The fields of the last FETCH line.
struct ImapMessage {
    NetString number; // message number, or UID in UID mode
    NetString flags;
    NetString internalDate;
    int64_t size = 0; // octets
    NetString date;
    NetString subject;
    NetString from;
    NetString sender;
    NetString replyTo;
    StringList to;
    StringList cc;
    StringList bcc;
    NetString inReplyTo;
    NetString messageId;
    NetString contentType;
    NetString contentEncoding;

    void Clear();
};

// One part of a multipart body structure, as the MessagePart event tells it.
struct ImapPart {
    const char* id;
    int64_t size; // octets
    const char* contentType;
    const char* fileName;
    const char* encoding;
    const char* parameters;
    const char* subtype; // of the enclosing multipart
};

class ImapPartSink {
public:
    virtual int OnImapPart(const ImapPart& part) = 0;

protected:
    ~ImapPartSink() = default;
};

enum class ImapDecoding { None = 0, Base64 = 1, QuotedPrintable = 2 };

struct ImapFetchOptions {
    bool uidMode = false;
    const char* partId = ""; // the part whose transfer encoding is wanted
    int charsetMode = 0;     // 1: encoded words of subjects and names to Shift-JIS
};

// What a FETCH line's body structure says about the part to fetch.
struct ImapBodyFacts {
    ImapDecoding decoding = ImapDecoding::None;
    bool japanese = false; // a body structure was read under CharsetMode 1
};

// "*" response kinds the engine dispatches on.
enum class ImapUntagged { Other, Flags, Exists, Recent, List, Lsub, Acl, Search, Sort, Fetch };

// The kind of an untagged response; *number gets "* n ..." numbers, and -1
// for the count of EXISTS or RECENT that is no number an int holds.
ImapUntagged ClassifyUntagged(const char* response, uint32_t n, int* number);

// "* FLAGS (...)": the list as it stands.
[[nodiscard]] int ParseMailboxFlags(const char* response, uint32_t n, NetStringBase& flags);

class ImapListSink {
public:
    virtual int OnImapMailbox(const char* name, const char* separator, const char* flags) = 0;
    virtual int OnImapAcl(const char* mailbox, const char* user, const char* rights) = 0;

protected:
    ~ImapListSink() = default;
};

// "* LIST (flags) sep name" and "* LSUB ...".
[[nodiscard]] int ParseListLine(const char* response, uint32_t n, ImapListSink& sink);
// "* ACL mailbox user rights [user rights ...]": one call per pair.
[[nodiscard]] int ParseAclLine(const char* response, uint32_t n, ImapListSink& sink);
// "* SEARCH 1 4 9" and "* SORT 4 1 9": the numbers joined by commas.
[[nodiscard]] int ParseNumberList(const char* response, uint32_t n, NetStringBase& numbers);

// "* n FETCH (...)": clears the message, then fills what the line holds;
// a multipart body structure reports its parts to the sink.
[[nodiscard]] int ParseFetch(const char* response, uint32_t n, const ImapFetchOptions& options, ImapMessage& message,
                             ImapBodyFacts& facts, ImapPartSink& parts);
