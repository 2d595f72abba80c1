#pragma once
// The RSS engine on the HTTP client: feeds fetched with GET (or read from a
// file) and parsed into the model, the model's fields read and set by
// property or by path, and the model written back as feed text, saved to a
// file or sent to a server with PUT.
//
// RSSData is the text of the feed: what was fetched or read, or, once the
// model has changed (or when there is no text), the text written from the
// model for the chosen version.
#include <cstdint>

#include "netcomp/core/web/HttpClient.h"
#include "netcomp/net/rss/RssFeed.h"
#include "netcomp/net/rss/RssXmlReader.h"

class RssEngine : public HttpClient {
public:
    // A feed, fetched or read from a file, is at most MaxReplySize bytes.
    RssEngine();

    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    // Methods.
    [[nodiscard]] int AddItem(const char* title, const char* description, const char* link);
    [[nodiscard]] int AddNamespace(const char* prefix, const char* uri);
    [[nodiscard]] int GetFeed(const char* url);
    [[nodiscard]] int GetProperty(const char* path, const char** value);
    [[nodiscard]] int GetUrl(const char* url);
    [[nodiscard]] int PutFeed(const char* url);
    [[nodiscard]] int ReadFile(const char* name);
    [[nodiscard]] int ResetAll();
    [[nodiscard]] int SetProperty(const char* path, const char* value);
    [[nodiscard]] int WriteFile(const char* name);

    // A field of a record, or one of its attributes (attr not null); item
    // counts from 1 and is read only for items.
    const char* FieldText(RssRecord record, int item, const char* field, const char* attr);
    [[nodiscard]] int SetFieldText(RssRecord record, int item, const char* field, const char* attr, const char* text);

    int ItemCount() const { return m_feed.ItemCount(); }
    [[nodiscard]] int SetItemCount(int n) { return Model(m_feed.SetItemCount(n)); }
    [[nodiscard]] int CheckItemIndex(int i) { return Model(m_feed.CheckItemIndex(i)); }
    int NamespaceCount() const { return m_feed.NamespaceCount(); }
    [[nodiscard]] int SetNamespaceCount(int n) { return Model(m_feed.SetNamespaceCount(n)); }
    [[nodiscard]] int CheckNamespaceIndex(int i) { return Model(m_feed.CheckNamespaceIndex(i)); }
    const char* NamespacePrefix(int i) const { return m_feed.NamespacePrefix(i); }
    const char* NamespaceUri(int i) const { return m_feed.NamespaceUri(i); }
    [[nodiscard]] int SetNamespacePrefix(int i, const char* t) { return m_feed.SetNamespacePrefix(i, t); }
    [[nodiscard]] int SetNamespaceUri(int i, const char* t) { return m_feed.SetNamespaceUri(i, t); }
    int Version() const { return m_feed.Version(); }
    [[nodiscard]] int SetVersion(int version) { return Model(m_feed.SetVersion(version)); }
    // The feed text, written anew first when needed; a failure of the
    // writer is left as the last code and text.
    const char* FeedText();

protected:
    int FireStartTransfer(int direction) override;
    int FireTransfer(int direction, int64_t bytes, const char* data, uint32_t n) override;

private:
    // A model code with the model's reason as the last-error text.
    [[nodiscard]] int Model(int rc);
    [[nodiscard]] int Rebuild();
    [[nodiscard]] int Fetch(const char* url, int action, const NetString* body);
    [[nodiscard]] int Parse(NetString& text);
    void ClearModel();

    RssFeed m_feed;
    RssXmlReader m_reader;
    NetString m_feedText;
    // The response body being received, kept whole up to MaxReplySize.
    NetString m_received;
};
