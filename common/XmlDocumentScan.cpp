// The scanner of XmlDocument: one node at a time, from a given offset up to
// a given end, so that element content can be scanned on its own.
//
// Error messages name the node's start offset. Multi-character end markers
// ("-->", "?>", "]]>") are looked for before each '>' and may not overlap the
// node's opening, so "<!-->" is no complete comment.
#include "common/XmlDocument.h"

#include <cstring>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameStart(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || (u >= 'a' && u <= 127);
}

bool IsNameEnd(char c)
{
    return IsSpace(c) || c == '/' || c == '>';
}

} // namespace

// Reads one node from pos (not beyond end) and moves pos behind it.
void XmlDocument::ScanNode(const std::string& text, int& pos, int end, Node& node)
{
    node.empty = false;
    node.nameStart = node.nameLength = 0;
    node.error.clear();
    if (pos >= end) {
        node.kind = kNodeEnd;
        node.start = node.length = 0;
        return;
    }
    const char* s = text.data();
    int start = pos;
    node.start = start;
    int i = start;
    if (s[i] != '<') {
        node.kind = IsSpace(s[i]) ? kNodeWhitespace : kNodeText;
        for (; i < end && s[i] != '<'; ++i) {
            if (node.kind == kNodeWhitespace && !IsSpace(s[i])) {
                node.kind = kNodeText;
            }
        }
        node.length = i - start;
        pos = i;
        return;
    }

    const char* what = "tag"; // for an unterminated node
    auto fail = [&](const std::string& message) {
        node.kind = kNodeError;
        node.length = end - start;
        node.error = message;
        pos = end;
    };
    auto unterminated = [&]() { fail(std::string(what) + " at offset " + std::to_string(start) + " unterminated"); };
    auto incorrect = [&](const char* part) {
        fail(std::string("Incorrect ") + part + " at offset " + std::to_string(start));
    };
    auto readName = [&](int from) {
        int j = from;
        while (j < end && !IsNameEnd(s[j])) {
            ++j;
        }
        node.nameStart = from;
        node.nameLength = j - from;
    };
    // Finds the '>' that closes a marker such as "-->" ending no earlier than
    // minimum (the marker may not overlap the node's opening).
    auto findMarker = [&](int from, const char* marker, int minimum) -> int {
        int markerLength = static_cast<int>(strlen(marker));
        for (int j = from; j < end; ++j) {
            if (s[j] == '>' && j - markerLength >= minimum &&
                memcmp(s + j - markerLength, marker, static_cast<size_t>(markerLength)) == 0) {
                return j;
            }
        }
        return -1;
    };
    auto finish = [&](int gt) {
        node.length = gt + 1 - start;
        pos = gt + 1;
    };

    ++i;
    if (i >= end) {
        unterminated();
        return;
    }
    char c = s[i];
    if (IsNameStart(c)) {
        node.kind = kNodeElement;
        what = "Element tag";
        readName(i);
        bool inDouble = false;
        bool inSingle = false;
        for (; i < end; ++i) {
            char ch = s[i];
            if (ch == '"' && !inSingle) {
                inDouble = !inDouble;
            } else if (ch == '\'' && !inDouble) {
                inSingle = !inSingle;
            } else if (ch == '>' && !inDouble && !inSingle) {
                break;
            }
        }
        if (i >= end) {
            unterminated();
            return;
        }
        node.empty = s[i - 1] == '/';
        finish(i);
    } else if (c == '/') {
        node.kind = kNodeEndTag;
        what = "Element end tag";
        readName(i + 1);
        const void* gt = memchr(s + i, '>', static_cast<size_t>(end - i));
        if (gt == nullptr) {
            unterminated();
            return;
        }
        finish(static_cast<int>(static_cast<const char*>(gt) - s));
    } else if (c == '?') {
        node.kind = kNodePi;
        what = "Processing instruction";
        readName(i + 1);
        int gt = findMarker(i + 1, "?", start + 2);
        if (gt < 0) {
            unterminated();
            return;
        }
        finish(gt);
    } else if (c == '!') {
        ++i;
        if (i >= end) {
            unterminated();
            return;
        }
        c = s[i];
        if (c == '-') {
            if (i + 1 >= end) {
                unterminated();
                return;
            }
            if (s[i + 1] != '-') {
                incorrect("comment tag");
                return;
            }
            node.kind = kNodeComment;
            what = "Comment";
            int gt = findMarker(i + 2, "--", start + 4);
            if (gt < 0) {
                unterminated();
                return;
            }
            finish(gt);
        } else if (c == '[') {
            if (i + 1 >= end) {
                unterminated();
                return;
            }
            if (s[i + 1] != 'C') {
                incorrect("tag");
                return;
            }
            node.kind = kNodeCdata;
            what = "CDATA Section";
            int gt = findMarker(i + 2, "]]", start + 9);
            if (gt < 0) {
                unterminated();
                return;
            }
            finish(gt);
        } else if (c == 'D') {
            node.kind = kNodeDoctype;
            what = "Doctype";
            readName(i);
            // Markup declarations and comments inside may hold '>' of their own.
            for (; i < end; ++i) {
                if (s[i] == '<' && i + 2 < end && s[i + 1] == '!') {
                    char d = s[i + 2];
                    if (d == 'E' || d == 'A' || d == 'N') {
                        const void* gt = memchr(s + i + 2, '>', static_cast<size_t>(end - i - 2));
                        if (gt == nullptr) {
                            unterminated();
                            return;
                        }
                        i = static_cast<int>(static_cast<const char*>(gt) - s);
                        continue;
                    }
                    if (d == '-') {
                        int gt = findMarker(i + 3, "--", i + 4);
                        if (gt < 0) {
                            unterminated();
                            return;
                        }
                        i = gt;
                        continue;
                    }
                }
                if (s[i] == '>') {
                    break;
                }
            }
            if (i >= end) {
                unterminated();
                return;
            }
            finish(i);
        } else {
            incorrect("! tag");
        }
    } else {
        incorrect("tag name character");
    }
}
