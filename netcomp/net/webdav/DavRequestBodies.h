#pragma once
// The XML bodies of the WebDAV requests, written without line breaks.
// Property names go into <D:prop> as the caller gave them (they are XML
// fragments); everything else a caller gives (namespace URIs, the lock
// owner) is escaped for its place.
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/text/XmlEscape.h"
#include "netcomp/net/webdav/DavPropertyList.h"

// PROPFIND with the property list, or allprop when the list is empty.
[[nodiscard]] int BuildPropfindBody(const DavPropertyList& properties, const DavNamespaceList& namespaces,
                                    NetString& body);
// PROPFIND asking for the names of the properties.
[[nodiscard]] int BuildPropnameBody(NetString& body);
// PROPPATCH: one set or remove per property, in order; values are not sent.
[[nodiscard]] int BuildPropertyUpdateBody(const DavPropertyList& properties, const DavNamespaceList& namespaces,
                                          NetString& body);
// LOCK: scope and type when given ("exclusive", "shared" and "write" in the
// DAV: namespace, anything else as written), and the owner.
[[nodiscard]] int BuildLockInfoBody(const char* scope, const char* type, const char* owner, NetString& body);
