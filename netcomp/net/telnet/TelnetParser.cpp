// One pass over each received block, with the state carried to the next
// block, so a command or a sub-negotiation may be cut anywhere. Runs of
// plain data go to the sink where they lie, without a copy.
//
// Inside a sub-negotiation only IAC SE ends it (RFC 855): a data byte 240
// is data, and IAC IAC is one data byte 255. An IAC followed by anything
// else there is a peer's mistake: the sub-negotiation ends as if closed and
// the byte is read as a command.
#include "netcomp/net/telnet/TelnetParser.h"

void TelnetParser::Feed(const char* data, uint32_t n, TelnetSink& sink)
{
    uint32_t runStart = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        switch (m_state) {
        case State::Data:
            if (b != kTelnetIac)
                continue;
            if (i > runStart)
                sink.OnTelnetData(data + runStart, i - runStart);
            m_state = State::Command;
            break;
        case State::Command:
            AfterIac(b, sink);
            break;
        case State::Option:
            if (m_verb == kTelnetSb) {
                m_sub[0] = char(b);
                m_subLength = 1;
                m_truncated = false;
                m_state = State::Sub;
            } else {
                m_state = State::Data;
                sink.OnTelnetOption(m_verb, b);
            }
            break;
        case State::Sub:
            if (b == kTelnetIac)
                m_state = State::SubIac;
            else
                Store(b, sink);
            break;
        case State::SubIac:
            if (b == kTelnetIac) {
                Store(b, sink);
                m_state = State::Sub;
                break;
            }
            m_state = State::Data;
            sink.OnTelnetSubOption(m_sub, m_subLength);
            if (b != kTelnetSe)
                AfterIac(b, sink);
            break;
        }
        runStart = i + 1;
    }
    if (m_state == State::Data && n > runStart)
        sink.OnTelnetData(data + runStart, n - runStart);
}

void TelnetParser::AfterIac(unsigned char b, TelnetSink& sink)
{
    if (b >= kTelnetSb && b <= kTelnetDont) {
        m_verb = b;
        m_state = State::Option;
        return;
    }
    m_state = State::Data;
    if (b == kTelnetIac) {
        const char one = char(kTelnetIac);
        sink.OnTelnetData(&one, 1);
    } else {
        sink.OnTelnetCommand(b);
    }
}

void TelnetParser::Store(unsigned char b, TelnetSink& sink)
{
    if (m_subLength < kSubOptionSize) {
        m_sub[m_subLength++] = char(b);
        return;
    }
    if (!m_truncated) {
        m_truncated = true;
        sink.OnTelnetSubOptionTruncated();
    }
    m_sub[kSubOptionSize - 1] = char(b);
}
