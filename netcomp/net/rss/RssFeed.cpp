#include "netcomp/net/rss/RssFeed.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/XmlEscape.h"
#include "netcomp/core/web/XmlParser.h"

namespace {

struct KnownField {
    const char* name;
    uint8_t allowed;
    uint8_t required;
};

// Known fields per record, in writing order.
const KnownField kChannelFields[] = {
    {"title", 7, 7},         {"link", 7, 7},           {"description", 7, 7}, {"language", 7, 1},
    {"copyright", 7, 0},     {"managingEditor", 7, 0}, {"webMaster", 7, 0},   {"pubDate", 7, 0},
    {"lastBuildDate", 7, 0}, {"docs", 7, 0},           {"ttl", 4, 0},         {"generator", 4, 0},
    {"rating", 7, 0},        {"skipHours", 7, 0},      {"skipDays", 7, 0},    {"category", 4, 0},
    {"cloud", 6, 0},
};
const KnownField kImageFields[] = {
    {"url", 7, 7}, {"title", 7, 7}, {"link", 7, 7}, {"width", 7, 0}, {"height", 7, 0},
};
const KnownField kTextInputFields[] = {
    {"title", 7, 7},
    {"description", 7, 7},
    {"name", 7, 7},
    {"link", 7, 7},
};
const KnownField kItemFields[] = {
    {"title", 7, 1},   {"description", 7, 1}, {"link", 7, 0},     {"author", 4, 0}, {"comments", 4, 0},
    {"pubDate", 4, 0}, {"source", 6, 0},      {"category", 6, 0}, {"guid", 4, 0},   {"enclosure", 6, 0},
};

const char kGenerator[] = "Tessarine Version 6.0 RSS Component";
const char* const kVersionTexts[] = {"", "0.91", "0.92", "2.0"};

// A name as the writer can write it: a local name, or a prefix, a colon and
// a local name; a local name starts with a letter, "_" or a byte of a UTF-8
// sequence, and goes on with those, digits, "-" and ".".
bool IsXmlName(const char* text, size_t n)
{
    size_t start = 0;
    bool colon = false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ':') {
            if (colon || i == start || i + 1 == n)
                return false;
            colon = true;
            start = i + 1;
            continue;
        }
        const bool first = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
        const bool inner = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!first && !(i > start && inner))
            return false;
    }
    return n > 0;
}

// Text keeps its CRs and attribute values their white space as they are
// when read back: a reader turns CR LF into LF, and white space in an
// attribute value into blanks.
const char kTextReferences[] = "\r";
const char kAttributeReferences[] = "\t\n\r";

[[nodiscard]] int AppendAttribute(NetStringBase& out, const char* name, const char* value)
{
    int rc = AppendAll(out, {" ", name, "=\""});
    if (rc == kResultOk)
        rc = AppendXmlEscaped(out, value, uint32_t(std::strlen(value)), kAttributeReferences);
    return rc == kResultOk ? out.AppendChar('"') : rc;
}

// The reader trims white space at both ends of an element's text, as feed
// readers do, but keeps what a CDATA section holds, and feeds give text in
// CDATA that begins or ends with line breaks or is nothing else. White space
// at either end of a value goes out in a CDATA section of its own (white
// space alone never holds its end marker), so the text reads back as it was.
bool IsTrimmedSpace(char c)
{
    return c != '\0' && std::strchr(kXmlSpaceChars, c) != nullptr;
}

[[nodiscard]] int AppendCdata(NetStringBase& out, const char* text, uint32_t length)
{
    int rc = out.AppendCStr("<![CDATA[");
    if (rc == kResultOk)
        rc = out.Append(text, length);
    return rc == kResultOk ? out.AppendCStr("]]>") : rc;
}

[[nodiscard]] int AppendText(NetStringBase& out, const char* text, uint32_t length)
{
    uint32_t begin = 0;
    while (begin < length && IsTrimmedSpace(text[begin]))
        ++begin;
    uint32_t end = length;
    while (end > begin && IsTrimmedSpace(text[end - 1]))
        --end;
    int rc = begin > 0 ? AppendCdata(out, text, begin) : kResultOk;
    if (rc == kResultOk)
        rc = AppendXmlEscaped(out, text + begin, end - begin, kTextReferences);
    if (rc == kResultOk && end < length)
        rc = AppendCdata(out, text + end, length - end);
    return rc;
}

[[nodiscard]] int AppendFieldLine(NetStringBase& out, const char* indent, const RssField& field)
{
    int rc = AppendAll(out, {indent, "<", field.name.CStr()});
    for (uint32_t a = 0; a + 1 < field.attributes.Count() && rc == kResultOk; a += 2)
        rc = AppendAttribute(out, field.attributes.Item(a), field.attributes.Item(a + 1));
    if (rc != kResultOk)
        return rc;
    if (field.value.IsEmpty())
        return out.AppendCStr("/>\r\n");
    rc = out.AppendChar('>');
    if (rc == kResultOk)
        rc = AppendText(out, field.value.Data(), field.value.Length());
    return rc == kResultOk ? AppendAll(out, {"</", field.name.CStr(), ">\r\n"}) : rc;
}

template <size_t N>
void AddKnown(std::vector<RssField>& fields, const KnownField (&table)[N])
{
    fields.reserve(N);
    for (const KnownField& known : table) {
        fields.emplace_back();
        RssField& field = fields.back();
        field.allowed = known.allowed;
        field.required = known.required;
        (void)field.name.AssignText(known.name);
    }
}

} // namespace

const char* RssField::Attribute(const char* attr) const
{
    for (uint32_t a = 0; a + 1 < attributes.Count(); a += 2) {
        if (StrCmp(attributes.Item(a), attr) == 0)
            return attributes.Item(a + 1);
    }
    return "";
}

int RssField::SetAttribute(const char* attr, const char* text)
{
    for (uint32_t a = 0; a + 1 < attributes.Count(); a += 2) {
        if (StrCmp(attributes.Item(a), attr) == 0)
            return attributes.SetItem(a + 1, text);
    }
    const int rc = attributes.Add(attr);
    return rc == kResultOk ? attributes.Add(text) : rc;
}

RssElement::RssElement(RssRecord kind) : m_kind(kind)
{
    Clear();
}

void RssElement::Clear()
{
    m_fields.clear();
    switch (m_kind) {
    case RssRecord::Channel:
        AddKnown(m_fields, kChannelFields);
        break;
    case RssRecord::Image:
        AddKnown(m_fields, kImageFields);
        break;
    case RssRecord::TextInput:
        AddKnown(m_fields, kTextInputFields);
        break;
    case RssRecord::Item:
        AddKnown(m_fields, kItemFields);
        break;
    }
}

bool RssElement::IsBlank() const
{
    for (const RssField& field : m_fields) {
        if (!field.IsEmpty())
            return false;
    }
    return true;
}

const RssField* RssElement::Find(const char* name, int n) const
{
    for (const RssField& field : m_fields) {
        if (StrCmp(field.name.CStr(), name) == 0 && --n == 0)
            return &field;
    }
    return nullptr;
}

RssField* RssElement::FindUnread(const char* name, int* count)
{
    *count = 0;
    for (RssField& field : m_fields) {
        if (StrCmp(field.name.CStr(), name) != 0)
            continue;
        ++*count;
        if (!field.read)
            return &field;
    }
    return nullptr;
}

RssField* RssElement::Find(const char* name, int n)
{
    return const_cast<RssField*>(static_cast<const RssElement*>(this)->Find(name, n));
}

RssField* RssElement::Obtain(const char* name, int n, int* rc)
{
    *rc = kResultOk;
    size_t last = m_fields.size();
    int seen = 0;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (StrCmp(m_fields[i].name.CStr(), name) != 0)
            continue;
        if (++seen == n)
            return &m_fields[i];
        last = i;
    }
    if (seen != n - 1 || m_fields.size() >= kMaxFields) {
        *rc = seen != n - 1 ? kRssNotFound : kRssTooManyFields;
        return nullptr;
    }
    RssField field;
    if (field.name.AssignText(name) != kResultOk) {
        *rc = kOutOfMemory;
        return nullptr;
    }
    if (last == m_fields.size()) {
        field.extra = true;
        m_fields.push_back(std::move(field));
        return &m_fields.back();
    }
    field.allowed = m_fields[last].allowed;
    field.required = m_fields[last].required;
    field.extra = m_fields[last].extra;
    return &*m_fields.insert(m_fields.begin() + std::ptrdiff_t(last + 1), std::move(field));
}

RssFeed::RssFeed() : m_channel(RssRecord::Channel), m_image(RssRecord::Image), m_textInput(RssRecord::TextInput) {}

void RssFeed::Clear()
{
    m_channel.Clear();
    m_image.Clear();
    m_textInput.Clear();
    m_items.clear();
    m_items.shrink_to_fit();
    m_prefixes.Clear();
    m_uris.Clear();
    m_version = 3;
    m_allowNonRss = true;
    m_modified = false;
    m_error.Clear();
}

int RssFeed::Fail(int code, const char* text)
{
    (void)m_error.AssignText(text);
    return code;
}

int RssFeed::FailFor(int code, const char* before, const char* what, const char* after)
{
    m_error.Clear();
    (void)AppendAll(m_error, {before, what, after});
    return code;
}

RssElement* RssFeed::Item(int i)
{
    return i >= 1 && i <= ItemCount() ? &m_items[size_t(i - 1)] : nullptr;
}

RssElement* RssFeed::Record(RssRecord kind, int item)
{
    switch (kind) {
    case RssRecord::Channel:
        return &m_channel;
    case RssRecord::Image:
        return &m_image;
    case RssRecord::TextInput:
        return &m_textInput;
    case RssRecord::Item:
        return Item(item);
    }
    return nullptr;
}

int RssFeed::CheckItemIndex(int i)
{
    return Item(i) ? kResultOk : Fail(kRssInvalidIndex, "Invalid item index.");
}

int RssFeed::SetItemCount(int n)
{
    if (n < 0)
        return Fail(kRssInvalidIndex, "ItemCount cannot be negative.");
    if (n > kMaxItems)
        return Fail(kRssInvalidIndex, "Cannot add more items.");
    m_items.resize(size_t(n), RssElement(RssRecord::Item));
    m_modified = true;
    return kResultOk;
}

RssElement* RssFeed::AppendItem(int* rc)
{
    if (ItemCount() >= kMaxItems) {
        *rc = Fail(kRssInvalidIndex, "Cannot add more items.");
        return nullptr;
    }
    *rc = kResultOk;
    m_items.emplace_back(RssRecord::Item);
    m_modified = true;
    return &m_items.back();
}

RssField* RssFeed::ObtainField(RssElement& record, const char* name, int n, int* rc)
{
    RssField* field = record.Obtain(name, n, rc);
    if (!field && *rc == kRssTooManyFields)
        (void)Fail(*rc, "Too many fields in one element.");
    return field;
}

int RssFeed::AddItem(const char* title, const char* description, const char* link)
{
    int rc = kResultOk;
    RssElement* item = AppendItem(&rc);
    if (!item)
        return rc;
    rc = item->Find("title")->value.AssignText(title ? title : "");
    if (rc == kResultOk)
        rc = item->Find("description")->value.AssignText(description ? description : "");
    if (rc == kResultOk)
        rc = item->Find("link")->value.AssignText(link ? link : "");
    return rc;
}

int RssFeed::CheckNamespaceIndex(int i)
{
    return i >= 1 && i <= NamespaceCount() ? kResultOk : Fail(kRssInvalidIndex, "Invalid namespace index.");
}

int RssFeed::SetNamespaceCount(int n)
{
    if (n < 0)
        return Fail(kRssInvalidIndex, "Namespace count cannot be negative.");
    if (n > kMaxNamespaces)
        return Fail(kRssInvalidIndex, "Invalid namespace index.");
    int rc = m_prefixes.SetCount(uint32_t(n));
    if (rc == kResultOk)
        rc = m_uris.SetCount(uint32_t(n));
    m_modified = true;
    return rc;
}

int RssFeed::SetNamespacePrefix(int i, const char* text)
{
    m_modified = true;
    return m_prefixes.SetItem(uint32_t(i - 1), text ? text : "");
}

int RssFeed::SetNamespaceUri(int i, const char* text)
{
    m_modified = true;
    return m_uris.SetItem(uint32_t(i - 1), text ? text : "");
}

int RssFeed::AddNamespace(const char* prefix, const char* uri)
{
    if (NamespaceCount() >= kMaxNamespaces)
        return Fail(kRssInvalidIndex, "Invalid namespace index.");
    int rc = m_prefixes.Add(prefix ? prefix : "");
    if (rc == kResultOk)
        rc = m_uris.Add(uri ? uri : "");
    m_modified = true;
    return rc;
}

int RssFeed::DeclarePrefix(const char* prefix, const char* uri)
{
    if (!*prefix || StrCmp(prefix, "xml") == 0)
        return kResultOk;
    for (uint32_t i = 0; i < m_prefixes.Count(); ++i) {
        if (StrCmp(m_prefixes.Item(i), prefix) == 0)
            return kResultOk;
    }
    return AddNamespace(prefix, uri);
}

int RssFeed::SetVersion(int version)
{
    if (version < 0 || version > 3)
        return Fail(kRssInvalidVersion, "Invalid RSS version.");
    m_version = version;
    m_modified = true;
    return kResultOk;
}

void RssFeed::SetVersionText(const char* text)
{
    for (int v = 0; v <= 3; ++v) {
        if (StrCmp(text, kVersionTexts[v]) == 0) {
            m_version = v;
            return;
        }
    }
    m_version = 3;
}

void RssFeed::SetAllowNonRss(bool on)
{
    m_allowNonRss = on;
    m_modified = true;
}

const char* RssFeed::Text(RssRecord kind, int item, const char* field, const char* attr)
{
    RssElement* record = Record(kind, item);
    const RssField* found = record ? record->Find(field) : nullptr;
    if (!found)
        return "";
    return attr ? found->Attribute(attr) : found->value.CStr();
}

int RssFeed::SetText(RssRecord kind, int item, const char* field, const char* attr, const char* text)
{
    RssElement* record = Record(kind, item);
    if (!record)
        return CheckItemIndex(item);
    int rc = kResultOk;
    RssField* found = ObtainField(*record, field, 1, &rc);
    if (!found)
        return rc;
    m_modified = true;
    text = text ? text : "";
    return attr ? found->SetAttribute(attr, text) : found->value.AssignText(text);
}

struct RssFeed::Path {
    RssElement* record = nullptr;
    NetString20 field;
    int occurrence = 1;
    NetString20 attribute;
    bool hasAttribute = false;
};

// record "/" field ["[" n "]"] ["@" attribute]; a leading "/" stands for
// the channel.
int RssFeed::ParsePath(const char* text, Path& path)
{
    text = text ? text : "";
    const char* slash = std::strchr(text, '/');
    const size_t recordLength = slash ? size_t(slash - text) : std::strlen(text);
    NetString20 record;
    if (record.Assign(uint32_t(recordLength), text) != kResultOk)
        return kOutOfMemory;
    const char* rest = slash ? slash + 1 : text + recordLength;
    if (record.IsEmpty() || StrCmp(record.CStr(), "channel") == 0) {
        path.record = &m_channel;
    } else if (StrCmp(record.CStr(), "image") == 0) {
        path.record = &m_image;
    } else if (StrCmp(record.CStr(), "textInput") == 0) {
        path.record = &m_textInput;
    } else if (StrNCmp(record.CStr(), "item", 4) == 0 && (record[4] == '[' || record[4] == '\0')) {
        // item[n], n decimal and 1-based.
        const char* p = record.CStr() + 4;
        int n = 0;
        bool digits = false;
        if (*p == '[') {
            while (*++p >= '0' && *p <= '9' && n < 10000000) {
                n = n * 10 + (*p - '0');
                digits = true;
            }
        }
        if (!digits || p[0] != ']' || p[1] != '\0' || !Item(n))
            return Fail(kRssInvalidIndex, "Invalid item index.");
        path.record = Item(n);
    } else {
        return FailFor(kRssNotFound, "Cannot find root level element: ", record.CStr(), ".");
    }
    const char* at = std::strchr(rest, '@');
    size_t fieldLength = at ? size_t(at - rest) : std::strlen(rest);
    // A field's n-th element of its name: "category[2]".
    if (fieldLength > 2 && rest[fieldLength - 1] == ']') {
        const char* open = static_cast<const char*>(std::memchr(rest, '[', fieldLength));
        int n = 0;
        const char* p = open ? open + 1 : rest + fieldLength;
        for (; p < rest + fieldLength - 1 && *p >= '0' && *p <= '9' && n < 1000000; ++p)
            n = n * 10 + (*p - '0');
        if (!open || p != rest + fieldLength - 1 || n < 1)
            return FailFor(kRssNotFound, "Invalid property name (", text, ").");
        path.occurrence = n;
        fieldLength = size_t(open - rest);
    }
    if (!IsXmlName(rest, fieldLength) || (at && !IsXmlName(at + 1, std::strlen(at + 1))))
        return FailFor(kRssNotFound, "Invalid property name (", text, ").");
    // An attribute named so would be a namespace declaration.
    if (at && (StrCmp(at + 1, "xmlns") == 0 || StrNCmp(at + 1, "xmlns:", 6) == 0))
        return FailFor(kRssNotFound, "Invalid property name (", text, ").");
    // In the channel these names are records of their own, never fields.
    if (path.record == &m_channel) {
        for (const char* record : {"image", "textInput", "item"}) {
            if (std::strlen(record) == fieldLength && StrNCmp(rest, record, fieldLength) == 0)
                return FailFor(kRssNotFound, "Invalid property name (", text, ").");
        }
    }
    if (path.field.Assign(uint32_t(fieldLength), rest) != kResultOk ||
        (at && path.attribute.AssignText(at + 1) != kResultOk))
        return kOutOfMemory;
    path.hasAttribute = at != nullptr;
    return kResultOk;
}

int RssFeed::GetProperty(const char* text, const char** value)
{
    *value = "";
    Path path;
    int rc = ParsePath(text, path);
    if (rc != kResultOk)
        return rc;
    const RssField* field = path.record->Find(path.field.CStr(), path.occurrence);
    if (!field)
        return FailFor(kRssNotFound, "Invalid property name (", text, ").");
    *value = path.hasAttribute ? field->Attribute(path.attribute.CStr()) : field->value.CStr();
    return kResultOk;
}

int RssFeed::SetProperty(const char* text, const char* value)
{
    Path path;
    int rc = ParsePath(text, path);
    if (rc != kResultOk)
        return rc;
    RssField* field = ObtainField(*path.record, path.field.CStr(), path.occurrence, &rc);
    if (!field)
        return rc == kRssNotFound ? FailFor(rc, "Invalid property name (", text, ").") : rc;
    m_modified = true;
    value = value ? value : "";
    return path.hasAttribute ? field->SetAttribute(path.attribute.CStr(), value) : field->value.AssignText(value);
}

// Known fields by the version's rules, then, when allowed, the extra ones.
bool RssFeed::PrefixDeclared(const char* name) const
{
    const char* colon = std::strchr(name, ':');
    if (!colon || (colon - name == 3 && StrNCmp(name, "xml", 3) == 0))
        return true;
    for (uint32_t i = 0; i < m_prefixes.Count(); ++i) {
        if (m_prefixes.ItemLength(i) == uint32_t(colon - name) && StrNCmp(m_prefixes.Item(i), name, colon - name) == 0)
            return *m_uris.Item(i) != '\0';
    }
    return false;
}

// A field is written only under names whose prefixes the text declares.
int RssFeed::WriteField(NetStringBase& out, const char* indent, const RssField& field)
{
    const char* undeclared = PrefixDeclared(field.name.CStr()) ? nullptr : field.name.CStr();
    for (uint32_t a = 0; a + 1 < field.attributes.Count() && !undeclared; a += 2) {
        if (!PrefixDeclared(field.attributes.Item(a)))
            undeclared = field.attributes.Item(a);
    }
    if (undeclared)
        return FailFor(kRssNotFound, "Undeclared namespace prefix in the name ", undeclared, ".");
    return AppendFieldLine(out, indent, field);
}

int RssFeed::WriteRecord(NetStringBase& out, const RssElement& record, const char* wrapper, uint8_t bit)
{
    const char* indent = wrapper ? "      " : "    ";
    int rc = wrapper ? AppendAll(out, {"    <", wrapper, ">\r\n"}) : kResultOk;
    for (const RssField& field : record.Fields()) {
        if (rc != kResultOk)
            return rc;
        if (field.extra) {
            if (m_allowNonRss && !field.IsEmpty())
                rc = WriteField(out, indent, field);
            continue;
        }
        if (field.IsEmpty()) {
            if (bit & field.required) {
                m_error.Clear();
                (void)AppendAll(m_error, {"Required element is empty: ", wrapper ? wrapper : "channel", "/",
                                          field.name.CStr(), "."});
                return kRssRequiredMissing;
            }
            continue;
        }
        if (bit != 0 && !(bit & field.allowed))
            continue;
        rc = WriteField(out, indent, field);
    }
    if (rc == kResultOk && wrapper)
        rc = AppendAll(out, {"    </", wrapper, ">\r\n"});
    return rc;
}

int RssFeed::Write(NetStringBase& out)
{
    RssField& generator = *m_channel.Find("generator");
    if (generator.value.IsEmpty() && generator.value.AssignText(kGenerator) != kResultOk)
        return kOutOfMemory;
    out.Clear();
    int rc = out.AppendCStr("<?xml version=\"1.0\"?>\r\n<rss");
    if (rc == kResultOk && m_version != 0)
        rc = AppendAttribute(out, "version", kVersionTexts[m_version]);
    for (uint32_t i = 0; i < m_prefixes.Count() && rc == kResultOk; ++i) {
        // Each namespace under its own prefix; a declaration without a URI
        // is no declaration.
        const char* prefix = m_prefixes.Item(i);
        const char* uri = m_uris.Item(i);
        if (!*uri)
            continue;
        NetString name;
        rc = AppendAll(name, {"xmlns", *prefix ? ":" : "", prefix});
        if (rc == kResultOk)
            rc = AppendAttribute(out, name.CStr(), uri);
    }
    if (rc == kResultOk)
        rc = out.AppendCStr(">\r\n  <channel>\r\n");
    const uint8_t bit = m_version == 0 ? 0 : uint8_t(1u << (m_version - 1));
    if (rc == kResultOk)
        rc = WriteRecord(out, m_channel, nullptr, bit);
    // An image or text input the feed does not have is left out, not
    // refused for its empty required fields.
    if (rc == kResultOk && !m_image.IsBlank())
        rc = WriteRecord(out, m_image, "image", bit);
    if (rc == kResultOk && !m_textInput.IsBlank())
        rc = WriteRecord(out, m_textInput, "textInput", bit);
    for (const RssElement& item : m_items) {
        if (rc != kResultOk)
            break;
        rc = WriteRecord(out, item, "item", bit);
    }
    if (rc == kResultOk)
        rc = out.AppendCStr("  </channel>\r\n</rss>\r\n");
    if (rc == kResultOk)
        m_modified = false;
    return rc;
}
