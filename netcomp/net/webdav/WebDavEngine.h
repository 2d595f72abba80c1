#pragma once
// The WebDAV client (RFC 4918) on the HTTP client: one request per method,
// with the WebDAV verbs or plain GET, POST and PUT; the XML bodies built
// from the property, namespace and lock settings; multistatus replies read
// into the property list and the DirList and ResourceProperties events; the
// LOCK reply read into the lock settings.
#include <cstdint>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/web/HttpClient.h"
#include "netcomp/net/webdav/DavPropertyList.h"
#include "netcomp/net/webdav/WebDavXmlReader.h"

class WebDavEngine : public HttpClient, private MultistatusSink {
public:
    // MaxReplyBody here: the most a reply holds at once (one response
    // element of a multistatus, or a LOCK reply); its parts multiply in the
    // reader, hence less than the base's default.
    static constexpr uint32_t kDefaultMaxHeld = 16u << 20;

    WebDavEngine();

    // Methods.
    [[nodiscard]] int MakeDirectory(const char* url);
    [[nodiscard]] int DeleteResource(const char* url);
    [[nodiscard]] int CopyResource(const char* source, const char* destination);
    [[nodiscard]] int MoveResource(const char* source, const char* destination);
    [[nodiscard]] int FindProperties(const char* url);
    [[nodiscard]] int FindPropertyNames(const char* url);
    [[nodiscard]] int ListDirectory(const char* url);
    [[nodiscard]] int PatchProperties(const char* url);
    [[nodiscard]] int LockResource(const char* url);
    [[nodiscard]] int UnLockResource(const char* url);
    [[nodiscard]] int GetResource(const char* url);
    [[nodiscard]] int PutResource(const char* url);
    [[nodiscard]] int PostToResource(const char* url, const char* data, int length);
    [[nodiscard]] int ResetAll();
    [[nodiscard]] int Interrupt() { return DoAction(kHttpInterrupt); }
    [[nodiscard]] int AddNamespace(const char* prefix, const char* uri);
    [[nodiscard]] int GetProperty(const char* name, const char** value);
    [[nodiscard]] int SetProperty(const char* name, const char* value);

    // Settings of its own.
    const char* DavOtherHeaders() const { return m_otherHeaders.CStr(); }
    [[nodiscard]] int SetDavOtherHeaders(const char* t) { return m_otherHeaders.AssignText(t); }
    const char* DavLocalFile() const { return m_localFile.CStr(); }
    [[nodiscard]] int SetDavLocalFile(const char* t) { return m_localFile.AssignText(t); }
    int Depth() const { return m_depth; }
    void SetDepth(int depth) { m_depth = depth; }
    const char* LockOwner() const { return m_lockOwner.CStr(); }
    [[nodiscard]] int SetLockOwner(const char* t) { return m_lockOwner.AssignText(t); }
    const char* LockScope() const { return m_lockScope.CStr(); }
    [[nodiscard]] int SetLockScope(const char* t) { return m_lockScope.AssignText(t); }
    const char* LockTokens() const { return m_lockTokens.CStr(); }
    [[nodiscard]] int SetLockTokens(const char* t) { return m_lockTokens.AssignText(t); }
    const char* LockType() const { return m_lockType.CStr(); }
    [[nodiscard]] int SetLockType(const char* t) { return m_lockType.AssignText(t); }
    int LockTimeout();
    [[nodiscard]] int SetLockTimeout(int seconds);

    // The lists, 1-based as the component numbers them.
    int NamespaceCount() const { return int(m_namespaces.Count()); }
    [[nodiscard]] int SetNamespaceCount(int n);
    [[nodiscard]] int CheckNamespaceIndex(int i);
    const char* NamespacePrefix(int i) const { return m_namespaces.Prefix(uint32_t(i - 1)); }
    const char* NamespaceUri(int i) const { return m_namespaces.Uri(uint32_t(i - 1)); }
    [[nodiscard]] int SetNamespacePrefix(int i, const char* t) { return m_namespaces.SetPrefix(uint32_t(i - 1), t); }
    [[nodiscard]] int SetNamespaceUri(int i, const char* t) { return m_namespaces.SetUri(uint32_t(i - 1), t); }
    int PropertyCount() const { return int(m_properties.Count()); }
    [[nodiscard]] int SetPropertyCount(int n);
    [[nodiscard]] int CheckPropertyIndex(int i);
    const char* PropertyName(int i) const { return m_properties.Name(uint32_t(i - 1)); }
    [[nodiscard]] int SetPropertyName(int i, const char* t) { return m_properties.SetName(uint32_t(i - 1), t); }
    int PropertyOperation(int i) const { return m_properties.Operation(uint32_t(i - 1)); }
    [[nodiscard]] int SetPropertyOperation(int i, int operation);
    const char* PropertyStatus(int i) const { return m_properties.Status(uint32_t(i - 1)); }
    // The value, when the reply said the property is there (or no reply
    // spoke of it yet); else 474 with the status as the last error.
    const char* PropertyValue(int i);
    [[nodiscard]] int SetPropertyValue(int i, const char* t) { return m_properties.SetValue(uint32_t(i - 1), t); }

protected:
    int FireStartTransfer(int direction) override;
    int FireTransfer(int direction, int64_t bytes, const char* data, uint32_t n) override;
    int FireEndTransfer(int direction) override;

private:
    // What a request's reply is read for.
    enum class Reply { Plain, FailOn207, Multistatus, Listing, Lock };

    [[nodiscard]] int Send(const char* verb, int action, const char* url, const NetString& lines, const NetString* body,
                           Reply reply);
    [[nodiscard]] int SendPropRequest(const char* verb, const char* url, const NetString* body, Reply reply);
    [[nodiscard]] int RefuseBusy();
    [[nodiscard]] int CopyOrMove(const char* verb, const char* source, const char* destination);
    [[nodiscard]] int AppendDepth(NetString& lines) const;
    [[nodiscard]] int AppendHeader(NetString& lines, const char* name, const char* before, const char* value,
                                   const char* after);
    [[nodiscard]] int ReadLockReply();
    [[nodiscard]] int CheckCount(int n);

    int OnDirList(const char* href, const char* displayName, const char* contentLanguage, const char* contentLength,
                  const char* contentType, const char* lastModified) override;
    int OnResourceProperties(const char* href, const char* xml, uint32_t length) override;

    NetString m_otherHeaders;
    NetString m_localFile;
    NetString m_lockTokens;
    NetString m_lockScope;
    NetString m_lockType;
    NetString m_lockOwner;
    NetString m_lockTimeout;
    int m_depth = 0;
    DavPropertyList m_properties;
    DavNamespaceList m_namespaces;
    WebDavXmlReader m_reader;

    // The request under way.
    Reply m_reply = Reply::Plain;
    bool m_feeding = false; // this response body goes to the reader
    int m_readerError = 0;
    NetString m_lockReply;
};
