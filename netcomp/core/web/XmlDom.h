#pragma once
// The parser's document tree: packed records in one byte buffer, addressed by
// 32-bit offsets, with a cursor moved by a small path language.
//
// Record layout (numbers are 32-bit, unaligned, host order):
//   'P' namespace  kind, length, scope end (0 while open), prefix NUL, URI NUL
//   'E' element    kind, length, end (past its last record), child count
//                  (-1 for an empty-element tag), parent, namespace record,
//                  attribute count, text record (0 = none), local name NUL
//   'A' attribute  kind, length, namespace record, local name NUL, value NUL
//   'T' text       kind, length, text NUL
// The buffer starts with a 'P' record for "no namespace" (so offset 0 is never
// an element) followed by one for the "xml" prefix.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

class XmlDom {
public:
    XmlDom();

    // Drops the tree and writes the two initial records.
    [[nodiscard]] int Clear();
    // Gives back the memory of a large tree as well.
    [[nodiscard]] int Release();

    // Building, in document order.
    [[nodiscard]] int AddNamespace(const char* prefix, uint32_t prefixLength, const char* uri, uint32_t uriLength,
                                   uint32_t* offset);
    void CloseNamespace(uint32_t offset);
    [[nodiscard]] int AddElement(uint32_t parent, uint32_t ns, const char* localName, uint32_t nameLength,
                                 uint32_t attrCount, bool empty, uint32_t* offset);
    [[nodiscard]] int AddAttribute(uint32_t ns, const char* localName, uint32_t nameLength, const char* value,
                                   uint32_t valueLength);
    [[nodiscard]] int CloseElement(uint32_t offset, const char* text, uint32_t textLength);
    uint32_t XmlNamespace() const { return m_xmlNamespace; }

    // Name rule of path steps: bit kPathNameChar set in nameClass[byte] for a
    // name character; letters, "_" and ":" (and bytes the table marks as
    // kPathNameStart) may start a name.
    static constexpr uint8_t kPathNameChar = 0x02;
    static constexpr uint8_t kPathNameStart = 0x40;
    [[nodiscard]] int SetPath(const char* path, const uint8_t* nameClass);

    // Cursor moves to the first child or the next sibling element; false (and
    // the cursor unchanged) when there is none.
    bool MoveToFirstChild();
    bool MoveToNextSibling();

    uint32_t Cursor() const { return m_cursor; }
    uint32_t Root() const { return m_root; }
    uint32_t Size() const { return m_buffer.Length(); }
    uint32_t Capacity() const { return m_buffer.Capacity(); }
    bool IsElementAt(uint32_t offset) const;

    // The element at the cursor; the empty text or 0 without one.
    const char* ElementQName() const;
    const char* ElementLocalName() const;
    const char* ElementPrefix() const;
    const char* ElementNamespaceURI() const;
    const char* ParentName() const;
    const char* ElementText() const;
    int ChildCount() const;
    int AttrCount() const;
    // Attribute i (0-based) of the element at the cursor.
    const char* AttrName(int i) const;
    const char* AttrPrefix(int i) const;
    const char* AttrNamespaceURI(int i) const;
    const char* AttrValue(int i) const;

private:
    uint32_t U32(uint32_t at) const;
    void SetU32(uint32_t at, uint32_t value);
    char Kind(uint32_t at) const { return m_buffer.Data()[at]; }
    uint32_t Length(uint32_t at) const { return U32(at + 1); }
    uint32_t EndOf(uint32_t element) const;
    [[nodiscard]] int Grow(uint32_t size, char** out);
    const char* LocalNameAt(uint32_t element) const;
    const char* PrefixOf(uint32_t ns) const;
    const char* UriOf(uint32_t ns) const;
    uint32_t AttrAt(int i) const;
    bool Matches(uint32_t element, const char* step, uint32_t length) const;
    uint32_t NthChild(uint32_t element, uint32_t n) const;
    uint32_t NamedChild(uint32_t element, const char* step, uint32_t length) const;

    NetString m_buffer;
    uint32_t m_cursor = 0;
    uint32_t m_root = 0;
    uint32_t m_xmlNamespace = 0;
    mutable NetString m_scratch;
};
