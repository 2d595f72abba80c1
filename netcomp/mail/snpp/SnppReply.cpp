#include "netcomp/mail/snpp/SnppReply.h"

const char* SnppReplyText(const char* line, uint32_t* n)
{
    if (*n > 0 && line[0] == '\0') {
        --*n;
        return line + 1;
    }
    return line;
}

SnppReplyKind JudgeSnppReply(const char* line, uint32_t n)
{
    line = SnppReplyText(line, &n);
    if (n >= 3 && line[0] == '2' && line[1] == '1' && line[2] == '4')
        return SnppReplyKind::More;
    const char first = n > 0 ? line[0] : '\0';
    if (first == '1')
        return SnppReplyKind::More;
    if (first == '2' || first == '3' || first == '8' || first == '9')
        return SnppReplyKind::Positive;
    return SnppReplyKind::Negative;
}
