#include "netcomp/net/webdav/DavLockReply.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/web/XmlParser.h"

namespace {

const char kActiveLock[] = "/DAV:prop/DAV:lockdiscovery/DAV:activelock/";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The element the path leads to: its qualified name, or its text without
// the blanks around it. False when the path leads nowhere.
bool Read(XmlParser& parser, const char* tail, bool name, NetString& out, int* rc)
{
    NetString path;
    *rc = path.AssignText(kActiveLock);
    if (*rc == kResultOk)
        *rc = path.AppendCStr(tail);
    if (*rc != kResultOk || parser.SetXPath(path.CStr()) != kResultOk)
        return false;
    const char* text = name ? parser.Dom().ElementQName() : parser.Dom().ElementText();
    while (IsBlank(*text))
        ++text;
    uint32_t length = 0;
    while (text[length])
        ++length;
    while (length > 0 && IsBlank(text[length - 1]))
        --length;
    *rc = out.Assign(length, text);
    return *rc == kResultOk;
}

} // namespace

int ReadLockReply(const char* body, uint32_t length, DavLockReply& reply, const char** errorText)
{
    *errorText = nullptr;
    XmlParser parser;
    parser.SetBuildDom(true);
    parser.SetInputCharHook(false);
    int rc = parser.InputBytes(body, length);
    if (rc == kResultOk)
        rc = parser.EndOfInput();
    if (rc != kResultOk) {
        *errorText = XmlParser::ErrorText(rc);
        return rc;
    }
    reply.hasType = Read(parser, "DAV:locktype/[1]", true, reply.type, &rc);
    if (rc == kResultOk)
        reply.hasScope = Read(parser, "DAV:lockscope/[1]", true, reply.scope, &rc);
    if (rc == kResultOk)
        reply.hasOwner = Read(parser, "DAV:owner/DAV:href", false, reply.owner, &rc);
    if (rc == kResultOk)
        reply.hasTimeout = Read(parser, "DAV:timeout", false, reply.timeout, &rc);
    if (rc == kResultOk)
        reply.hasToken = Read(parser, "DAV:locktoken/DAV:href", false, reply.token, &rc);
    if (rc != kResultOk)
        *errorText = XmlParser::ErrorText(rc);
    return rc;
}
