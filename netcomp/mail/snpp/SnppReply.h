#pragma once
// How an SNPP client reads a reply line (RFC 1861): a "214" line is help
// text and another line follows, as it does after a line that starts with
// "1"; a line that starts with "2", "3", "8" or "9" is a positive reply (8
// and 9 are the two-way replies of level 3), any other a negative one. A
// line that starts with a NUL byte is read from its second byte.
#include <cstdint>

enum class SnppReplyKind { More, Positive, Negative };

SnppReplyKind JudgeSnppReply(const char* line, uint32_t n);
// The line without a leading NUL byte.
const char* SnppReplyText(const char* line, uint32_t* n);
