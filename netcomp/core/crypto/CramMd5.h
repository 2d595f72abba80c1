#pragma once
// The answer to a CRAM-MD5 challenge (RFC 2195), as SMTP, POP and IMAP send it.
#include "netcomp/core/text/NetString.h"

class CramMd5 {
public:
    // Base64 of the user name, a blank and the HMAC-MD5 of the decoded
    // challenge under the password, in lower-case hexadecimal. Null texts
    // count as empty. The text stays valid until the next call; null when
    // memory runs out.
    const char* Response(const char* challenge, const char* user, const char* password);

private:
    NetString m_work;
    NetString m_answer;
};
