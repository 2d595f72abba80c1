// Parsing and navigation of XmlDocument.
//
// The parse scans the text node by node and keeps one ElementRecord per
// element: offsets and lengths into the text plus parent, child and sibling
// links. Records live in segments of 65,536 so that growing the store never
// moves more than one segment. A failed parse leaves no record behind and
// its message (with the offending node's offset) in the result text.
#include "common/XmlDocument.h"

#include <climits>
#include <cstring>

namespace {

const int kSegmentSize = 1 << 16;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Where a tag or target name stops.
bool IsNameEnd(char c)
{
    return IsSpace(c) || c == '/' || c == '>';
}

// What may follow a name in a path step or an end-tag comparison.
bool IsStepEnd(char c)
{
    return c == '\0' || c == ' ' || c == '=' || c == '/' || c == '[';
}

std::string Quoted(const std::string& text, int start, int length)
{
    return "'" + text.substr(static_cast<size_t>(start), static_cast<size_t>(length)) + "'";
}

} // namespace

XmlDocument::XmlDocument()
{
    SetDocument(nullptr);
}

XmlDocument::~XmlDocument() = default;

bool XmlDocument::SetDocument(const char* text)
{
    m_text = text != nullptr ? text : "";
    m_result.clear();
    return Parse();
}

bool XmlDocument::LoadFile(const char* path)
{
    std::string text;
    int flags = m_docFlags;
    if (!ReadFileText(path, text, m_result, flags)) {
        return false;
    }
    m_text.swap(text);
    m_docFlags = flags;
    return Parse();
}

bool XmlDocument::IsWellFormed() const
{
    return m_allocated > 0 && Rec(0).firstChild != 0;
}

void XmlDocument::ResetPos()
{
    m_parentPos = m_mainPos = m_childPos = 0;
    SetElementCursor();
}

void XmlDocument::SetElementCursor()
{
    m_nodeType = m_mainPos != 0 ? kNodeElement : 0;
    m_nodeOffset = 0;
    m_nodeLength = 0;
}

// One growth adds at most one segment, so a reallocation never copies more
// than 65,536 records.
void XmlDocument::GrowRecords(int wanted)
{
    int lastSegment = m_allocated > 0 ? (m_allocated - 1) >> 16 : -1;
    long long cap = static_cast<long long>(lastSegment + 2) * kSegmentSize;
    int target = wanted;
    if (target > cap) {
        target = static_cast<int>(cap);
    }
    if (target <= m_allocated) {
        return;
    }
    size_t segments = static_cast<size_t>((target - 1) >> 16) + 1;
    if (m_segments.size() < segments) {
        m_segments.resize(segments);
    }
    for (size_t s = 0; s < segments; ++s) {
        long long need = static_cast<long long>(target) - static_cast<long long>(s) * kSegmentSize;
        size_t size = need >= kSegmentSize ? kSegmentSize : static_cast<size_t>(need);
        if (m_segments[s].size() < size) {
            m_segments[s].resize(size);
        }
    }
    m_allocated = target;
}

void XmlDocument::EnsureRecords(int count)
{
    while (m_allocated < count) {
        GrowRecords(count);
    }
}

int XmlDocument::AllocRecord()
{
    if (m_nextFree >= m_allocated) {
        long long wanted = static_cast<long long>(m_nextFree) * 3 / 2;
        if (wanted <= m_nextFree) {
            wanted = m_nextFree + 1;
        }
        GrowRecords(wanted > INT_MAX ? INT_MAX : static_cast<int>(wanted));
    }
    int index = m_nextFree++;
    Rec(index) = ElementRecord();
    return index;
}

void XmlDocument::ResetRecordZero()
{
    Rec(0) = ElementRecord();
    SetTagLengths(Rec(0), 0, 1);
}

void XmlDocument::LinkLastChild(int parent, int index)
{
    ElementRecord& p = Rec(parent);
    Rec(index).parent = parent;
    if (p.firstChild == 0) {
        p.firstChild = index;
        Rec(index).prevSibling = index;
        Rec(index).flagsLevel |= kFirstChild;
        return;
    }
    int first = p.firstChild;
    int last = Rec(first).prevSibling;
    Rec(last).nextSibling = index;
    Rec(index).prevSibling = last;
    Rec(first).prevSibling = index;
}

void XmlDocument::LinkAfter(int sibling, int index)
{
    int parent = Rec(sibling).parent;
    int next = Rec(sibling).nextSibling;
    Rec(index).parent = parent;
    Rec(index).prevSibling = sibling;
    Rec(index).nextSibling = next;
    if (next != 0) {
        Rec(next).prevSibling = index;
    } else {
        Rec(Rec(parent).firstChild).prevSibling = index;
    }
    Rec(sibling).nextSibling = index;
}

bool XmlDocument::Parse()
{
    std::string note;
    note.swap(m_result);
    ResetPos();
    // The records are sized by the text: a text beyond the bound is refused
    // before any room is made for it.
    const bool tooLarge = m_text.size() > static_cast<size_t>(kMaxDocumentSize);
    EnsureRecords(tooLarge ? 8 : static_cast<int>(m_text.size() / 64) + 8);
    m_nextFree = 1;
    bool ok = false;
    ResetRecordZero();
    if (m_text.empty()) {
        m_result = "Empty document";
    } else if (tooLarge) {
        m_result = "Document too large";
    } else {
        int root = ParseElements(0);
        if (root > 0) {
            Rec(0).firstChild = root;
            Rec(0).length = static_cast<int32_t>(m_text.size());
            ok = true;
        } else {
            ResetRecordZero();
            m_nextFree = 1;
        }
    }
    ResetPos();
    if (!note.empty()) {
        m_result = m_result.empty() ? note : note + ", " + m_result;
    }
    return ok;
}

// Builds the records of every element below parent; returns the root, or 0
// with the message in the result text.
int XmlDocument::ParseElements(int parent)
{
    struct Open {
        int record;
        int nameStart;
        int nameLength;
    };
    std::vector<Open> stack;
    stack.reserve(6);
    int level = Level(Rec(parent));
    int root = 0;
    int current = parent;
    int pos = 0;
    int end = static_cast<int>(m_text.size());
    Node node;
    for (;;) {
        ScanNode(m_text, pos, end, node);
        switch (node.kind) {
        case kNodeElement: {
            if (root != 0 && stack.empty()) {
                m_result = "Element " + Quoted(m_text, node.nameStart, node.nameLength) + " at offset " +
                           std::to_string(node.start) + " is sibling to root";
                return 0;
            }
            if (node.length > kMaxStartTagLength) {
                m_result = "Element " + Quoted(m_text, node.nameStart, node.nameLength) + " at offset " +
                           std::to_string(node.start) + " has too long a start tag";
                return 0;
            }
            if (level > kMaxLevel) {
                m_result = "Element " + Quoted(m_text, node.nameStart, node.nameLength) + " at offset " +
                           std::to_string(node.start) + " is nested too deeply";
                return 0;
            }
            int index = AllocRecord();
            if (root == 0) {
                root = index;
            }
            Rec(index).flagsLevel = static_cast<uint32_t>(level);
            LinkLastChild(current, index);
            ElementRecord& r = Rec(index);
            r.start = node.start;
            SetTagLengths(r, node.length, 0);
            if (node.empty) {
                r.length = node.length;
            } else {
                stack.push_back(Open{index, node.nameStart, node.nameLength});
                ++level;
                current = index;
            }
            break;
        }
        case kNodeEndTag: {
            if (stack.empty()) {
                m_result = "No start tag for end tag " + Quoted(m_text, node.nameStart, node.nameLength) +
                           " at offset " + std::to_string(node.start);
                return 0;
            }
            if (node.length > kMaxEndTagLength) {
                m_result = "End tag " + Quoted(m_text, node.nameStart, node.nameLength) + " at offset " +
                           std::to_string(node.start) + " too long";
                return 0;
            }
            ElementRecord& r = Rec(current);
            r.length = node.start + node.length - r.start;
            SetTagLengths(r, StartTagLength(r), node.length);
            Open open = stack.back();
            stack.pop_back();
            // The start tag's name may go on with '=' or '[' (a name the
            // attribute reader would split there).
            const char* startName = m_text.data() + open.nameStart;
            const char* endName = m_text.data() + node.nameStart;
            int tagEnd = r.start + StartTagLength(r);
            bool match = open.nameStart + node.nameLength < tagEnd &&
                         memcmp(startName, endName, static_cast<size_t>(node.nameLength)) == 0;
            if (match) {
                char next = startName[node.nameLength];
                match = IsNameEnd(next) || IsStepEnd(next);
            }
            if (!match) {
                m_result = "End tag " + Quoted(m_text, node.nameStart, node.nameLength) + " at offset " +
                           std::to_string(node.start + 1) + " does not match start tag " +
                           Quoted(m_text, open.nameStart, open.nameLength) + " at offset " + std::to_string(r.start);
                return 0;
            }
            current = r.parent;
            --level;
            break;
        }
        case kNodeError:
            m_result = node.error;
            return 0;
        case kNodeEnd:
            if (!stack.empty()) {
                const Open& open = stack.back();
                m_result = "Element " + Quoted(m_text, open.nameStart, open.nameLength) + " at offset " +
                           std::to_string(Rec(open.record).start) + " not ended";
                return 0;
            }
            if (root == 0) {
                m_result = "Root element not found";
            }
            return root;
        default:
            break; // text, whitespace, comments, PIs, CDATA, doctype
        }
    }
}

bool XmlDocument::StepMatches(int pos, const char* step) const
{
    if (step[0] == '*' && IsStepEnd(step[1])) {
        return true;
    }
    const ElementRecord& r = Rec(pos);
    const char* name = m_text.data() + r.start + 1;
    int limit = StartTagLength(r) - 1;
    int k = 0;
    for (; k < limit && !IsNameEnd(name[k]); ++k) {
        if (step[k] == '\0' || step[k] != name[k]) {
            return false;
        }
    }
    return IsStepEnd(step[k]);
}

// The shared search: siblings after current, or the children of parent; a
// leading '/' starts at the root. Returns the found record or 0.
int XmlDocument::FindPos(int parent, int current, const char* path) const
{
    if (!IsWellFormed() || !IsOnElements()) {
        return 0;
    }
    if (path != nullptr && path[0] == '/') {
        parent = 0;
        current = 0;
        ++path;
    }
    if ((parent != 0 && !IsValidPos(parent)) || (current != 0 && !IsValidPos(current))) {
        return 0;
    }
    int candidate = current != 0 ? Rec(current).nextSibling : Rec(parent).firstChild;
    if (path == nullptr || path[0] == '\0') {
        return candidate;
    }
    for (;;) {
        while (candidate != 0 && !StepMatches(candidate, path)) {
            candidate = Rec(candidate).nextSibling;
        }
        if (candidate == 0) {
            return 0;
        }
        const char* stepEnd = path;
        while (!IsStepEnd(*stepEnd)) {
            ++stepEnd;
        }
        if (*stepEnd != '/') {
            return candidate;
        }
        path = stepEnd + 1;
        candidate = Rec(candidate).firstChild;
        if (path[0] == '\0') {
            return candidate;
        }
    }
}

bool XmlDocument::FindElement(const char* path)
{
    int found = FindPos(m_parentPos, m_mainPos, path);
    if (found == 0) {
        return false;
    }
    m_mainPos = found;
    m_parentPos = Rec(found).parent;
    m_childPos = 0;
    SetElementCursor();
    return true;
}

bool XmlDocument::FindChildElement(const char* path)
{
    if (m_mainPos == 0 && !FindElement(nullptr)) {
        return false;
    }
    int found = FindPos(m_mainPos, m_childPos, path);
    if (found == 0) {
        return false;
    }
    m_childPos = found;
    m_mainPos = Rec(found).parent;
    m_parentPos = Rec(m_mainPos).parent;
    SetElementCursor();
    return true;
}

bool XmlDocument::IntoElement()
{
    if (m_mainPos == 0 || m_nodeType != kNodeElement) {
        return false;
    }
    m_parentPos = m_mainPos;
    m_mainPos = m_childPos;
    m_childPos = 0;
    SetElementCursor();
    return true;
}

bool XmlDocument::OutOfElement()
{
    if (m_parentPos == 0) {
        return false;
    }
    m_childPos = m_mainPos;
    m_mainPos = m_parentPos;
    m_parentPos = Rec(m_mainPos).parent;
    SetElementCursor();
    return true;
}

std::string XmlDocument::GetTagNameAt(int pos) const
{
    if (!IsValidPos(pos)) {
        return std::string();
    }
    const ElementRecord& r = Rec(pos);
    int begin = r.start + 1;
    int end = r.start + StartTagLength(r);
    int i = begin;
    while (i < end && !IsNameEnd(m_text[static_cast<size_t>(i)])) {
        ++i;
    }
    return m_text.substr(static_cast<size_t>(begin), static_cast<size_t>(i - begin));
}
