// Values are kept as text, as the owner sees them through ObjValue: numbers in
// decimal, object identifiers and addresses dotted, the three exceptions of
// SNMPv2 (RFC 3416) as "error: ..." texts, everything else as its bytes.
#include "netcomp/net/snmp/SnmpValue.h"

#include <string>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/AddressText.h"

namespace {

// Decimal digits with an optional leading '-', nothing else; false when the
// value leaves [min, max].
bool ParseDecimal(const std::string& text, int64_t min, uint64_t max, uint64_t& magnitude, bool& negative)
{
    size_t at = 0;
    negative = !text.empty() && text[0] == '-';
    if (negative)
        ++at;
    if (at == text.size())
        return false;
    magnitude = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c < '0' || c > '9' || magnitude > (UINT64_MAX - uint64_t(c - '0')) / 10)
            return false;
        magnitude = magnitude * 10 + uint64_t(c - '0');
    }
    if (negative)
        return min < 0 && magnitude <= uint64_t(-(min + 1)) + 1;
    return magnitude <= max;
}

int AppendSigned(BerCodec& codec, const SnmpBinding& b)
{
    uint64_t magnitude = 0;
    bool negative = false;
    if (!ParseDecimal(b.value, INT32_MIN, INT32_MAX, magnitude, negative))
        return kBerCannotEncode;
    const int64_t value = negative ? -int64_t(magnitude) : int64_t(magnitude);
    return codec.AppendInteger(int32_t(value), uint8_t(b.type));
}

int AppendUnsignedText(BerCodec& codec, const SnmpBinding& b, uint64_t max)
{
    uint64_t value = 0;
    bool negative = false;
    if (!ParseDecimal(b.value, 0, max, value, negative))
        return kBerCannotEncode;
    if (max == UINT32_MAX)
        return codec.AppendUnsigned(uint32_t(value), uint8_t(b.type));
    return codec.AppendInteger64(uint32_t(value >> 32), uint32_t(value), uint8_t(b.type));
}

const char* ExceptionText(int type)
{
    switch (type) {
    case kSnmpNoSuchObject:
        return "error: noSuchObject";
    case kSnmpNoSuchInstance:
        return "error: noSuchInstance";
    case kSnmpEndOfMibView:
        return "error: endOfMibView";
    default:
        return nullptr;
    }
}

int Assign(std::string& out, const char* text)
{
    out = text;
    return kResultOk;
}

// A number that was read (rc 0) as its decimal text; taken by reference, as
// it is read only once the reading call, an argument beside it, has run.
template <class Number>
int Decimal(int rc, const Number& value, std::string& out)
{
    if (rc == kResultOk)
        out = std::to_string(value);
    return rc;
}

} // namespace

bool ParseDottedAddress(const char* text, uint8_t out[4])
{
    if (!text)
        return false;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *text++ != '.')
            return false;
        unsigned value = 0;
        int digits = 0;
        for (; *text >= '0' && *text <= '9'; ++text) {
            if (++digits > 3)
                return false;
            value = value * 10 + unsigned(*text - '0');
        }
        if (digits == 0 || value > 255)
            return false;
        out[part] = uint8_t(value);
    }
    return *text == '\0';
}

int AppendSnmpValue(BerCodec& codec, const SnmpBinding& b)
{
    // The type code is the tag: one byte, and a low tag number that a reader
    // can take back.
    if (b.type < 0 || b.type > 255 || (b.type & 0x1F) == 0x1F)
        return kBerCannotEncode;
    const uint8_t tag = uint8_t(b.type);
    switch (b.type) {
    case kSnmpInteger:
        return AppendSigned(codec, b);
    case kSnmpNull:
    case kSnmpNoSuchObject:
    case kSnmpNoSuchInstance:
    case kSnmpEndOfMibView:
        return codec.AppendNull(tag);
    case kSnmpObjectId:
        return codec.AppendOid(b.value.c_str(), tag);
    case kSnmpIpAddress: {
        uint8_t address[4];
        if (!ParseDottedAddress(b.value.c_str(), address))
            return kSnmpNotAnIpAddress;
        return codec.AppendOctetString(address, 4, tag);
    }
    case kSnmpCounter32:
    case kSnmpGauge32:
    case kSnmpTimeTicks:
    case kSnmpUnsigned32:
        return AppendUnsignedText(codec, b, UINT32_MAX);
    case kSnmpCounter64:
        return AppendUnsignedText(codec, b, UINT64_MAX);
    default:
        return codec.AppendOctetString(b.value.data(), int(b.value.size()), tag);
    }
}

int ReadSnmpValue(const BerCodec& codec, int index, SnmpBinding& b)
{
    NetString bytes;
    unsigned char tag = 0;
    int rc = codec.ReadOctetString(index, bytes, &tag);
    if (rc != kResultOk)
        return rc;
    b.type = tag;
    switch (tag) {
    case kSnmpInteger: {
        int32_t value = 0;
        return Decimal(codec.ReadInteger(index, value), value, b.value);
    }
    case kSnmpObjectId: {
        NetString oid;
        if ((rc = codec.ReadOid(index, oid)) != kResultOk)
            return rc;
        return Assign(b.value, oid.CStr());
    }
    case kSnmpIpAddress:
        // Anything but four bytes is kept as it came rather than misread.
        if (bytes.Length() == 4)
            return Assign(b.value, DottedAddress(reinterpret_cast<const uint8_t*>(bytes.Data())).c_str());
        break;
    case kSnmpCounter32:
    case kSnmpGauge32:
    case kSnmpTimeTicks:
    case kSnmpUnsigned32: {
        uint32_t value = 0;
        return Decimal(codec.ReadUnsigned(index, value), value, b.value);
    }
    case kSnmpCounter64: {
        uint64_t value = 0;
        return Decimal(codec.ReadInteger64(index, value), value, b.value);
    }
    case kSnmpNull:
        b.value.clear();
        return kResultOk;
    default:
        if (const char* exception = ExceptionText(tag))
            return Assign(b.value, exception);
        break;
    }
    b.value.assign(bytes.Data(), bytes.Length());
    return kResultOk;
}
