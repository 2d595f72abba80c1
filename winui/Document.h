// The document of a single-document window: the data that the view shows,
// with commands of its own in its message map.
#pragma once

#include "winui/MessageMap.h"

class Document {
public:
    Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    virtual ~Document() = default;

    virtual bool OnNewDocument() { return true; }
    virtual void OnCloseDocument() {}
    MessageMap& Map() { return m_map; }

protected:
    MessageMap m_map;
};
