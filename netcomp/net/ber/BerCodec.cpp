// BER (X.690) with definite lengths. Encoders write the short length form
// below 128 and the long form with one or two length bytes above, so no
// element grows past 65535 content bytes; decoders accept one to four length
// bytes and refuse the indefinite form and high tag numbers. Every length is
// checked against the bytes actually there before anything is read.
#include "netcomp/net/ber/BerCodec.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

// Largest count of numbers in an object identifier, on either side.
constexpr unsigned kMaxOidNumbers = 256;
constexpr uint32_t kMaxOidContent = 128;

// Writes the length in the shortest form; gives the bytes used (1 to 3).
unsigned WriteLength(uint32_t length, unsigned char* out)
{
    if (length < 0x80) {
        out[0] = static_cast<unsigned char>(length);
        return 1;
    }
    if (length < 0x100) {
        out[0] = 0x81;
        out[1] = static_cast<unsigned char>(length);
        return 2;
    }
    out[0] = 0x82;
    out[1] = static_cast<unsigned char>(length >> 8);
    out[2] = static_cast<unsigned char>(length);
    return 3;
}

// Base 128, high group first, all groups but the last marked with 0x80.
unsigned WriteBase128(uint32_t value, unsigned char* out)
{
    unsigned char groups[5];
    unsigned n = 0;
    do {
        groups[n++] = static_cast<unsigned char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    for (unsigned i = 0; i < n; ++i)
        out[i] = static_cast<unsigned char>(groups[n - 1 - i] | (i + 1 < n ? 0x80 : 0));
    return n;
}

bool Overlaps(const NetStringBase& s, const void* p)
{
    const auto at = reinterpret_cast<uintptr_t>(p);
    const auto begin = reinterpret_cast<uintptr_t>(s.Data());
    return at >= begin && at <= begin + s.Length();
}

} // namespace

uint32_t BerCodec::ElementSize(const unsigned char* p, uint32_t available)
{
    if (!p || available < 2)
        return 0;
    if ((p[0] & 0x1F) == 0x1F)
        return 0; // high tag numbers are not part of what the codec reads
    uint64_t header = 2;
    uint64_t length = p[1];
    if (p[1] & 0x80) {
        const unsigned count = p[1] & 0x7F;
        if (count == 0 || count > 4 || count + 2u > available)
            return 0;
        length = 0;
        for (unsigned i = 0; i < count; ++i)
            length = (length << 8) | p[2 + i];
        header += count;
    }
    // Four length bytes give up to 2^32 - 1: the sum needs 64 bits.
    const uint64_t total = header + length;
    return total > available ? 0 : uint32_t(total);
}

uint32_t BerCodec::ReadElement(const unsigned char* p, uint32_t available, BerElement& element)
{
    const uint32_t size = ElementSize(p, available);
    if (size == 0)
        return 0;
    const uint32_t header = (p[1] & 0x80) ? 2 + (p[1] & 0x7F) : 2;
    element.tag = p[0];
    element.content = p + header;
    element.length = size - header;
    return size;
}

int BerCodec::DecodeInteger(const BerElement& element, int32_t& value)
{
    if (element.length > 4)
        return kBerMalformed;
    uint32_t v = element.length > 0 && (element.content[0] & 0x80) ? ~uint32_t(0) : 0;
    for (uint32_t i = 0; i < element.length; ++i)
        v = (v << 8) | element.content[i];
    value = int32_t(v);
    return kResultOk;
}

int BerCodec::AppendElement(unsigned char tag, const unsigned char* content, uint32_t length)
{
    if (length > kMaxContent)
        return kBerCannotEncode;
    NetString copy; // content inside our own buffer moves when the buffer grows
    if (length > 0 && Overlaps(m_buffer, content)) {
        const int rc = copy.Assign(length, reinterpret_cast<const char*>(content));
        if (rc != kResultOk)
            return rc;
        content = reinterpret_cast<const unsigned char*>(copy.Data());
    }
    unsigned char header[4];
    header[0] = tag;
    const unsigned headerLength = 1 + WriteLength(length, header + 1);
    const uint32_t start = m_buffer.Length();
    if (uint64_t(start) + headerLength + length > NetStringBase::kMaxLength)
        return kOutOfMemory;
    const int rc = m_buffer.Assign(start + headerLength + length, nullptr);
    if (rc != kResultOk)
        return rc;
    char* out = m_buffer.Data() + start;
    std::memcpy(out, header, headerLength);
    if (length > 0)
        std::memcpy(out + headerLength, content, length);
    return kResultOk;
}

int BerCodec::AppendOctetString(const void* data, int length, unsigned char tag)
{
    if (length == -1)
        length = data ? int(std::strlen(static_cast<const char*>(data))) : 0;
    if (length < 0 || (length > 0 && !data))
        return kBerCannotEncode;
    return AppendElement(tag, static_cast<const unsigned char*>(data), uint32_t(length));
}

int BerCodec::AppendInteger(int32_t value, unsigned char tag)
{
    uint32_t v = uint32_t(value);
    unsigned bytes = 4;
    // Drop the top byte while the top nine bits are one sign run.
    while (bytes > 1 && ((v >> 23) == 0 || (v >> 23) == 0x1FF)) {
        v <<= 8;
        --bytes;
    }
    unsigned char content[4];
    for (unsigned i = 0; i < bytes; ++i)
        content[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
    return AppendElement(tag, content, bytes);
}

int BerCodec::AppendUnsigned(uint32_t value, unsigned char tag)
{
    unsigned char content[5] = {0};
    const unsigned lead = (value & 0x80000000u) ? 1 : 0;
    for (unsigned i = 0; i < 4; ++i)
        content[lead + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
    return AppendElement(tag, content, 4 + lead);
}

int BerCodec::AppendInteger64(uint32_t high, uint32_t low, unsigned char tag)
{
    const uint64_t value = uint64_t(high) << 32 | low;
    unsigned char content[9];
    content[0] = 0;
    for (unsigned i = 0; i < 8; ++i)
        content[1 + i] = static_cast<unsigned char>(value >> (56 - 8 * i));
    // The value is unsigned: keep a leading zero only where the next byte's
    // top bit would read as a sign.
    unsigned start = 0;
    while (start < 8 && content[start] == 0 && !(content[start + 1] & 0x80))
        ++start;
    return AppendElement(tag, content + start, 9 - start);
}

int BerCodec::AppendNull(unsigned char tag)
{
    return AppendElement(tag, nullptr, 0);
}

int BerCodec::AppendOid(const char* text, unsigned char tag)
{
    uint32_t numbers[kMaxOidNumbers + 1];
    unsigned count = 0;
    uint64_t current = 0;
    for (const char* p = text ? text : "";; ++p) {
        if (*p >= '0' && *p <= '9') {
            current = current * 10 + unsigned(*p - '0');
            if (current > 0xFFFFFFFFu)
                return kBerCannotEncode;
            continue;
        }
        // Any other character, and the end, closes the number being read.
        if (count == kMaxOidNumbers + 1)
            return kBerCannotEncode;
        numbers[count++] = uint32_t(current);
        current = 0;
        if (*p == '\0')
            break;
    }
    unsigned char content[kMaxOidContent + 5];
    uint32_t length = 0;
    if (count < 2) {
        content[length++] = 0;
    } else {
        // X.690: roots 0 and 1 have at most 39 arcs below them; under root 2
        // the combined first sub-identifier may take several bytes.
        if (numbers[0] > 2 || (numbers[0] < 2 && numbers[1] >= 40) || numbers[1] > 0xFFFFFFFFu - 80)
            return kBerCannotEncode;
        length += WriteBase128(numbers[0] * 40 + numbers[1], content);
    }
    for (unsigned i = 2; i < count; ++i) {
        length += WriteBase128(numbers[i], content + length);
        if (length > kMaxOidContent)
            return kBerCannotEncode;
    }
    return AppendElement(tag, content, length);
}

int BerCodec::WrapSequence(unsigned char tag)
{
    const uint32_t n = m_buffer.Length();
    if (n > kMaxContent)
        return kBerCannotEncode;
    const uint32_t header = n < 0x80 ? 2 : 4;
    const int rc = m_buffer.Assign(n + header, nullptr);
    if (rc != kResultOk)
        return rc;
    auto* d = reinterpret_cast<unsigned char*>(m_buffer.Data());
    std::memmove(d + header, d, n);
    d[0] = tag;
    if (header == 2) {
        d[1] = static_cast<unsigned char>(n);
    } else {
        d[1] = 0x82;
        d[2] = static_cast<unsigned char>(n >> 8);
        d[3] = static_cast<unsigned char>(n);
    }
    return kResultOk;
}

int BerCodec::UnwrapSequence(unsigned char* tag)
{
    BerElement element;
    const auto* start = reinterpret_cast<const unsigned char*>(m_buffer.Data());
    if (ElementSize(start, m_buffer.Length()) == 0)
        return kBerMalformed;
    const int rc = Find(0, element);
    if (rc != kResultOk)
        return kBerMalformed;
    const auto offset = uint32_t(element.content - start);
    const int cut =
        element.length == 0 ? m_buffer.Assign(0, nullptr) : m_buffer.KeepRange(offset, offset + element.length);
    if (cut != kResultOk)
        return cut;
    if (tag)
        *tag = element.tag;
    return kResultOk;
}

int BerCodec::Find(int index, BerElement& element) const
{
    if (index < 0)
        return kBerNoSuchElement;
    const auto* p = reinterpret_cast<const unsigned char*>(m_buffer.Data());
    uint32_t available = m_buffer.Length();
    for (int i = 0; i < index; ++i) {
        if (available == 0)
            return kBerNoSuchElement; // the buffer ends before the element
        const uint32_t size = ElementSize(p, available);
        if (size == 0)
            return kBerMalformed;
        p += size;
        available -= size;
    }
    return ReadElement(p, available, element) == 0 ? kBerNoSuchElement : kResultOk;
}

int BerCodec::ReadSigned(int index, unsigned maxBytes, uint64_t& value, unsigned char* tag) const
{
    BerElement element;
    const int rc = Find(index, element);
    if (rc != kResultOk)
        return rc;
    if (element.length > maxBytes)
        return kBerMalformed;
    // The widest forms exist only to carry an unsigned value with its top bit set.
    if (maxBytes > 4 && element.length == maxBytes && element.content[0] != 0)
        return kBerMalformed;
    uint64_t v = element.length > 0 && (element.content[0] & 0x80) ? ~uint64_t(0) : 0;
    for (uint32_t i = 0; i < element.length; ++i)
        v = (v << 8) | element.content[i];
    value = v;
    if (tag)
        *tag = element.tag;
    return kResultOk;
}

int BerCodec::ReadInteger(int index, int32_t& value, unsigned char* tag) const
{
    uint64_t v = 0;
    const int rc = ReadSigned(index, 4, v, tag);
    if (rc == kResultOk)
        value = int32_t(uint32_t(v));
    return rc;
}

int BerCodec::ReadUnsigned(int index, uint32_t& value, unsigned char* tag) const
{
    uint64_t v = 0;
    const int rc = ReadSigned(index, 5, v, tag);
    if (rc == kResultOk)
        value = uint32_t(v);
    return rc;
}

int BerCodec::ReadInteger64(int index, uint64_t& value, unsigned char* tag) const
{
    return ReadSigned(index, 9, value, tag);
}

int BerCodec::ReadOid(int index, NetStringBase& text, unsigned char* tag) const
{
    BerElement element;
    int rc = Find(index, element);
    if (rc != kResultOk)
        return rc;
    uint32_t numbers[kMaxOidNumbers];
    unsigned count = 0;
    uint64_t current = 0;
    bool open = false;
    for (uint32_t i = 0; i < element.length; ++i) {
        const unsigned char b = element.content[i];
        current = (current << 7) | (b & 0x7F);
        if (current > 0xFFFFFFFFu)
            return kBerMalformed; // wider than the 32 bits the text form holds
        open = (b & 0x80) != 0;
        if (open)
            continue;
        if (count == 0) {
            // X.690: the first sub-identifier carries two numbers, root 2 takes all from 80 up.
            if (current >= 80) {
                numbers[count++] = 2;
                numbers[count++] = uint32_t(current - 80);
            } else {
                numbers[count++] = uint32_t(current / 40);
                numbers[count++] = uint32_t(current % 40);
            }
        } else {
            if (count == kMaxOidNumbers)
                return kBerMalformed;
            numbers[count++] = uint32_t(current);
        }
        current = 0;
    }
    if (open)
        return kBerMalformed; // the last sub-identifier has no final byte
    if (count == 0) {
        numbers[count++] = 0;
        numbers[count++] = 0;
    }
    char out[kMaxOidNumbers * 11];
    uint32_t length = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (i > 0)
            out[length++] = '.';
        char digits[10];
        unsigned n = 0;
        uint32_t v = numbers[i];
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v != 0);
        while (n > 0)
            out[length++] = digits[--n];
    }
    rc = text.Assign(length, out);
    if (rc == kResultOk && tag)
        *tag = element.tag;
    return rc;
}

int BerCodec::ReadOctetString(int index, NetStringBase& bytes, unsigned char* tag) const
{
    BerElement element;
    int rc = Find(index, element);
    if (rc != kResultOk)
        return rc;
    if (&bytes == &m_buffer) {
        NetString copy;
        rc = copy.Assign(element.length, reinterpret_cast<const char*>(element.content));
        if (rc == kResultOk)
            rc = bytes.Assign(copy.Length(), copy.Data());
    } else {
        rc = bytes.Assign(element.length, reinterpret_cast<const char*>(element.content));
    }
    if (rc == kResultOk && tag)
        *tag = element.tag;
    return rc;
}

int BerCodec::Locate(int index, uint32_t& offset, uint32_t& length, unsigned char* tag) const
{
    BerElement element;
    const int rc = Find(index, element);
    if (rc != kResultOk)
        return rc;
    offset = uint32_t(element.content - reinterpret_cast<const unsigned char*>(m_buffer.Data()));
    length = element.length;
    if (tag)
        *tag = element.tag;
    return kResultOk;
}
