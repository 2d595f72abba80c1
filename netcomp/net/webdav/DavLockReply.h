#pragma once
// What a LOCK reply says about the lock just taken (RFC 4918, 9.10): the
// DAV:prop body with its DAV:lockdiscovery, read through the parser's tree.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

struct DavLockReply {
    NetString type; // the qualified name of the locktype's element ("D:write")
    NetString scope;
    NetString owner; // the text of owner/href
    NetString timeout;
    NetString token;
    bool hasType = false;
    bool hasScope = false;
    bool hasOwner = false;
    bool hasTimeout = false;
    bool hasToken = false;
};

// 0, or the parser's code for a body that is no well-formed document; then
// *errorText is the parser's text for it.
[[nodiscard]] int ReadLockReply(const char* body, uint32_t length, DavLockReply& reply, const char** errorText);
