// The HTTP component's flat interface over the HTTP client engine.
#include "netcomp/core/ComponentExports.h"
#include "netcomp/core/HttpClient.h"
#include "netcomp/core/HttpNumbers.h"
#include "netcomp/core/WrapperValues.h"

namespace {

using namespace wrapper;

// The engine with the component's own defaults on top of the client's.
class HttpComponentEngine final : public HttpClient {
public:
    HttpComponentEngine()
    {
        (void)SetTimeout(60);
        SetFirewallPort(80);
    }
};

struct HttpAdapter : ComponentAdapterDefaults {
    using Engine = HttpComponentEngine;
    static constexpr int kMethodCount = kHttpMethodCount;

    static INT_PTR Get(Engine& e, int property, int index, int* lengthOut)
    {
        switch (property) {
        case kHttpAccept:
            return TextValue(e.Accept());
        case kHttpAttachedFile:
            return TextValue(e.AttachedFile());
        case kHttpAuthorization:
            return TextValue(e.Authorization());
        case kHttpAuthScheme:
            return e.AuthScheme();
        case kHttpConnected:
            return e.IsConnected() ? 1 : 0;
        case kHttpContentType:
            return TextValue(e.ContentType());
        case kHttpCookieCount:
            return e.CookieCount();
        case kHttpCookieName:
            return e.CheckCookieIndex(index) == 0 ? TextValue(e.CookieName(index)) : TextValue("");
        case kHttpCookieValue:
            return e.CheckCookieIndex(index) == 0 ? TextValue(e.CookieValue(index)) : TextValue("");
        case kHttpFirewallHost:
            return TextValue(e.GetFirewallHost());
        case kHttpFirewallPassword:
            return TextValue(e.GetFirewallPassword());
        case kHttpFirewallPort:
            return e.GetFirewallPort();
        case kHttpFirewallType:
            return e.GetFirewallType();
        case kHttpFirewallUser:
            return TextValue(e.GetFirewallUser());
        case kHttpFollowRedirects:
            return e.FollowRedirects();
        case kHttpFrom:
            return TextValue(e.From());
        case kHttpHTTPMethod:
            return TextValue(e.Verb());
        case kHttpIdle:
            return e.Idle() ? 1 : 0;
        case kHttpIfModifiedSince:
            return TextValue(e.IfModifiedSince());
        case kHttpLocalFile:
            return TextValue(e.LocalFile());
        case kHttpLocalHost:
            return TextValue(e.GetLocalHost());
        case kHttpOtherHeaders:
            return TextValue(e.OtherHeaders());
        case kHttpPassword:
            return TextValue(e.Password());
        case kHttpPostData:
            if (lengthOut)
                *lengthOut = int(e.PostData().Length());
            return TextValue(e.PostData().CStr());
        case kHttpPragma:
            return TextValue(e.Pragma());
        case kHttpProxyAuthorization:
            return TextValue(e.ProxyAuthorization());
        case kHttpProxyPassword:
            return TextValue(e.ProxyPassword());
        case kHttpProxyPort:
            return e.ProxyPort();
        case kHttpProxyServer:
            return TextValue(e.ProxyServer());
        case kHttpProxyUser:
            return TextValue(e.ProxyUser());
        case kHttpRange:
            return TextValue(e.Range());
        case kHttpReferer:
            return TextValue(e.Referer());
        case kHttpStatusLine:
            return TextValue(e.StatusLine());
        case kHttpTimeout:
            return INT_PTR(e.GetTimeout());
        case kHttpTransferredData:
            if (lengthOut)
                *lengthOut = int(e.TransferredData().Length());
            return TextValue(e.TransferredData().CStr());
        case kHttpTransferredHeaders:
            return TextValue(e.ReceivedHeaders().CStr());
        case kHttpURL:
            return TextValue(e.URL());
        case kHttpURLPath:
            return TextValue(e.URLPath());
        case kHttpURLPort:
            return e.URLPort();
        case kHttpURLScheme:
            return TextValue(e.URLScheme());
        case kHttpURLServer:
            return TextValue(e.URLServer());
        case kHttpUser:
            return TextValue(e.User());
        default:
            return 0;
        }
    }

    static int Set(Engine& e, int property, int index, INT_PTR value, int length)
    {
        const char* text = Text(value);
        const int number = int(value);
        switch (property) {
        case kHttpAccept:
            return e.SetAccept(text);
        case kHttpAttachedFile:
            return e.SetAttachedFile(text);
        case kHttpAuthorization:
            return e.SetAuthorization(text);
        case kHttpAuthScheme:
            e.SetAuthScheme(number);
            return 0;
        case kHttpConnected:
            return e.SetConnected(number != 0);
        case kHttpContentType:
            return e.SetContentType(text);
        case kHttpCookieCount:
            return e.SetCookieCount(number);
        case kHttpCookieName:
            return e.CheckCookieIndex(index) ? kHttpBadCookieIndex : e.SetCookieName(index, text);
        case kHttpCookieValue:
            return e.CheckCookieIndex(index) ? kHttpBadCookieIndex : e.SetCookieValue(index, text);
        case kHttpFirewallHost:
            return e.SetFirewallHost(text);
        case kHttpFirewallPassword:
            return e.SetFirewallPassword(text);
        case kHttpFirewallPort:
            e.SetFirewallPort(number);
            return 0;
        case kHttpFirewallType:
            e.SetFirewallPort(number == 2 || number == 3 ? 1080 : 80);
            return e.SetFirewallType(number);
        case kHttpFirewallUser:
            return e.SetFirewallUser(text);
        case kHttpFollowRedirects:
            e.SetFollowRedirects(number);
            return 0;
        case kHttpFrom:
            return e.SetFrom(text);
        case kHttpHTTPMethod:
            return e.SetVerb(text);
        case kHttpIfModifiedSince:
            return e.SetIfModifiedSince(text);
        case kHttpLocalFile:
            return e.SetLocalFile(text);
        case kHttpLocalHost:
            return e.SetLocalHost(text);
        case kHttpOtherHeaders:
            return e.SetOtherHeaders(text);
        case kHttpPassword:
            return e.SetPassword(text);
        case kHttpPostData:
            return e.SetPostData(text, text ? uint32_t(length) : 0);
        case kHttpPragma:
            return e.SetPragma(text);
        case kHttpProxyAuthorization:
            return e.SetProxyAuthorization(text);
        case kHttpProxyPassword:
            return e.SetProxyPassword(text);
        case kHttpProxyPort:
            e.SetProxyPort(number);
            return 0;
        case kHttpProxyServer:
            return e.SetProxyServer(text);
        case kHttpProxyUser:
            return e.SetProxyUser(text);
        case kHttpRange:
            return e.SetRange(text);
        case kHttpReferer:
            return e.SetReferer(text);
        case kHttpTimeout:
            return e.SetTimeout(unsigned(number));
        case kHttpURL:
            return e.SetURL(text);
        case kHttpURLPath:
            return e.SetURLPath(text);
        case kHttpURLPort:
            e.SetURLPort(number);
            return 0;
        case kHttpURLScheme:
            return e.SetURLScheme(text);
        case kHttpURLServer:
            return e.SetURLServer(text);
        case kHttpUser:
            return e.SetUser(text);
        default:
            return kUnknownSetting;
        }
    }

    static int Do(Engine& e, int method, int count, INT_PTR* args, int*)
    {
        int action = kHttpGet;
        switch (method) {
        case kHttpMethodAddCookie:
            return e.AddCookie(ArgText(count, args, 0), ArgText(count, args, 1));
        case kHttpMethodDoEvents:
            return e.WaitStep(20, e.Window()) ? 0 : 0;
        case kHttpMethodInterrupt:
            return e.DoAction(kHttpInterrupt);
        case kHttpMethodReset:
            return e.DoAction(kHttpReset);
        case kHttpMethodGet:
            action = kHttpGet;
            break;
        case kHttpMethodHead:
            action = kHttpHead;
            break;
        case kHttpMethodPost:
            action = kHttpPost;
            break;
        case kHttpMethodPut:
            action = kHttpPut;
            break;
        default:
            return e.LastCode();
        }
        if (!e.Idle()) {
            e.SetLastErrorText("Busy performing current action.");
            return kHttpBusy;
        }
        const int rc = e.SetURL(ArgText(count, args, 0));
        return rc != 0 ? rc : e.DoAction(action);
    }

    static int CheckIndex(Engine& e, int property, int index)
    {
        if (property == kHttpCookieName || property == kHttpCookieValue)
            return e.CheckCookieIndex(index) ? kIndexOutOfRange : 0;
        return 0;
    }
};

} // namespace

NETCOMP_DEFINE_COMPONENT(HTTP, HttpAdapter)
