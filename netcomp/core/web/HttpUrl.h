#pragma once
// Splitting a request URL into scheme, user information, server, port and
// path, starting from the scheme and port the caller holds.
#include "netcomp/core/text/NetString.h"

constexpr int kHttpError = 151;
constexpr int kHttpNoServer = 152;
constexpr int kHttpBadScheme = 153;
// What the server sent is more than the component holds (headers, a reply).
constexpr int kHttpTooLarge = 154;

struct HttpUrlParts {
    NetString scheme;
    NetString server;
    NetString path;
    NetString user;
    NetString password;
    int port = 0;
    bool hasUserInfo = false;
};

// Parses url with scheme and port preset; an absent part stays empty (port 0
// when neither the URL nor its scheme names one). A URL holding a CR or LF, or
// a port outside 1-65535, is refused with 151 and a text in *error.
[[nodiscard]] int ParseHttpUrl(const char* url, HttpUrlParts& parts, const char** error);
