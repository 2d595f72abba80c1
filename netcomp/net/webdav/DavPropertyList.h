#pragma once
// The WebDAV component's two lists: the properties (four parallel lists of
// equal length: names, values, operations stored as decimal text, statuses)
// and the namespaces declared in request bodies (prefixes and URIs).
// Positions count from 0 here; the component counts from 1.
#include <cstdint>

#include "netcomp/core/text/StringList.h"

enum DavOperation : int { kDavSet = 1, kDavRemove = 2 };

class DavPropertyList {
public:
    uint32_t Count() const { return m_names.Count(); }
    // Cuts or pads all four lists; a new entry's operation is "set" (1).
    [[nodiscard]] int SetCount(uint32_t n);
    void Clear() { (void)SetCount(0); }
    [[nodiscard]] int Add(const char* name, uint32_t nameLength, const char* value, uint32_t valueLength);
    // The first entry with exactly this name, or -1.
    int Find(const char* name) const;

    const char* Name(uint32_t i) const { return m_names.Item(i); }
    const char* Value(uint32_t i) const { return m_values.Item(i); }
    uint32_t ValueLength(uint32_t i) const { return m_values.ItemLength(i); }
    int Operation(uint32_t i) const { return int(m_operations.ItemAsInt(i)); }
    const char* Status(uint32_t i) const { return m_statuses.Item(i); }
    [[nodiscard]] int SetName(uint32_t i, const char* t) { return m_names.SetItem(i, t ? t : ""); }
    [[nodiscard]] int SetValue(uint32_t i, const char* t) { return m_values.SetItem(i, t ? t : ""); }
    [[nodiscard]] int SetOperation(uint32_t i, int op) { return m_operations.SetItemInt(i, op); }
    [[nodiscard]] int SetStatus(uint32_t i, const char* t) { return m_statuses.SetItem(i, t ? t : ""); }

private:
    StringList m_names;
    StringList m_values;
    StringList m_operations;
    StringList m_statuses;
};

class DavNamespaceList {
public:
    uint32_t Count() const { return m_prefixes.Count(); }
    [[nodiscard]] int SetCount(uint32_t n);
    void Clear() { (void)SetCount(0); }
    [[nodiscard]] int Add(const char* prefix, const char* uri);

    const char* Prefix(uint32_t i) const { return m_prefixes.Item(i); }
    const char* Uri(uint32_t i) const { return m_uris.Item(i); }
    [[nodiscard]] int SetPrefix(uint32_t i, const char* t) { return m_prefixes.SetItem(i, t ? t : ""); }
    [[nodiscard]] int SetUri(uint32_t i, const char* t) { return m_uris.SetItem(i, t ? t : ""); }

private:
    StringList m_prefixes;
    StringList m_uris;
};
