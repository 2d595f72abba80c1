#pragma once
// The library's byte strings: contents may hold NUL bytes, the length is kept
// apart, and a NUL always follows the last byte. Short values live inline.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

class NetStringBase {
public:
    NetStringBase(const NetStringBase&) = delete;
    NetStringBase& operator=(const NetStringBase&) = delete;

    const char* Data() const { return m_heap ? m_heap : m_inline; }
    char* Data() { return m_heap ? m_heap : m_inline; }
    const char* CStr() const { return Data(); }
    uint32_t Length() const { return m_length; }
    uint32_t Capacity() const { return m_capacity; }
    bool IsEmpty() const { return m_length == 0; }
    bool IsInline() const { return m_heap == nullptr; }
    char operator[](uint32_t i) const { return Data()[i]; }

    void Clear();
    // Empties the string but keeps its block for what comes next.
    void ClearKeepingRoom();
    // Makes room for n bytes in all, so that appends up to that length do not
    // move the contents; 0 or 200.
    [[nodiscard]] int Reserve(uint32_t n);
    [[nodiscard]] int Assign(uint32_t n, const char* data);
    [[nodiscard]] int AssignText(const char* text);
    [[nodiscard]] int Append(const char* data, uint32_t n);
    [[nodiscard]] int AppendCStr(const char* text);
    [[nodiscard]] int AppendChar(char c) { return Append(&c, 1); }
    // The bytes and a CR LF behind them.
    [[nodiscard]] int AppendWithCrLf(const char* data, uint32_t n);
    [[nodiscard]] int AppendInt(int value);
    [[nodiscard]] int AppendHexInt(unsigned value);
    [[nodiscard]] int AppendHexBytes(const void* data, uint32_t n);
    void Chop();
    void EraseFront(uint32_t n);
    [[nodiscard]] int KeepRange(uint32_t start, uint32_t end);
    int Find(const char* text, int from) const;
    int ReverseFind(const char* text, int at) const;
    char* SplitHeaderLine();
    [[nodiscard]] int AssignFolded(const char* text, uint32_t n, uint32_t width);
    [[nodiscard]] int AssignDotStuffed(const char* text);
    [[nodiscard]] int AssignDotStuffedBytes(const char* data, uint32_t n);

    // Encodings (TextEncodings.cpp, HeaderEncodings.cpp).
    [[nodiscard]] int AppendBase64(const void* data, uint32_t n, bool breakLines);
    void DecodeBase64();
    [[nodiscard]] int AppendSjisAsJis(const char* text);
    [[nodiscard]] int AppendJisAsSjis(const char* text);
    [[nodiscard]] int AppendEncodedWord(const char* text);
    [[nodiscard]] int AppendHeaderParam(const char* name, const char* value, uint32_t n, bool japanese);
    [[nodiscard]] int AssignEncodedHeader(const char* text, uint32_t width, bool japanese);
    [[nodiscard]] int AssignEncodedWords(const char* text, uint32_t width, bool japanese);
    [[nodiscard]] int AssignDecodedHeader(const char* text);
    [[nodiscard]] int AppendDecodedHeader(const char* text);

    // Longest contents a string accepts; longer requests fail like a failed allocation.
    static constexpr uint32_t kMaxLength = 0x7FFFFF00u;

protected:
    NetStringBase(char* inlineBuffer, uint32_t inlineCapacity);
    ~NetStringBase();
    void MoveFrom(NetStringBase& other);

private:
    bool Overlaps(const char* p) const;
    // A length with half as much again to spare, within kMaxLength.
    static uint32_t GrownCapacity(uint32_t length);
    // Room for `length` bytes with some to spare, as appends grow; 0 or 200.
    [[nodiscard]] int Grow(uint32_t length);
    // Grow, for an append whose source may lie in the string itself.
    [[nodiscard]] int GrowKeeping(uint32_t length, const char*& data);
    [[nodiscard]] int AppendEncodedWordBytes(const char* data, uint32_t n);

    char* m_inline;
    char* m_heap = nullptr;
    uint32_t m_length = 0;
    uint32_t m_capacity;
    uint32_t m_inlineCapacity;
};

template <uint32_t InlineSize>
class NetStringT final : public NetStringBase {
public:
    NetStringT() : NetStringBase(m_buffer, InlineSize - 1) {}
    NetStringT(const NetStringT& other) : NetStringT() { CopyFrom(other); }
    NetStringT(NetStringT&& other) noexcept : NetStringT() { MoveFrom(other); }
    explicit NetStringT(const char* text) : NetStringT() { CopyText(text); }
    NetStringT& operator=(const NetStringT& other)
    {
        if (this != &other)
            CopyFrom(other);
        return *this;
    }
    NetStringT& operator=(NetStringT&& other) noexcept
    {
        if (this != &other)
            MoveFrom(other);
        return *this;
    }

private:
    void CopyFrom(const NetStringBase& other);
    void CopyText(const char* text);
    char m_buffer[InlineSize];
};

using NetString = NetStringT<100>;
using BufferString = NetStringT<51>;
using NetString30 = NetStringT<31>;
using NetString20 = NetStringT<21>;

extern template class NetStringT<100>;
extern template class NetStringT<51>;
extern template class NetStringT<31>;
extern template class NetStringT<21>;

// Appends each text in order; the first failure stops it.
[[nodiscard]] int AppendAll(NetStringBase& out, std::initializer_list<const char*> parts);

// Helpers of the encoders.
bool IsEightBit(const char* text);
bool IsEightBitBytes(const char* data, uint32_t n);
unsigned HexPairValue(char high, char low);
