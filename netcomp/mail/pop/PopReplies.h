#pragma once
// The numbers in a POP3 server's answers (RFC 1939): the STAT reply, the
// reply to "LIST n" and the lines of a LIST or UIDL listing. A number is
// decimal digits whose value fits an int (message numbers and counts) or 64
// bits (sizes in octets: a mailbox, or a message, may pass 2 GB), ended by a
// blank or the end of the text; one that is missing, negative, too big or
// run into other characters is no number, and the answer that holds it is no
// answer: nothing is made up from it.
#include <cstdint>

// "+OK count size" (from the fifth character); false for no answer.
bool ParsePopStatReply(const char* reply, int* count, int64_t* size);

// "+OK n size": the number after the first blank from the fifth character on.
bool ParsePopSizeReply(const char* reply, int64_t* size);

struct PopListLine {
    int number = 0;
    const char* uid = ""; // of a UIDL line: the text after the number's blank
    int64_t size = 0;     // of a LIST line
};

// "n size" of a LIST listing (sizes true) or "n uid" of a UIDL listing; uid
// points into line. False for no answer.
bool ParsePopListLine(const char* line, bool sizes, PopListLine& out);
