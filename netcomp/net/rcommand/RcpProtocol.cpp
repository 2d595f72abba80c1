#include "netcomp/net/rcommand/RcpProtocol.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int BuildRCommandRequest(int errorPort, const char* user1, const char* user2, const char* command, NetStringBase& out)
{
    char port[16];
    std::snprintf(port, sizeof port, "%d", errorPort);
    out.Clear();
    for (const char* field : {static_cast<const char*>(port), user1, user2, command}) {
        const char* text = field ? field : "";
        if (out.AppendCStr(text) != kResultOk || out.AppendChar('\0') != kResultOk)
            return kOutOfMemory;
    }
    return kResultOk;
}

bool ParseRcpFileLine(const char* line, uint32_t n, RcpFileLine& out)
{
    if (n < 2 || line[0] != 'C')
        return false;
    const char* end = line + n;
    const char* p = line + 1;
    out.mode = p;
    while (p < end && *p != ' ')
        ++p;
    out.modeLength = uint32_t(p - out.mode);
    if (p >= end || out.modeLength == 0)
        return false;
    ++p;
    if (p >= end || !IsDigit(*p))
        return false;
    int64_t size = 0;
    while (p < end && IsDigit(*p)) {
        const int digit = *p - '0';
        if (size > (INT64_MAX - digit) / 10)
            return false;
        size = size * 10 + digit;
        ++p;
    }
    if (p >= end || *p != ' ')
        return false;
    ++p;
    out.size = size;
    out.name = p;
    out.nameLength = uint32_t(end - p);
    return out.nameLength > 0;
}

int FormatRcpFileLine(const char* mode, int64_t size, const char* name, NetStringBase& out)
{
    char number[24];
    std::snprintf(number, sizeof number, " %lld ", static_cast<long long>(size));
    out.Clear();
    if (out.AppendChar('C') != kResultOk || out.AppendCStr(mode ? mode : "") != kResultOk ||
        out.AppendCStr(number) != kResultOk || out.AppendCStr(name ? name : "") != kResultOk ||
        out.AppendChar('\n') != kResultOk)
        return kOutOfMemory;
    return kResultOk;
}

int AppendShellWord(const char* word, NetStringBase& out)
{
    const char* w = word ? word : "";
    bool plain = *w != '\0';
    for (const char* p = w; *p && plain; ++p) {
        const char c = *p;
        plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || std::strchr("-_./,:@%+=", c);
    }
    if (plain)
        return out.AppendCStr(w);
    if (out.AppendChar('\'') != kResultOk)
        return kOutOfMemory;
    for (const char* p = w; *p; ++p) {
        const int rc = *p == '\'' ? out.AppendCStr("'\\''") : out.AppendChar(*p);
        if (rc != kResultOk)
            return kOutOfMemory;
    }
    return out.AppendChar('\'');
}

const char* PathBaseName(const char* path)
{
    if (!path)
        return "";
    const char* base = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\')
            base = p + 1;
    }
    return base;
}

void RcpReader::ExpectAck()
{
    m_state = State::Status;
}

void RcpReader::ExpectLine()
{
    m_state = State::Line;
    m_line.Clear();
    m_overflow = false;
}

void RcpReader::ExpectData(int64_t size)
{
    m_dataLeft = size;
    m_state = size > 0 ? State::Data : State::Status;
}

RcpReader::Event RcpReader::TakeLine(const char*& data, uint32_t& n, Event complete)
{
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', n));
    const uint32_t take = lf ? uint32_t(lf - data) : n;
    if (!m_overflow) {
        if (uint64_t(m_line.Length()) + take > kMaxLine)
            m_overflow = true;
        else if (m_line.Append(data, take) != kResultOk)
            m_overflow = true;
    }
    data += take;
    n -= take;
    if (!lf)
        return Event::NeedMore;
    ++data;
    --n;
    m_state = State::Idle;
    return m_overflow ? Event::TooLong : complete;
}

RcpReader::Event RcpReader::Next(const char*& data, uint32_t& n)
{
    m_block = nullptr;
    m_blockLength = 0;
    if (n == 0)
        return Event::NeedMore;
    switch (m_state) {
    case State::Idle:
        return Event::Unexpected;
    case State::Status: {
        const char status = *data;
        if (status == 0) {
            ++data;
            --n;
            m_state = State::Idle;
            return Event::Ack;
        }
        // Any other first byte opens a message; 1 and 2 are not part of it.
        m_fatal = status != 1;
        if (status == 1 || status == 2) {
            ++data;
            --n;
        }
        m_state = State::Message;
        m_line.Clear();
        m_overflow = false;
        return n == 0 ? Event::NeedMore : TakeLine(data, n, Event::Refused);
    }
    case State::Message:
        return TakeLine(data, n, Event::Refused);
    case State::Line:
        if (m_line.IsEmpty() && !m_overflow && (*data == 1 || *data == 2)) {
            m_fatal = *data == 2;
            ++data;
            --n;
            m_state = State::Message;
            return n == 0 ? Event::NeedMore : TakeLine(data, n, Event::Refused);
        }
        return TakeLine(data, n, Event::Line);
    case State::Data: {
        const uint32_t take = m_dataLeft < int64_t(n) ? uint32_t(m_dataLeft) : n;
        m_block = data;
        m_blockLength = take;
        data += take;
        n -= take;
        m_dataLeft -= take;
        if (m_dataLeft == 0)
            m_state = State::Status;
        return Event::Data;
    }
    }
    return Event::Unexpected;
}
