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

} // namespace

int ArticleNumber(const char* text)
{
    while (IsBlank(*text))
        ++text;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    return int(value);
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
    out.bytes = ArticleNumber(NextField(&cursor));
    out.lines = ArticleNumber(NextField(&cursor));
    out.rest = cursor;
}

void SplitSearchLine(char* line, NntpSearchLine& out)
{
    char* cursor = line;
    out.number = ArticleNumber(NextWord(&cursor));
    out.rest = cursor;
}
