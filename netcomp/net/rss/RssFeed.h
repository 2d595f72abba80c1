#pragma once
// The model of an RSS feed (versions 0.91, 0.92 and 2.0): the channel, the
// image, the text input and the items, each a record of fields; the
// namespaces of the top element; the paths by which a caller reads and sets
// any field or attribute; and the writer that turns the model into feed
// text for a version, leaving out what the version does not allow and
// refusing what it requires but the model lacks.
//
// Every change through RssFeed marks the model modified; writing clears the
// mark, so the owner rebuilds its text only after a change.
#include <cstdint>
#include <vector>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/text/StringList.h"

// Result codes of the model, the reader and the writer.
constexpr int kRssTooManyItems = 228;
constexpr int kRssTooManyFields = 229;
constexpr int kRssInvalidVersion = 230;
constexpr int kRssInvalidIndex = 232;
constexpr int kRssNotFound = 233;
constexpr int kRssRequiredMissing = 234;

enum class RssRecord { Channel, Image, TextInput, Item };

struct RssField {
    uint8_t allowed = 0;  // versions it may be written in: 1 = 0.91, 2 = 0.92, 4 = 2.0
    uint8_t required = 0; // versions in which it must not be empty
    bool extra = false;   // not one of the record's known fields
    bool read = false;    // filled by the document being read
    NetString20 name;
    NetString value;
    StringList attributes; // name, value, name, value ...

    bool IsEmpty() const { return value.IsEmpty() && attributes.Count() == 0; }
    // The attribute's value; the empty text when it is absent.
    const char* Attribute(const char* attr) const;
    // Replaces the attribute's value, or appends the attribute.
    [[nodiscard]] int SetAttribute(const char* attr, const char* text);
};

class RssElement {
public:
    static constexpr uint32_t kMaxFields = 4096;

    explicit RssElement(RssRecord kind);

    RssRecord Kind() const { return m_kind; }
    const std::vector<RssField>& Fields() const { return m_fields; }
    // The n-th field of that name (1-based), or null.
    RssField* Find(const char* name, int n = 1);
    // The first field of that name that no element of the document being
    // read has filled yet; *count tells how many of the name there are.
    RssField* FindUnread(const char* name, int* count);
    const RssField* Find(const char* name, int n = 1) const;
    // The n-th field of that name, made when the name has n - 1 of them: a
    // further one of a known or extra field goes after the last of its name,
    // a new name at the end as an extra field. Null and *rc set on failure.
    RssField* Obtain(const char* name, int n, int* rc);
    // Known fields emptied, extra and repeated ones dropped.
    void Clear();
    // Every field empty: nothing to write.
    bool IsBlank() const;

private:
    RssRecord m_kind;
    std::vector<RssField> m_fields;
};

class RssFeed {
public:
    static constexpr int kMaxItems = 10000;
    static constexpr int kMaxNamespaces = 1000;

    RssFeed();

    // The model back to its start: records emptied, no items and no
    // namespaces, version 2.0, extra fields written, not modified.
    void Clear();

    RssElement& Channel() { return m_channel; }
    RssElement& Image() { return m_image; }
    RssElement& TextInput() { return m_textInput; }
    int ItemCount() const { return int(m_items.size()); }
    // Item i (1-based), or null.
    RssElement* Item(int i);
    RssElement* Record(RssRecord kind, int item);

    // Failures give the code and leave the reason in ErrorText().
    [[nodiscard]] int CheckItemIndex(int i);
    [[nodiscard]] int SetItemCount(int n);
    [[nodiscard]] int AddItem(const char* title, const char* description, const char* link);
    // A new item at the end, as the reader makes them.
    RssElement* AppendItem(int* rc);
    // RssElement::Obtain with the reason of a failure in ErrorText().
    RssField* ObtainField(RssElement& record, const char* name, int n, int* rc);

    int NamespaceCount() const { return int(m_prefixes.Count()); }
    [[nodiscard]] int CheckNamespaceIndex(int i);
    [[nodiscard]] int SetNamespaceCount(int n);
    const char* NamespacePrefix(int i) const { return m_prefixes.Item(uint32_t(i - 1)); }
    const char* NamespaceUri(int i) const { return m_uris.Item(uint32_t(i - 1)); }
    [[nodiscard]] int SetNamespacePrefix(int i, const char* text);
    [[nodiscard]] int SetNamespaceUri(int i, const char* text);
    [[nodiscard]] int AddNamespace(const char* prefix, const char* uri);
    // Adds the declaration unless the prefix has one (or is "xml").
    [[nodiscard]] int DeclarePrefix(const char* prefix, const char* uri);

    // 0 none, 1 "0.91", 2 "0.92", 3 "2.0".
    int Version() const { return m_version; }
    [[nodiscard]] int SetVersion(int version);
    // Reading the "version" attribute of a document's top element.
    void SetVersionText(const char* text);
    bool AllowNonRss() const { return m_allowNonRss; }
    void SetAllowNonRss(bool on);

    // A field's text, or the text of one of its attributes (attr not null);
    // the empty text when the record or field is absent.
    const char* Text(RssRecord kind, int item, const char* field, const char* attr);
    [[nodiscard]] int SetText(RssRecord kind, int item, const char* field, const char* attr, const char* text);

    // "channel/title", "/title", "item[2]/category@domain", "item[1]/category[2]".
    [[nodiscard]] int GetProperty(const char* path, const char** value);
    [[nodiscard]] int SetProperty(const char* path, const char* value);

    // The feed text for the current version into out (replacing it).
    [[nodiscard]] int Write(NetStringBase& out);

    bool Modified() const { return m_modified; }
    void SetModified(bool on) { m_modified = on; }
    const char* ErrorText() const { return m_error.CStr(); }

private:
    struct Path;
    [[nodiscard]] int ParsePath(const char* text, Path& path);
    [[nodiscard]] int Fail(int code, const char* text);
    [[nodiscard]] int FailFor(int code, const char* before, const char* what, const char* after);
    bool PrefixDeclared(const char* name) const;
    [[nodiscard]] int WriteField(NetStringBase& out, const char* indent, const RssField& field);
    [[nodiscard]] int WriteRecord(NetStringBase& out, const RssElement& record, const char* wrapper, uint8_t bit);

    RssElement m_channel;
    RssElement m_image;
    RssElement m_textInput;
    std::vector<RssElement> m_items;
    StringList m_prefixes;
    StringList m_uris;
    int m_version = 3;
    bool m_allowNonRss = true;
    bool m_modified = false;
    NetString m_error;
};
