#pragma once
// The Basic Encoding Rules subset that SNMP and LDAP messages are made of:
// integers, octet strings, empty elements, object identifiers and
// constructed elements with single-byte tags.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

constexpr int kBerCannotEncode = 445;
constexpr int kBerMalformed = 446;
constexpr int kBerNoSuchElement = 447;

// One element as it lies in a buffer: its tag and where its content is.
struct BerElement {
    unsigned char tag = 0;
    const unsigned char* content = nullptr;
    uint32_t length = 0;
};

class BerCodec {
public:
    // Longest element content the codec writes (two length bytes).
    static constexpr uint32_t kMaxContent = 0xFFFF;

    NetString& Buffer() { return m_buffer; }
    const NetString& Buffer() const { return m_buffer; }

    // Encoders append one element to the buffer; length -1 takes a zero-terminated text.
    [[nodiscard]] int AppendOctetString(const void* data, int length, unsigned char tag);
    [[nodiscard]] int AppendInteger(int32_t value, unsigned char tag);
    [[nodiscard]] int AppendUnsigned(uint32_t value, unsigned char tag);
    [[nodiscard]] int AppendInteger64(uint32_t high, uint32_t low, unsigned char tag);
    [[nodiscard]] int AppendNull(unsigned char tag);
    [[nodiscard]] int AppendOid(const char* text, unsigned char tag);

    // Puts a header with tag in front of the whole buffer.
    [[nodiscard]] int WrapSequence(unsigned char tag);
    // Replaces the buffer by the content of its first element.
    [[nodiscard]] int UnwrapSequence(unsigned char* tag = nullptr);

    // Tag, length bytes and content of the element at p; 0 when it is
    // incomplete within available bytes or its header is malformed.
    static uint32_t ElementSize(const unsigned char* p, uint32_t available);
    // The same, and where the element's parts lie, for readers that walk a
    // message in place; 0 leaves element as it was.
    static uint32_t ReadElement(const unsigned char* p, uint32_t available, BerElement& element);
    // The content of an integer (or enumerated) element as a 32-bit signed
    // value; 446 when it is longer than 4 bytes.
    [[nodiscard]] static int DecodeInteger(const BerElement& element, int32_t& value);

    // Decoders of the element with the given index, counted from the start.
    [[nodiscard]] int ReadInteger(int index, int32_t& value, unsigned char* tag = nullptr) const;
    [[nodiscard]] int ReadUnsigned(int index, uint32_t& value, unsigned char* tag = nullptr) const;
    [[nodiscard]] int ReadInteger64(int index, uint64_t& value, unsigned char* tag = nullptr) const;
    [[nodiscard]] int ReadOid(int index, NetStringBase& text, unsigned char* tag = nullptr) const;
    [[nodiscard]] int ReadOctetString(int index, NetStringBase& bytes, unsigned char* tag = nullptr) const;
    // Where the content of the element with the given index lies in the
    // buffer, for callers that must find a field again in the bytes as they
    // stand (a signature computed over the whole message).
    [[nodiscard]] int Locate(int index, uint32_t& offset, uint32_t& length, unsigned char* tag = nullptr) const;

private:
    [[nodiscard]] int Find(int index, BerElement& element) const;
    [[nodiscard]] int ReadSigned(int index, unsigned maxBytes, uint64_t& value, unsigned char* tag) const;
    [[nodiscard]] int AppendElement(unsigned char tag, const unsigned char* content, uint32_t length);

    NetString m_buffer;
};
