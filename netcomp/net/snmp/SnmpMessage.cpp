// Messages are built inside out with the BER codec: bindings, PDU, then the
// header around it. Parsing copies each constructed element into a codec of
// its own and reads its fields by index; where a field must be found again
// in the datagram itself (the SNMPv3 authentication parameters, which the
// signature covers), the content offsets of each level are added up.
#include "netcomp/net/snmp/SnmpMessage.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/snmp/SnmpValue.h"

namespace {

constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kIntegerTag = 0x02;
constexpr unsigned char kOctetStringTag = 0x04;
constexpr unsigned char kOidTag = 0x06;
constexpr unsigned char kIpAddressTag = 0x40;
constexpr unsigned char kTimeTicksTag = 0x43;

int AppendCodec(BerCodec& to, const BerCodec& from)
{
    return to.Buffer().Append(from.Buffer().Data(), from.Buffer().Length());
}

int AppendText(BerCodec& to, const std::string& text)
{
    return to.AppendOctetString(text.data(), int(text.size()), kOctetStringTag);
}

// Takes the content of element index as a codec of its own; the element
// must carry the tag expected.
int ReadConstructed(const BerCodec& from, int index, unsigned char expected, BerCodec& into)
{
    unsigned char tag = 0;
    const int rc = from.ReadOctetString(index, into.Buffer(), &tag);
    if (rc != kResultOk)
        return rc;
    return tag == expected ? kResultOk : kBerMalformed;
}

int ReadText(const BerCodec& from, int index, std::string& out)
{
    NetString bytes;
    const int rc = from.ReadOctetString(index, bytes);
    if (rc == kResultOk)
        out.assign(bytes.Data(), bytes.Length());
    return rc;
}

int AppendBindings(const SnmpBindings& bindings, BerCodec& list)
{
    for (int i = 0; i < bindings.Count(); ++i) {
        const SnmpBinding& b = bindings.At(i);
        BerCodec one;
        int rc = one.AppendOid(b.oid.c_str(), kOidTag);
        if (rc == kResultOk)
            rc = AppendSnmpValue(one, b);
        if (rc == kResultOk)
            rc = one.WrapSequence(kSequence);
        if (rc == kResultOk)
            rc = AppendCodec(list, one);
        if (rc != kResultOk)
            return rc;
    }
    return list.WrapSequence(kSequence);
}

// The binding list walks element by element: reading each by index from the
// start would cost time quadratic in the count of bindings.
int ReadBindings(const BerCodec& pdu, int index, SnmpBindings& bindings)
{
    BerCodec list;
    int rc = ReadConstructed(pdu, index, kSequence, list);
    const auto* p = reinterpret_cast<const unsigned char*>(list.Buffer().Data());
    uint32_t left = list.Buffer().Length();
    while (rc == kResultOk && left > 0 && bindings.Count() < SnmpBindings::kMaxCount) {
        const uint32_t size = BerCodec::ElementSize(p, left);
        if (size == 0)
            return kBerMalformed;
        BerCodec one;
        unsigned char tag = 0;
        rc = one.Buffer().Assign(size, reinterpret_cast<const char*>(p));
        if (rc == kResultOk)
            rc = one.UnwrapSequence(&tag);
        if (rc == kResultOk && tag != kSequence)
            rc = kBerMalformed;
        SnmpBinding b;
        NetString oid;
        if (rc == kResultOk)
            rc = one.ReadOid(0, oid);
        if (rc == kResultOk)
            rc = ReadSnmpValue(one, 1, b);
        if (rc == kResultOk) {
            b.oid.assign(oid.Data(), oid.Length());
            bindings.Add(std::move(b));
        }
        p += size;
        left -= size;
    }
    return rc;
}

int ReadPdu(const BerCodec& from, int index, SnmpMessage& m, SnmpBindings& bindings)
{
    BerCodec pdu;
    int rc = from.ReadOctetString(index, pdu.Buffer(), &m.pduType);
    if (rc != kResultOk)
        return rc;
    if ((m.pduType & 0xE0) != 0xA0)
        return kBerMalformed; // a PDU is a constructed, context-specific element
    if (m.pduType == kSnmpTrapV1) {
        NetString enterprise, address;
        if ((rc = pdu.ReadOid(0, enterprise)) != kResultOk || (rc = pdu.ReadOctetString(1, address)) != kResultOk ||
            (rc = pdu.ReadInteger(2, m.genericTrap)) != kResultOk ||
            (rc = pdu.ReadInteger(3, m.specificTrap)) != kResultOk ||
            (rc = pdu.ReadUnsigned(4, m.timeStamp)) != kResultOk)
            return rc;
        if (address.Length() != 4)
            return kBerMalformed;
        m.enterprise.assign(enterprise.Data(), enterprise.Length());
        for (int i = 0; i < 4; ++i)
            m.agentAddress[i] = uint8_t(address[uint32_t(i)]);
        return ReadBindings(pdu, 5, bindings);
    }
    const bool bulk = m.pduType == kSnmpGetBulkRequest;
    if ((rc = pdu.ReadInteger(0, m.requestId)) != kResultOk ||
        (rc = pdu.ReadInteger(1, bulk ? m.nonRepeaters : m.errorStatus)) != kResultOk ||
        (rc = pdu.ReadInteger(2, bulk ? m.maxRepetitions : m.errorIndex)) != kResultOk)
        return rc;
    return ReadBindings(pdu, 3, bindings);
}

int ReadGlobalData(const BerCodec& whole, SnmpMessage& m)
{
    BerCodec global;
    NetString flags;
    int rc = ReadConstructed(whole, 1, kSequence, global);
    if (rc == kResultOk)
        rc = global.ReadInteger(0, m.msgId);
    if (rc == kResultOk)
        rc = global.ReadInteger(1, m.msgMaxSize);
    if (rc == kResultOk)
        rc = global.ReadOctetString(2, flags);
    if (rc == kResultOk)
        rc = global.ReadInteger(3, m.securityModel);
    if (rc != kResultOk)
        return rc;
    if (flags.Length() != 1)
        return kBerMalformed;
    m.msgFlags = uint8_t(flags[0]);
    return m.securityModel == kSnmpUserSecurityModel ? kResultOk : kSnmpBadSecurityModel;
}

// The security parameters: an OCTET STRING holding a SEQUENCE. *authAt is
// the offset of the authentication parameters within whole's buffer.
int ReadSecurityParameters(const BerCodec& whole, SnmpMessage& m, uint32_t* authAt)
{
    uint32_t stringAt = 0, sequenceAt = 0, fieldAt = 0, length = 0;
    BerCodec params;
    int rc = whole.Locate(2, stringAt, length);
    if (rc == kResultOk)
        rc = whole.ReadOctetString(2, params.Buffer());
    unsigned char tag = 0;
    if (rc == kResultOk)
        rc = params.Locate(0, sequenceAt, length, &tag);
    if (rc == kResultOk && tag != kSequence)
        rc = kBerMalformed;
    if (rc == kResultOk)
        rc = params.UnwrapSequence();
    if (rc != kResultOk || (rc = ReadText(params, 0, m.engineId)) != kResultOk ||
        (rc = params.ReadUnsigned(1, m.engineBoots)) != kResultOk ||
        (rc = params.ReadUnsigned(2, m.engineTime)) != kResultOk || (rc = ReadText(params, 3, m.user)) != kResultOk ||
        (rc = ReadText(params, 4, m.authParams)) != kResultOk ||
        (rc = params.Locate(4, fieldAt, length)) != kResultOk || (rc = ReadText(params, 5, m.privParams)) != kResultOk)
        return rc;
    *authAt = m.authParams.empty() ? 0 : stringAt + sequenceAt + fieldAt;
    return kResultOk;
}

} // namespace

int BuildSnmpPdu(const SnmpMessage& m, const SnmpBindings& bindings, BerCodec& pdu)
{
    BerCodec list;
    int rc = AppendBindings(bindings, list);
    pdu.Buffer().Clear();
    if (rc != kResultOk)
        return rc;
    if (m.pduType == kSnmpTrapV1) {
        if ((rc = pdu.AppendOid(m.enterprise.c_str(), kOidTag)) != kResultOk ||
            (rc = pdu.AppendOctetString(m.agentAddress, 4, kIpAddressTag)) != kResultOk ||
            (rc = pdu.AppendInteger(m.genericTrap, kIntegerTag)) != kResultOk ||
            (rc = pdu.AppendInteger(m.specificTrap, kIntegerTag)) != kResultOk ||
            // TimeTicks are unsigned: the minimal form of the non-negative value.
            (rc = pdu.AppendInteger64(0, m.timeStamp, kTimeTicksTag)) != kResultOk)
            return rc;
    } else {
        const bool bulk = m.pduType == kSnmpGetBulkRequest;
        if ((rc = pdu.AppendInteger(m.requestId, kIntegerTag)) != kResultOk ||
            (rc = pdu.AppendInteger(bulk ? m.nonRepeaters : m.errorStatus, kIntegerTag)) != kResultOk ||
            (rc = pdu.AppendInteger(bulk ? m.maxRepetitions : m.errorIndex, kIntegerTag)) != kResultOk)
            return rc;
    }
    if ((rc = AppendCodec(pdu, list)) != kResultOk)
        return rc;
    return pdu.WrapSequence(m.pduType);
}

int BuildSnmpMessage(const SnmpMessage& m, const BerCodec& pdu, BerCodec& out, uint32_t* authOffset)
{
    out.Buffer().Clear();
    if (authOffset)
        *authOffset = 0;
    int rc = out.AppendInteger(m.version, kIntegerTag);
    if (rc != kResultOk)
        return rc;
    if (m.version != kSnmpWireV3) {
        if ((rc = AppendText(out, m.community)) != kResultOk || (rc = AppendCodec(out, pdu)) != kResultOk)
            return rc;
        return out.WrapSequence(kSequence);
    }
    BerCodec global, security, scoped;
    if ((rc = global.AppendInteger(m.msgId, kIntegerTag)) != kResultOk ||
        (rc = global.AppendInteger(m.msgMaxSize, kIntegerTag)) != kResultOk ||
        (rc = global.AppendOctetString(&m.msgFlags, 1, kOctetStringTag)) != kResultOk ||
        (rc = global.AppendInteger(m.securityModel, kIntegerTag)) != kResultOk ||
        (rc = global.WrapSequence(kSequence)) != kResultOk)
        return rc;
    // The boots and time go out in the four-byte form, as they always have.
    if ((rc = AppendText(security, m.engineId)) != kResultOk ||
        (rc = security.AppendUnsigned(m.engineBoots, kIntegerTag)) != kResultOk ||
        (rc = security.AppendUnsigned(m.engineTime, kIntegerTag)) != kResultOk ||
        (rc = AppendText(security, m.user)) != kResultOk || (rc = AppendText(security, m.authParams)) != kResultOk)
        return rc;
    // Each wrapping below moves the field by the header put in front of it.
    uint32_t authAt = security.Buffer().Length() - uint32_t(m.authParams.size());
    uint32_t before = 0;
    if ((rc = AppendText(security, m.privParams)) != kResultOk)
        return rc;
    before = security.Buffer().Length();
    if ((rc = security.WrapSequence(kSequence)) != kResultOk)
        return rc;
    authAt += security.Buffer().Length() - before;
    if ((rc = AppendText(scoped, m.contextEngineId)) != kResultOk ||
        (rc = AppendText(scoped, m.contextName)) != kResultOk || (rc = AppendCodec(scoped, pdu)) != kResultOk ||
        (rc = scoped.WrapSequence(kSequence)) != kResultOk)
        return rc;
    if ((rc = AppendCodec(out, global)) != kResultOk ||
        (rc = out.AppendOctetString(security.Buffer().Data(), int(security.Buffer().Length()), kOctetStringTag)) !=
            kResultOk)
        return rc;
    authAt += out.Buffer().Length() - security.Buffer().Length();
    if ((rc = AppendCodec(out, scoped)) != kResultOk)
        return rc;
    before = out.Buffer().Length();
    if ((rc = out.WrapSequence(kSequence)) != kResultOk)
        return rc;
    authAt += out.Buffer().Length() - before;
    if (authOffset && !m.authParams.empty())
        *authOffset = authAt;
    return kResultOk;
}

int ParseSnmpMessage(const char* data, uint32_t length, SnmpMessage& m, SnmpBindings& bindings, uint32_t* authOffset)
{
    m = SnmpMessage();
    bindings.Clear();
    if (authOffset)
        *authOffset = 0;
    BerCodec whole;
    uint32_t outerAt = 0, outerLength = 0;
    unsigned char tag = 0;
    int rc = whole.Buffer().Assign(length, data);
    if (rc == kResultOk)
        rc = whole.Locate(0, outerAt, outerLength, &tag);
    if (rc == kResultOk && tag != kSequence)
        rc = kBerMalformed;
    if (rc == kResultOk)
        rc = whole.UnwrapSequence();
    if (rc == kResultOk)
        rc = whole.ReadInteger(0, m.version);
    if (rc != kResultOk)
        return rc;
    if (m.version == kSnmpWireV1 || m.version == kSnmpWireV2c) {
        if ((rc = ReadText(whole, 1, m.community)) != kResultOk)
            return rc;
        return ReadPdu(whole, 2, m, bindings);
    }
    if (m.version != kSnmpWireV3)
        return kSnmpBadVersion;
    uint32_t authAt = 0;
    BerCodec scoped;
    if ((rc = ReadGlobalData(whole, m)) != kResultOk || (rc = ReadSecurityParameters(whole, m, &authAt)) != kResultOk)
        return rc;
    // An encrypted scoped PDU is an OCTET STRING: privacy is not supported.
    if ((rc = ReadConstructed(whole, 3, kSequence, scoped)) != kResultOk ||
        (rc = ReadText(scoped, 0, m.contextEngineId)) != kResultOk ||
        (rc = ReadText(scoped, 1, m.contextName)) != kResultOk || (rc = ReadPdu(scoped, 2, m, bindings)) != kResultOk)
        return rc;
    if (authOffset && authAt != 0)
        *authOffset = outerAt + authAt;
    return kResultOk;
}

const char* SnmpErrorStatusName(int status)
{
    static const char* const kNames[] = {"noError",
                                         "tooBig",
                                         "noSuchName",
                                         "badValue",
                                         "readOnly",
                                         "genError",
                                         "noAccess",
                                         "wrongType",
                                         "wrongLength",
                                         "wrongEncoding",
                                         "wrongValue",
                                         "noCreation",
                                         "inconsistentValue",
                                         "resourceUnavailable",
                                         "commitFailed",
                                         "undoFailed",
                                         "authorizationError",
                                         "notWritable",
                                         "inconsistentName"};
    if (status < 0 || status >= int(sizeof kNames / sizeof kNames[0]))
        return "<unknown error>";
    return kNames[status];
}
