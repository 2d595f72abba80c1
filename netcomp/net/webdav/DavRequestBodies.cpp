#include "netcomp/net/webdav/DavRequestBodies.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"

namespace {

const char kXmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

int AppendDeclarations(NetStringBase& out, const DavNamespaceList& namespaces)
{
    for (uint32_t i = 0; i < namespaces.Count(); ++i) {
        const char* uri = namespaces.Uri(i);
        int rc = AppendAll(out, {" xmlns:", namespaces.Prefix(i), "=\""});
        if (rc == kResultOk)
            rc = AppendXmlEscaped(out, uri, uint32_t(std::strlen(uri)));
        if (rc == kResultOk)
            rc = out.AppendChar('"');
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

// "<D:" + the name for the DAV: values, the caller's fragment otherwise.
int AppendLockElement(NetStringBase& out, const char* outer, const char* value, const char* davA, const char* davB)
{
    if (!value || !*value)
        return kResultOk;
    const bool dav = StrCmp(value, davA) == 0 || (davB && StrCmp(value, davB) == 0);
    return AppendAll(out, {"<D:", outer, "><", dav ? "D:" : "", value, "/></D:", outer, ">"});
}

} // namespace

int BuildPropfindBody(const DavPropertyList& properties, const DavNamespaceList& namespaces, NetString& body)
{
    body.Clear();
    int rc = AppendAll(body, {kXmlDeclaration, "<D:propfind xmlns:D=\"DAV:\""});
    if (rc == kResultOk && properties.Count() == 0)
        return AppendAll(body, {"><D:allprop/></D:propfind>"});
    if (rc == kResultOk)
        rc = AppendDeclarations(body, namespaces);
    if (rc == kResultOk)
        rc = AppendAll(body, {"><D:prop>"});
    for (uint32_t i = 0; rc == kResultOk && i < properties.Count(); ++i)
        rc = body.AppendCStr(properties.Name(i));
    return rc == kResultOk ? AppendAll(body, {"</D:prop></D:propfind>"}) : rc;
}

int BuildPropnameBody(NetString& body)
{
    return body.AssignText("<D:propfind xmlns:D=\"DAV:\"><D:propname/></D:propfind>");
}

int BuildPropertyUpdateBody(const DavPropertyList& properties, const DavNamespaceList& namespaces, NetString& body)
{
    body.Clear();
    int rc = AppendAll(body, {kXmlDeclaration, "<D:propertyupdate xmlns:D=\"DAV:\""});
    if (rc == kResultOk)
        rc = AppendDeclarations(body, namespaces);
    if (rc == kResultOk)
        rc = body.AppendChar('>');
    for (uint32_t i = 0; rc == kResultOk && i < properties.Count(); ++i) {
        const char* verb = properties.Operation(i) == kDavRemove ? "remove" : "set";
        rc = AppendAll(body, {"<D:", verb, "><D:prop>", properties.Name(i), "</D:prop></D:", verb, ">"});
    }
    return rc == kResultOk ? AppendAll(body, {"</D:propertyupdate>"}) : rc;
}

// The owner goes out as DAV:owner, which servers require (RFC 4918, 14.17).
int BuildLockInfoBody(const char* scope, const char* type, const char* owner, NetString& body)
{
    body.Clear();
    int rc = AppendAll(body, {kXmlDeclaration, "<D:lockinfo xmlns:D=\"DAV:\">"});
    if (rc == kResultOk)
        rc = AppendLockElement(body, "lockscope", scope, "exclusive", "shared");
    if (rc == kResultOk)
        rc = AppendLockElement(body, "locktype", type, "write", nullptr);
    if (rc == kResultOk)
        rc = AppendAll(body, {"<D:owner><D:href>"});
    if (rc == kResultOk && owner)
        rc = AppendXmlEscaped(body, owner, uint32_t(std::strlen(owner)));
    return rc == kResultOk ? AppendAll(body, {"</D:href></D:owner></D:lockinfo>"}) : rc;
}
