#pragma once
// The lines a news server sends back (RFC 977, RFC 2980): the numbers of a
// GROUP reply, and the lines of a group list (LIST, NEWGROUPS), an overview
// (XOVER) and a header search (XPAT). Each parser cuts a line that the caller
// owns in place (its separators become NULs) and points into it; in the
// lines of a listing, numbers beyond an int (an article's size: beyond 64
// bits) are taken as the largest one, a missing one as 0.
#include <cstdint>

struct NntpGroupCounts {
    int count = 0;
    int first = 0;
    int last = 0;
};

// "211 1234 3000 4233 alt.test": the three numbers after the code; false
// (and all three 0) when the line holds no code, or a number is missing,
// negative, beyond an int or run into other characters: such a reply tells
// nothing about the group.
bool ParseGroupReply(const char* line, NntpGroupCounts& out);

struct NntpGroupLine {
    const char* name = "";
    int last = 0;
    int first = 0;
    bool canPost = false; // the flag letter is "y" or "Y"
};

// "alt.test 0000004233 0000003000 y": name, last, first and flag, separated
// by blanks or tabs.
void SplitGroupLine(char* line, NntpGroupLine& out);

struct NntpOverviewLine {
    int number = 0;
    const char* subject = "";
    const char* from = "";
    const char* date = "";
    const char* messageId = "";
    const char* references = "";
    int64_t bytes = 0;
    int lines = 0;
    const char* rest = ""; // the fields after the eighth, tabs and all
};

// The tab-separated fields of an XOVER line, in their fixed order.
void SplitOverviewLine(char* line, NntpOverviewLine& out);

struct NntpSearchLine {
    int number = 0;
    const char* rest = "";
};

// "3000 hello there": the article number and what follows its blank.
void SplitSearchLine(char* line, NntpSearchLine& out);

// Decimal digits at the start of text (after blanks), as an article number:
// at most the largest int, 0 without a digit.
int ArticleNumber(const char* text);
