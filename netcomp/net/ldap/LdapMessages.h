#pragma once
// LDAP messages (RFC 4511) as the LDAP component sends and receives them:
// the protocol operations of its requests, the sort (RFC 2891) and paged
// results (RFC 2696) controls, the LDAPMessage around them, and the reading
// of what the server sends back.
#include <cstdint>
#include <string>
#include <vector>

#include "netcomp/core/text/NetString.h"
#include "netcomp/net/ber/BerCodec.h"

// Protocol operation tags.
enum LdapOperation : unsigned char {
    kLdapOpBindRequest = 0x60,
    kLdapOpBindResponse = 0x61,
    kLdapOpUnbindRequest = 0x42,
    kLdapOpSearchRequest = 0x63,
    kLdapOpSearchResultEntry = 0x64,
    kLdapOpSearchResultDone = 0x65,
    kLdapOpModifyRequest = 0x66,
    kLdapOpModifyResponse = 0x67,
    kLdapOpAddRequest = 0x68,
    kLdapOpAddResponse = 0x69,
    kLdapOpDelRequest = 0x4A,
    kLdapOpDelResponse = 0x6B,
    kLdapOpModifyDnRequest = 0x6C,
    kLdapOpModifyDnResponse = 0x6D,
    kLdapOpCompareRequest = 0x6E,
    kLdapOpCompareResponse = 0x6F,
    kLdapOpAbandonRequest = 0x50,
    kLdapOpSearchResultReference = 0x73,
    kLdapOpExtendedRequest = 0x77,
    kLdapOpExtendedResponse = 0x78,
};

// One entry of the attribute list: a type (empty: another value of the
// attribute before it), a value, and the modify operation (0 add, 1 delete,
// 2 replace).
struct LdapAttribute {
    std::string type;
    std::string value;
    int modOp = 0;
};
using LdapAttributeList = std::vector<LdapAttribute>;

struct LdapSearchParams {
    const char* baseDn = "";
    int scope = 2;
    int derefAliases = 0;
    int sizeLimit = 0;
    int timeLimit = 0;
    bool typesOnly = false;
    const char* filter = "";
};

constexpr const char* kLdapSortControl = "1.2.840.113556.1.4.473";
constexpr const char* kLdapPagedControl = "1.2.840.113556.1.4.319";

// Protocol operations, appended to op. Each gives 0, or 445 when it does not
// fit the 65535 bytes that an element can hold, or 200; the search also 335
// for a filter that does not parse.
[[nodiscard]] int AppendLdapBind(int version, const char* dn, const char* password, BerCodec& op);
[[nodiscard]] int AppendLdapUnbind(BerCodec& op);
[[nodiscard]] int AppendLdapSearch(const LdapSearchParams& search, const LdapAttributeList& attributes, BerCodec& op);
[[nodiscard]] int AppendLdapModify(const char* dn, const LdapAttributeList& attributes, BerCodec& op);
[[nodiscard]] int AppendLdapAdd(const char* dn, const LdapAttributeList& attributes, BerCodec& op);
[[nodiscard]] int AppendLdapDelete(const char* dn, BerCodec& op);
[[nodiscard]] int AppendLdapModifyDn(const char* dn, const char* newRdn, bool deleteOldRdn, BerCodec& op);
[[nodiscard]] int AppendLdapCompare(const char* dn, const LdapAttributeList& attributes, BerCodec& op);
[[nodiscard]] int AppendLdapAbandon(int messageId, BerCodec& op);
[[nodiscard]] int AppendLdapExtended(const char* name, const char* value, int length, BerCodec& op);

// Controls, each a whole Control element appended to controls. The sort keys
// are a blank-separated list of [-]type[/orderingRule]; no keys appends nothing.
[[nodiscard]] int AppendLdapSortControl(const char* keys, NetStringBase& controls);
[[nodiscard]] int AppendLdapPagedControl(int pageSize, const std::string& cookie, NetStringBase& controls);

// The LDAPMessage: messageID, the operation (the bytes of one element) and,
// when there are any, the controls (Control elements one after the other).
[[nodiscard]] int BuildLdapMessage(int messageId, const NetStringBase& op, const NetStringBase& controls,
                                   NetStringBase& message);

// What is known of a message at the front of the received bytes.
enum class LdapFrame { NeedMore, Whole, Malformed };
// Whole: size is the message's length. A message longer than maxSize is Malformed.
LdapFrame FrameLdapMessage(const char* data, uint32_t n, uint32_t maxSize, uint32_t& size);

// One message from the server, as far as the component reads it.
struct LdapResponse {
    int messageId = 0;
    unsigned char operation = 0;
    // LDAPResult of the responses that carry one.
    int resultCode = 0;
    std::string matchedDn;
    std::string diagnostic;
    // SearchResultEntry: the entry's name and one attribute-list entry per
    // value, the type only on an attribute's first value.
    std::string objectName;
    LdapAttributeList attributes;
    // ExtendedResponse.
    std::string responseName;
    std::string responseValue;
    // The paged-results response control, when the message carries one.
    bool paged = false;
    std::string cookie;

    void Clear();
};

// Reads one whole message (as FrameLdapMessage found it): 0, or 446 when it
// cannot be decoded. An operation the component does not know is read no
// further than its tag.
[[nodiscard]] int DecodeLdapMessage(const char* data, uint32_t n, LdapResponse& response);

// Whether an operation tag is one of the responses that carry an LDAPResult.
bool IsLdapResult(unsigned char operation);

// The bracketed name of a result code ("[invalid credentials]"), or "" for a
// code without one.
const char* LdapResultName(int code);
