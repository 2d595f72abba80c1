#include "netcomp/core/web/HttpAuth.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/web/HttpUrl.h"
#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/framework/ResultCodes.h"

void ResetDigest(DigestState& s)
{
    s.realm.Clear();
    s.qop.Clear();
    s.nonce.Clear();
    s.cnonce.Clear();
    s.opaque.Clear();
    (void)s.algorithm.AssignText("md5");
    s.nonceCount = 0;
}

int BuildBasicAuthorization(const char* user, const char* password, NetStringBase& out)
{
    out.Clear();
    if (!*user && !*password)
        return kResultOk;
    NetString credentials;
    int rc = credentials.AppendCStr(user);
    if (rc == kResultOk)
        rc = credentials.AppendChar(':');
    if (rc == kResultOk)
        rc = credentials.AppendCStr(password);
    if (rc == kResultOk)
        rc = out.AppendCStr("Basic ");
    if (rc == kResultOk)
        rc = out.AppendBase64(credentials.Data(), credentials.Length(), false);
    return rc;
}

int ReadDigestChallenge(const char* value, uint32_t random, DigestState& state, bool* isDigest)
{
    *isDigest = false;
    while (*value == ' ' || *value == '\t')
        ++value;
    const char* blank = std::strchr(value, ' ');
    const size_t schemeLength = blank ? size_t(blank - value) : std::strlen(value);
    if (schemeLength != 6 || StrNICmp(value, "Digest", 6) != 0)
        return kResultOk;
    *isDigest = true;
    ResetDigest(state);
    NetString qopReceived;
    const char* p = value + schemeLength;
    int rc = kResultOk;
    while (*p && rc == kResultOk) {
        while (*p == ' ' || *p == '\t' || *p == ',')
            ++p;
        const char* name = p;
        while (*p && *p != '=' && *p != ',')
            ++p;
        if (*p != '=')
            continue;
        const uint32_t nameLength = uint32_t(p - name);
        ++p;
        const char* v = p;
        uint32_t length;
        if (*p == '"') {
            v = ++p;
            while (*p && *p != '"')
                ++p;
            length = uint32_t(p - v);
            if (*p == '"')
                ++p;
        } else {
            while (*p && *p != ',')
                ++p;
            length = uint32_t(p - v);
            while (length && (v[length - 1] == ' ' || v[length - 1] == '\t'))
                --length;
        }
        NetStringBase* target = nullptr;
        auto is = [&](const char* key) {
            return std::strlen(key) == nameLength && StrNICmp(name, key, nameLength) == 0;
        };
        if (is("REALM"))
            target = &state.realm;
        else if (is("QOP"))
            target = &qopReceived;
        else if (is("ALGORITHM"))
            target = &state.algorithm;
        else if (is("NONCE"))
            target = &state.nonce;
        else if (is("OPAQUE"))
            target = &state.opaque;
        if (target)
            rc = target->Assign(length, v);
    }
    if (rc != kResultOk)
        return rc;
    if (StrStr(qopReceived.CStr(), "auth-int"))
        rc = state.qop.AssignText("auth-int");
    else if (StrStr(qopReceived.CStr(), "auth"))
        rc = state.qop.AssignText("auth");
    else
        rc = state.qop.AssignText(qopReceived.CStr());
    if (rc == kResultOk && !state.qop.IsEmpty()) {
        char cnonce[9];
        std::snprintf(cnonce, sizeof cnonce, "%02x%02x%02x%02x", random & 0xFF, (random >> 8) & 0xFF,
                      (random >> 16) & 0xFF, (random >> 24) & 0xFF);
        rc = state.cnonce.AssignText(cnonce);
    }
    state.nonceCount = 0;
    return rc;
}

int DigestResponse(const DigestState& s, const DigestRequest& r, NetStringBase& out)
{
    out.Clear();
    const char* algorithm = s.algorithm.CStr();
    const bool sess = StrICmp(algorithm, "MD5-sess") == 0;
    NetString a1;
    int rc = kResultOk;
    if (sess || StrICmp(algorithm, "MD5") == 0) {
        rc = a1.AppendCStr(r.user);
        if (rc == kResultOk)
            rc = a1.AppendChar(':');
        if (rc == kResultOk)
            rc = a1.AppendCStr(s.realm.CStr());
        if (rc == kResultOk)
            rc = a1.AppendChar(':');
        if (rc == kResultOk)
            rc = a1.AppendCStr(r.password);
        if (rc == kResultOk && sess) {
            NetString inner;
            rc = Md5Hex(a1.Data(), a1.Length(), inner);
            if (rc == kResultOk)
                rc = inner.AppendChar(':');
            if (rc == kResultOk)
                rc = inner.AppendCStr(s.nonce.CStr());
            if (rc == kResultOk)
                rc = inner.AppendChar(':');
            if (rc == kResultOk)
                rc = inner.AppendCStr(s.cnonce.CStr());
            if (rc == kResultOk)
                rc = a1.Assign(inner.Length(), inner.Data());
        }
    }
    NetString a2;
    if (rc == kResultOk)
        rc = a2.AppendCStr(r.method);
    if (rc == kResultOk)
        rc = a2.AppendChar(':');
    if (rc == kResultOk)
        rc = a2.AppendCStr(r.uri);
    if (rc == kResultOk && StrCmp(s.qop.CStr(), "auth-int") == 0) {
        rc = a2.AppendChar(':');
        if (rc == kResultOk)
            rc = Md5Hex(r.body, r.bodyLength, a2);
    }
    NetString middle;
    if (rc == kResultOk)
        rc = middle.AppendCStr(s.nonce.CStr());
    if (rc == kResultOk)
        rc = middle.AppendChar(':');
    if (rc == kResultOk && !s.qop.IsEmpty()) {
        char nc[12];
        std::snprintf(nc, sizeof nc, "%08x", unsigned(s.nonceCount));
        rc = middle.AppendCStr(nc);
        if (rc == kResultOk)
            rc = middle.AppendChar(':');
        if (rc == kResultOk)
            rc = middle.AppendCStr(s.cnonce.CStr());
        if (rc == kResultOk)
            rc = middle.AppendChar(':');
        if (rc == kResultOk)
            rc = middle.AppendCStr(s.qop.CStr());
        if (rc == kResultOk)
            rc = middle.AppendChar(':');
    }
    NetString ha1;
    NetString ha2;
    if (rc == kResultOk)
        rc = Md5Hex(a1.Data(), a1.Length(), ha1);
    if (rc == kResultOk)
        rc = Md5Hex(a2.Data(), a2.Length(), ha2);
    if (rc == kResultOk)
        rc = middle.Append(ha2.Data(), ha2.Length());
    if (rc == kResultOk)
        rc = Md5HexOfPair(ha1.Data(), ha1.Length(), middle.Data(), middle.Length(), out);
    return rc;
}

int BuildDigestAuthorization(DigestState& s, const DigestRequest& r, NetStringBase& out, const char** error)
{
    *error = nullptr;
    out.Clear();
    if (s.nonce.IsEmpty() || !*r.user)
        return kResultOk;
    if (!s.qop.IsEmpty()) {
        if (StrCmp(s.qop.CStr(), "auth-int") != 0 && StrCmp(s.qop.CStr(), "auth") != 0) {
            *error = "Digest authentication error: unknown qop value.";
            return kHttpError;
        }
        ++s.nonceCount;
    }
    NetString response;
    int rc = DigestResponse(s, r, response);
    auto add = [&](const char* name, const char* value) {
        if (rc == kResultOk)
            rc = out.AppendCStr(name);
        if (rc == kResultOk)
            rc = out.AppendChar('"');
        if (rc == kResultOk)
            rc = out.AppendCStr(value);
        if (rc == kResultOk)
            rc = out.AppendChar('"');
    };
    add("Digest username=", r.user);
    add(", realm=", s.realm.CStr());
    add(", nonce=", s.nonce.CStr());
    add(", uri=", r.uri);
    add(", algorithm=", s.algorithm.CStr());
    if (!s.qop.IsEmpty()) {
        char nc[12];
        std::snprintf(nc, sizeof nc, "%08x", unsigned(s.nonceCount));
        add(", qop=", s.qop.CStr());
        add(", nc=", nc);
        add(", cnonce=", s.cnonce.CStr());
    }
    add(", response=", response.CStr());
    if (!s.opaque.IsEmpty())
        add(", opaque=", s.opaque.CStr());
    return rc;
}
