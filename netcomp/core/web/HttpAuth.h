#pragma once
// The values of the Authorization and Proxy-Authorization request headers:
// Basic, and Digest (RFC 2617) answered from the server's last challenge.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

struct DigestState {
    NetString20 realm;
    NetString20 qop;
    NetString20 algorithm;
    NetString20 nonce;
    NetString20 cnonce;
    NetString20 opaque;
    int nonceCount = 0;
};

void ResetDigest(DigestState& state);

// "Basic " + Base64 of user ":" password into out; out stays empty when both are empty.
[[nodiscard]] int BuildBasicAuthorization(const char* user, const char* password, NetStringBase& out);

// Reads a WWW-Authenticate value. False when its scheme is not Digest (the
// state is then untouched). random makes the client nonce.
[[nodiscard]] int ReadDigestChallenge(const char* value, uint32_t random, DigestState& state, bool* isDigest);

struct DigestRequest {
    const char* user = "";
    const char* password = "";
    const char* method = "GET";
    const char* uri = "/";
    const char* body = ""; // hashed for qop "auth-int"
    uint32_t bodyLength = 0;
};

// The Digest Authorization value into out; empty when no nonce or user is
// known yet. Counts the nonce. 151 for a qop other than "auth" and "auth-int".
[[nodiscard]] int BuildDigestAuthorization(DigestState& state, const DigestRequest& request, NetStringBase& out,
                                           const char** error);

// The 32 hexadecimal digits of the "response" value.
[[nodiscard]] int DigestResponse(const DigestState& state, const DigestRequest& request, NetStringBase& out);
