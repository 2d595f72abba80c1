#pragma once
// The request header of the HTTP client, built in one buffer with its lines
// in a fixed order.
#include "netcomp/core/text/NetString.h"

class StringList;

struct HttpRequestFields {
    const char* method = "GET";
    const char* scheme = "http";
    const char* server = "";
    int port = 80;
    int defaultPort = 80;
    const char* path = "/";
    const char* version = "1.1";
    bool viaProxy = false;
    bool keepAlive = false;
    bool bodiless = true;
    const char* authorization = "";
    const char* proxyAuthorization = "";
    const char* accept = "";
    const char* from = "";
    const char* userAgent = "";
    const char* ifModifiedSince = "";
    const char* referer = "";
    const char* pragma = "";
    const char* range = "";
    const char* otherHeaders = "";
    const StringList* cookies = nullptr;
};

// Builds the header into out (replacing it). A bodiless request ends with the
// blank line; a request with a body leaves it to the caller, who adds
// Content-Type and Content-Length. A CR or LF inside the method, path, a
// header value or a cookie is refused with 151 and *error names what.
[[nodiscard]] int BuildHttpRequestHeader(const HttpRequestFields& fields, NetStringBase& out, const char** error);

// "Content-Type: <type>\r\n" when a type is given, then "Content-Length: <n>\r\n\r\n".
[[nodiscard]] int AppendBodyHeaders(const char* contentType, uint64_t length, NetStringBase& out);
