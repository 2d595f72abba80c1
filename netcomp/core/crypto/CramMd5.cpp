#include "netcomp/core/crypto/CramMd5.h"

#include <cstring>

#include "netcomp/core/crypto/Hmac.h"
#include "netcomp/core/framework/ResultCodes.h"

const char* CramMd5::Response(const char* challenge, const char* user, const char* password)
{
    m_answer.Clear();
    int rc = m_work.AssignText(challenge ? challenge : "");
    if (rc != kResultOk)
        return nullptr;
    m_work.DecodeBase64();
    const char* key = password ? password : "";
    HmacMd5 hmac;
    const unsigned char* digest = hmac.Digest(key, std::strlen(key), m_work.Data(), m_work.Length());
    if (!digest)
        return nullptr;
    rc = m_work.AssignText(user ? user : "");
    if (rc == kResultOk)
        rc = m_work.AppendChar(' ');
    if (rc == kResultOk)
        rc = m_work.AppendHexBytes(digest, HmacMd5::kDigestSize);
    if (rc == kResultOk)
        rc = m_answer.AppendBase64(m_work.Data(), m_work.Length(), false);
    return rc == kResultOk ? m_answer.CStr() : nullptr;
}
