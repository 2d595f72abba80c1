// The small XML document of the application: the configuration file, the
// result XML and the server's replies. The whole document is one narrow text;
// elements are indexed by fixed-size position records, never copied out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class XmlDocument {
public:
    // Node kinds of the scanner and of the cursor.
    enum NodeKind : int {
        kNodeEndTag = 0,
        kNodeElement = 1,
        kNodeText = 2,
        kNodeWhitespace = 4,
        kNodeCdata = 8,
        kNodePi = 16,
        kNodeComment = 32,
        kNodeDoctype = 64,
        kNodeError = -1,
        kNodeEnd = -2,
    };
    // Document flags.
    enum : int {
        kFlagUtf16Bom = 1,
        kFlagModified = 2,
        kFlagUtf8Bom = 4,
    };

    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    bool SetDocument(const char* text);
    bool LoadFile(const char* path);
    bool Parse();
    bool IsWellFormed() const;

    bool FindElement(const char* path);
    bool FindChildElement(const char* path);
    bool IntoElement();
    bool OutOfElement();
    void ResetPos();

    std::string GetAttributeAt(int pos, const char* name) const;
    std::string GetAttribute(const char* name) const { return GetAttributeAt(m_mainPos, name); }
    std::string GetChildAttribute(const char* name) const { return GetAttributeAt(m_childPos, name); }
    void SetAttributeAt(int pos, const char* name, const char* value);
    void SetNumberAttributeAt(int pos, const char* name, int32_t value);

    bool AddElement(const char* name, const char* value, bool child);

    std::string GetElementTextAt(int pos) const;
    std::string GetElementText() const { return GetElementTextAt(m_mainPos); }

    static std::string EscapeText(const char* text, bool attribute);
    static std::string UnescapeText(const char* text, size_t length);
    static bool ReadFileText(const char* path, std::string& text, std::string& result, int& flags);
    // The text of a file's bytes: a UTF-8 mark dropped, UTF-16LE converted to
    // UTF-8, anything else taken byte for byte; the reading note in result.
    static void DecodeFileBytes(std::string& bytes, std::string& text, std::string& result, int& flags);

    const std::string& GetDocument() const { return m_text; }
    const std::string& GetResult() const { return m_result; }
    int GetDocFlags() const { return m_docFlags; }
    int GetParentPos() const { return m_parentPos; }
    int GetMainPos() const { return m_mainPos; }
    int GetChildPos() const { return m_childPos; }
    // The tag name of the element at a position ("" for none).
    std::string GetTagNameAt(int pos) const;

    // The largest file or document text taken: a configuration file is a few
    // hundred bytes, the result of a large computer a few megabytes.
    static const long long kMaxDocumentSize = 64LL << 20;
    // Limits of the packed record fields.
    static const int kMaxStartTagLength = (1 << 22) - 1;
    static const int kMaxEndTagLength = (1 << 10) - 1;
    static const int kMaxLevel = 0xFFFF;

private:
    struct ElementRecord {
        int32_t start;
        int32_t length;
        uint32_t tagLengths; // start tag: low 22 bits; end tag: top 10 bits
        uint32_t flagsLevel; // level: low 16 bits; kFirstChild
        int32_t parent;
        int32_t firstChild;
        int32_t nextSibling;
        int32_t prevSibling; // the first child's holds the last child
    };
    static const uint32_t kFirstChild = 0x80000;

    struct Node {
        int kind = kNodeEnd;
        int start = 0;
        int length = 0;
        bool empty = false; // a start tag ending in "/>"
        int nameStart = 0;
        int nameLength = 0;
        std::string error;
    };

    ElementRecord& Rec(int i) { return m_segments[static_cast<size_t>(i) >> 16][i & 0xFFFF]; }
    const ElementRecord& Rec(int i) const { return m_segments[static_cast<size_t>(i) >> 16][i & 0xFFFF]; }
    static int StartTagLength(const ElementRecord& r) { return static_cast<int>(r.tagLengths & 0x3FFFFF); }
    static int EndTagLength(const ElementRecord& r) { return static_cast<int>(r.tagLengths >> 22); }
    static void SetTagLengths(ElementRecord& r, int startLength, int endLength)
    {
        r.tagLengths = static_cast<uint32_t>(startLength) | (static_cast<uint32_t>(endLength) << 22);
    }
    static int Level(const ElementRecord& r) { return static_cast<int>(r.flagsLevel & 0xFFFF); }

    bool IsValidPos(int pos) const { return pos > 0 && pos < m_nextFree; }
    bool IsOnElements() const { return m_nodeType == 0 || m_nodeType == kNodeElement; }
    void SetElementCursor();

    void GrowRecords(int wanted);
    void EnsureRecords(int count);
    int AllocRecord();
    void ResetRecordZero();
    void LinkLastChild(int parent, int index);
    void LinkAfter(int sibling, int index);

    static void ScanNode(const std::string& text, int& pos, int end, Node& node);
    int ParseElements(int parent);
    int FindPos(int parent, int current, const char* path) const;
    bool StepMatches(int pos, const char* step) const;
    bool FindAttribute(int pos, const char* name, int& valueStart, int& valueLength) const;

    void ShiftSubtree(int root, int delta);
    void MoveAfterEdit(int elem, int delta, bool insideStartTag);

    std::string m_text;
    std::string m_result;
    int m_parentPos = 0;
    int m_mainPos = 0;
    int m_childPos = 0;
    int m_nextFree = 1;
    int m_nodeType = 0;
    int m_nodeOffset = 0;
    int m_nodeLength = 0;
    int m_docFlags = 0;
    std::vector<std::vector<ElementRecord>> m_segments;
    int m_allocated = 0;
};
