#include "netcomp/mail/nntp/NntpLines.h"

#include <climits>
#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The next blank-separated word of *cursor, cut off by a NUL; "" at the end.
char* NextWord(char** cursor)
{
    char* p = *cursor;
    while (IsBlank(*p))
        ++p;
    char* word = p;
    while (*p && !IsBlank(*p))
        ++p;
    if (*p)
        *p++ = '\0';
    *cursor = p;
    return word;
}

// The next tab-separated field of *cursor, cut off by a NUL; "" at the end.
char* NextField(char** cursor)
{
    char* p = *cursor;
    char* field = p;
    while (*p && *p != '\t')
        ++p;
    if (*p)
        *p++ = '\0';
    *cursor = p;
    return field;
}

// Leading blanks, then digits: their value, or max when it is larger.
int64_t DecimalField(const char* text, int64_t max)
{
    while (IsBlank(*text))
        ++text;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value > (max - (*text - '0')) / 10 ? max : value * 10 + (*text - '0');
    return value;
}

} // namespace

int ArticleNumber(const char* text)
{
    return int(DecimalField(text, INT_MAX));
}

bool ParseGroupReply(const char* line, NntpGroupCounts& out)
{
    out = NntpGroupCounts();
    if (line[0] < '0' || line[0] > '9')
        return false;
    const char* p = line;
    while (*p >= '0' && *p <= '9')
        ++p;
    NntpGroupCounts counts;
    int* numbers[] = {&counts.count, &counts.first, &counts.last};
    for (int* number : numbers) {
        while (IsBlank(*p))
            ++p;
        const size_t digits = ReadDecimalInt(p, std::strlen(p), number);
        p += digits;
        if (digits == 0 || (*p && !IsBlank(*p)))
            return false;
    }
    out = counts;
    return true;
}

void SplitGroupLine(char* line, NntpGroupLine& out)
{
    char* cursor = line;
    out.name = NextWord(&cursor);
    out.last = ArticleNumber(NextWord(&cursor));
    out.first = ArticleNumber(NextWord(&cursor));
    const char flag = *NextWord(&cursor);
    out.canPost = flag == 'y' || flag == 'Y';
}

void SplitOverviewLine(char* line, NntpOverviewLine& out)
{
    char* cursor = line;
    out.number = ArticleNumber(NextField(&cursor));
    out.subject = NextField(&cursor);
    out.from = NextField(&cursor);
    out.date = NextField(&cursor);
    out.messageId = NextField(&cursor);
    out.references = NextField(&cursor);
    out.bytes = DecimalField(NextField(&cursor), INT64_MAX);
    out.lines = ArticleNumber(NextField(&cursor));
    out.rest = cursor;
}

void SplitSearchLine(char* line, NntpSearchLine& out)
{
    char* cursor = line;
    out.number = ArticleNumber(NextWord(&cursor));
    out.rest = cursor;
}
