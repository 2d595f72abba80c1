// Requests are built inside out with the BER codec: the fields of an element
// go into a codec of their own, the element's header goes in front of them,
// and its bytes are appended to the element around it.
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/ldap/LdapFilter.h"
#include "netcomp/net/ldap/LdapMessages.h"

namespace {

constexpr unsigned char kInteger = 0x02;
constexpr unsigned char kBoolean = 0x01;
constexpr unsigned char kOctetString = 0x04;
constexpr unsigned char kEnumerated = 0x0A;
constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kSet = 0x31;
constexpr unsigned char kSimpleAuth = 0x80;
constexpr unsigned char kControls = 0xA0;
constexpr unsigned char kRequestName = 0x80;
constexpr unsigned char kRequestValue = 0x81;
constexpr unsigned char kOrderingRule = 0x80;
constexpr unsigned char kReverseOrder = 0x81;

constexpr int kModDelete = 1;
constexpr int kModReplace = 2;

int Append(BerCodec& to, const BerCodec& element)
{
    return to.Buffer().Append(element.Buffer().Data(), element.Buffer().Length());
}

int AppendText(BerCodec& to, const char* text, unsigned char tag)
{
    return to.AppendOctetString(text ? text : "", -1, tag);
}

int AppendString(BerCodec& to, const std::string& s, unsigned char tag)
{
    return to.AppendOctetString(s.data(), int(s.size()), tag);
}

int AppendBoolean(BerCodec& to, bool value, unsigned char tag = kBoolean)
{
    return to.AppendOctetString(value ? "\xFF" : "\x00", 1, tag);
}

// Wraps fields under tag and appends the element to op.
int Finish(BerCodec& fields, unsigned char tag, BerCodec& op)
{
    const int rc = fields.WrapSequence(tag);
    return rc == kResultOk ? Append(op, fields) : rc;
}

// The attributes of an Add or the modifications of a Modify, from the
// attribute list: an entry with a type starts an attribute, an entry without
// one adds its value to the attribute before it. In a Modify, an empty value
// of a delete or a replace is no value at all, so that the attribute's
// values go as a whole.
int AppendAttributes(const LdapAttributeList& list, bool modify, BerCodec& out)
{
    size_t i = 0;
    while (i < list.size()) {
        const LdapAttribute& first = list[i];
        BerCodec values;
        int rc = kResultOk;
        do {
            const LdapAttribute& entry = list[i];
            const bool none =
                modify && entry.value.empty() && (first.modOp == kModDelete || first.modOp == kModReplace);
            if (!none)
                rc = AppendString(values, entry.value, kOctetString);
            ++i;
        } while (rc == kResultOk && i < list.size() && list[i].type.empty());
        BerCodec attribute;
        if (rc == kResultOk)
            rc = AppendString(attribute, first.type, kOctetString);
        if (rc == kResultOk)
            rc = values.WrapSequence(kSet);
        if (rc == kResultOk)
            rc = Append(attribute, values);
        if (rc == kResultOk)
            rc = attribute.WrapSequence(kSequence);
        if (rc == kResultOk && modify) {
            BerCodec change;
            rc = change.AppendInteger(first.modOp, kEnumerated);
            if (rc == kResultOk)
                rc = Append(change, attribute);
            if (rc == kResultOk)
                rc = Finish(change, kSequence, out);
        } else if (rc == kResultOk) {
            rc = Append(out, attribute);
        }
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int AppendControl(const char* type, const BerCodec& value, NetStringBase& controls)
{
    BerCodec control;
    int rc = AppendText(control, type, kOctetString);
    if (rc == kResultOk)
        rc = AppendBoolean(control, false);
    if (rc == kResultOk)
        rc = control.AppendOctetString(value.Buffer().Data(), int(value.Buffer().Length()), kOctetString);
    if (rc == kResultOk)
        rc = control.WrapSequence(kSequence);
    return rc == kResultOk ? controls.Append(control.Buffer().Data(), control.Buffer().Length()) : rc;
}

} // namespace

int AppendLdapBind(int version, const char* dn, const char* password, BerCodec& op)
{
    BerCodec fields;
    int rc = fields.AppendInteger(version, kInteger);
    if (rc == kResultOk)
        rc = AppendText(fields, dn, kOctetString);
    if (rc == kResultOk)
        rc = AppendText(fields, password, kSimpleAuth);
    return rc == kResultOk ? Finish(fields, kLdapOpBindRequest, op) : rc;
}

int AppendLdapUnbind(BerCodec& op)
{
    return op.AppendNull(kLdapOpUnbindRequest);
}

int AppendLdapSearch(const LdapSearchParams& search, const LdapAttributeList& attributes, BerCodec& op)
{
    BerCodec fields;
    int rc = AppendText(fields, search.baseDn, kOctetString);
    if (rc == kResultOk)
        rc = fields.AppendInteger(search.scope, kEnumerated);
    if (rc == kResultOk)
        rc = fields.AppendInteger(search.derefAliases, kEnumerated);
    if (rc == kResultOk)
        rc = fields.AppendInteger(search.sizeLimit, kInteger);
    if (rc == kResultOk)
        rc = fields.AppendInteger(search.timeLimit, kInteger);
    if (rc == kResultOk)
        rc = AppendBoolean(fields, search.typesOnly);
    if (rc == kResultOk) {
        const char* filter = search.filter ? search.filter : "";
        rc = EncodeLdapFilter(filter, uint32_t(std::strlen(filter)), fields.Buffer());
    }
    BerCodec selection;
    for (size_t i = 0; rc == kResultOk && i < attributes.size(); ++i) {
        if (!attributes[i].type.empty())
            rc = AppendString(selection, attributes[i].type, kOctetString);
    }
    if (rc == kResultOk)
        rc = selection.WrapSequence(kSequence);
    if (rc == kResultOk)
        rc = Append(fields, selection);
    return rc == kResultOk ? Finish(fields, kLdapOpSearchRequest, op) : rc;
}

int AppendLdapModify(const char* dn, const LdapAttributeList& attributes, BerCodec& op)
{
    BerCodec fields;
    BerCodec changes;
    int rc = AppendText(fields, dn, kOctetString);
    if (rc == kResultOk)
        rc = AppendAttributes(attributes, true, changes);
    if (rc == kResultOk)
        rc = Finish(changes, kSequence, fields);
    return rc == kResultOk ? Finish(fields, kLdapOpModifyRequest, op) : rc;
}

int AppendLdapAdd(const char* dn, const LdapAttributeList& attributes, BerCodec& op)
{
    BerCodec fields;
    BerCodec list;
    int rc = AppendText(fields, dn, kOctetString);
    if (rc == kResultOk)
        rc = AppendAttributes(attributes, false, list);
    if (rc == kResultOk)
        rc = Finish(list, kSequence, fields);
    return rc == kResultOk ? Finish(fields, kLdapOpAddRequest, op) : rc;
}

int AppendLdapDelete(const char* dn, BerCodec& op)
{
    return AppendText(op, dn, kLdapOpDelRequest);
}

int AppendLdapModifyDn(const char* dn, const char* newRdn, bool deleteOldRdn, BerCodec& op)
{
    BerCodec fields;
    int rc = AppendText(fields, dn, kOctetString);
    if (rc == kResultOk)
        rc = AppendText(fields, newRdn, kOctetString);
    if (rc == kResultOk)
        rc = AppendBoolean(fields, deleteOldRdn);
    return rc == kResultOk ? Finish(fields, kLdapOpModifyDnRequest, op) : rc;
}

int AppendLdapCompare(const char* dn, const LdapAttributeList& attributes, BerCodec& op)
{
    static const LdapAttribute kNone;
    const LdapAttribute& first = attributes.empty() ? kNone : attributes[0];
    BerCodec fields;
    BerCodec assertion;
    int rc = AppendText(fields, dn, kOctetString);
    if (rc == kResultOk)
        rc = AppendString(assertion, first.type, kOctetString);
    if (rc == kResultOk)
        rc = AppendString(assertion, first.value, kOctetString);
    if (rc == kResultOk)
        rc = Finish(assertion, kSequence, fields);
    return rc == kResultOk ? Finish(fields, kLdapOpCompareRequest, op) : rc;
}

int AppendLdapAbandon(int messageId, BerCodec& op)
{
    return op.AppendInteger(messageId, kLdapOpAbandonRequest);
}

// An empty value leaves requestValue out: the operations without one (such
// as "Who am I?") must not carry it.
int AppendLdapExtended(const char* name, const char* value, int length, BerCodec& op)
{
    BerCodec fields;
    int rc = AppendText(fields, name, kRequestName);
    if (rc == kResultOk && value && length > 0)
        rc = fields.AppendOctetString(value, length, kRequestValue);
    return rc == kResultOk ? Finish(fields, kLdapOpExtendedRequest, op) : rc;
}

int AppendLdapSortControl(const char* keys, NetStringBase& controls)
{
    BerCodec list;
    const char* p = keys ? keys : "";
    int rc = kResultOk;
    while (rc == kResultOk) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        const char* end = p;
        while (*end && *end != ' ' && *end != '\t')
            ++end;
        const bool reverse = *p == '-';
        if (reverse)
            ++p;
        const char* slash = p;
        while (slash < end && *slash != '/')
            ++slash;
        BerCodec key;
        rc = key.AppendOctetString(p, int(slash - p), kOctetString);
        if (rc == kResultOk && slash < end)
            rc = key.AppendOctetString(slash + 1, int(end - slash - 1), kOrderingRule);
        if (rc == kResultOk && reverse)
            rc = AppendBoolean(key, true, kReverseOrder);
        if (rc == kResultOk)
            rc = Finish(key, kSequence, list);
        p = end;
    }
    if (rc != kResultOk || list.Buffer().IsEmpty())
        return rc;
    rc = list.WrapSequence(kSequence);
    return rc == kResultOk ? AppendControl(kLdapSortControl, list, controls) : rc;
}

int AppendLdapPagedControl(int pageSize, const std::string& cookie, NetStringBase& controls)
{
    BerCodec value;
    int rc = value.AppendInteger(pageSize, kInteger);
    if (rc == kResultOk)
        rc = AppendString(value, cookie, kOctetString);
    if (rc == kResultOk)
        rc = value.WrapSequence(kSequence);
    return rc == kResultOk ? AppendControl(kLdapPagedControl, value, controls) : rc;
}

int BuildLdapMessage(int messageId, const NetStringBase& op, const NetStringBase& controls, NetStringBase& message)
{
    BerCodec m;
    int rc = m.AppendInteger(messageId, kInteger);
    if (rc == kResultOk)
        rc = m.Buffer().Append(op.Data(), op.Length());
    if (rc == kResultOk && !controls.IsEmpty()) {
        BerCodec list;
        rc = list.Buffer().Append(controls.Data(), controls.Length());
        if (rc == kResultOk)
            rc = Finish(list, kControls, m);
    }
    if (rc == kResultOk)
        rc = m.WrapSequence(kSequence);
    return rc == kResultOk ? message.Assign(m.Buffer().Length(), m.Buffer().Data()) : rc;
}
