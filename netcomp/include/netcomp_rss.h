/* Property, method and event numbers of the RSS component (RSS_Get, RSS_Set,
 * RSS_Do and the event callback). Indexed properties count from 1. */
#ifndef NETCOMP_RSS_H
#define NETCOMP_RSS_H

/* A feed, fetched or read from a file, is at most Config MaxReplySize bytes
 * (default 67108864, 64 MB): past it a fetch ends with 154 (a file read with
 * 302) and "The feed is larger than MaxReplySize.", nothing of it kept. A
 * response's header lines take at most 1 MB together (154, "Response headers
 * too large."), as in netcomp_http.h. The feed's XML is read with the bounds
 * of netcomp_xmlp.h: 128 attributes on one element, 128 elements open at once,
 * 128 namespace declarations in scope; the 129th is refused with 200 ("Out of
 * memory."). */

enum RssProp {
    kRssAccept = 1,
    kRssAuthScheme = 2,
    kRssChannelCategory = 3,
    kRssChannelCategoryDomain = 4,
    kRssChannelCopyright = 5,
    kRssChannelDescription = 6,
    kRssChannelDocs = 7,
    kRssChannelLanguage = 8,
    kRssChannelLastBuildDate = 9,
    kRssChannelLink = 10,
    kRssChannelManagingEditor = 11,
    kRssChannelPubDate = 12,
    kRssChannelTitle = 13,
    kRssChannelWebMaster = 14,
    kRssConnected = 15,
    kRssFirewallHost = 16,
    kRssFirewallPassword = 17,
    kRssFirewallPort = 18,
    kRssFirewallType = 19,
    kRssFirewallUser = 20,
    kRssFollowRedirects = 21,
    kRssIdle = 22,
    kRssImageLink = 23,
    kRssImageTitle = 24,
    kRssImageURL = 25,
    kRssItemAuthor = 26,
    kRssItemCategory = 27,
    kRssItemCategoryDomain = 28,
    kRssItemComments = 29,
    kRssItemCount = 30,
    kRssItemDescription = 31,
    kRssItemGuid = 32,
    kRssItemLink = 33,
    kRssItemPubDate = 34,
    kRssItemSource = 35,
    kRssItemSourceURL = 36,
    kRssItemTitle = 37,
    kRssNamespaceCount = 38,
    kRssNamespacePrefix = 39,
    kRssNamespaceURI = 40,
    kRssPassword = 41,
    kRssRSSData = 42,
    kRssRSSVersion = 43,
    kRssTextInputDescription = 44,
    kRssTextInputLink = 45,
    kRssTextInputName = 46,
    kRssTextInputTitle = 47,
    kRssTimeout = 48,
    kRssUser = 49
};

/* RSSVersion: 0 none, 1 "0.91", 2 "0.92", 3 "2.0". */
enum RssVersion { kRssVersionNone = 0, kRssVersion091 = 1, kRssVersion092 = 2, kRssVersion20 = 3 };

/* AddItem: title, description, link. AddNamespace: prefix, URI. GetFeed,
 * GetURL and PutFeed: URL. GetProperty: path, value out (second argument
 * slot). ReadFile and WriteFile: file name. SetProperty: path, value.
 * A path names a record and a field: "channel/title" (or "/title"),
 * "image/url", "textInput/name", "item[2]/category"; "@name" after the field
 * names one of its attributes ("item[2]/category@domain"), and "[n]" after
 * the field its n-th element of that name ("item[1]/category[2]"). */
enum RssMethod {
    kRssMethodConfig = 1,
    kRssMethodAddItem = 2,
    kRssMethodAddNamespace = 3,
    kRssMethodGetFeed = 4,
    kRssMethodGetProperty = 5,
    kRssMethodGetURL = 6,
    kRssMethodPutFeed = 7,
    kRssMethodReadFile = 8,
    kRssMethodReset = 9,
    kRssMethodSetProperty = 10,
    kRssMethodWriteFile = 11,
    kRssMethodCount = 11
};

/* Connected and Disconnected: code, description. ConnectionStatus: status
 * text, code, description. Error: code, description. Header: field, value.
 * Redirect: location, accept (answerable: set it to 0 to refuse). SetCookie:
 * name, value, expires, domain, path, secure. Status: HTTP version, code,
 * description. Transfer: bytes so far (pointer-sized int), data (with its
 * length). StartTransfer and EndTransfer: none. The transfer events tell of the
 * response body only. */
enum RssEvent {
    kRssEventConnected = 1,
    kRssEventConnectionStatus = 2,
    kRssEventDisconnected = 3,
    kRssEventEndTransfer = 4,
    kRssEventError = 5,
    kRssEventHeader = 6,
    kRssEventRedirect = 7,
    kRssEventSetCookie = 8,
    kRssEventStartTransfer = 9,
    kRssEventStatus = 10,
    kRssEventTransfer = 11
};

/* Codes of the component besides those of the HTTP client and the XML
 * parser. */
enum RssCode {
    kRssWriteFailed = 128,
    kRssNoMoreItems = 228,
    kRssNoMoreFields = 229,
    kRssBadVersion = 230,
    kRssBadIndex = 232,
    kRssNoSuchElement = 233,
    kRssRequiredEmpty = 234,
    kRssFileError = 302
};

#endif /* NETCOMP_RSS_H */
