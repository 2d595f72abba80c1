#pragma once
// The receiving side of the Telnet protocol (RFC 854, 855): the byte stream
// from the server separated into data, commands, option negotiation and
// sub-negotiations, whatever way it is cut into blocks.
#include <cstdint>

constexpr unsigned char kTelnetIac = 255;
constexpr unsigned char kTelnetDont = 254;
constexpr unsigned char kTelnetDo = 253;
constexpr unsigned char kTelnetWont = 252;
constexpr unsigned char kTelnetWill = 251;
constexpr unsigned char kTelnetSb = 250;
constexpr unsigned char kTelnetSe = 240;

// What the parser finds, in the order it comes.
class TelnetSink {
public:
    // A run of data bytes (an IAC IAC is one 255 of its own).
    virtual void OnTelnetData(const char* data, uint32_t n) = 0;
    // IAC and a command byte other than an option verb (NOP, Data Mark, Break ... and a stray SE).
    virtual void OnTelnetCommand(unsigned char command) = 0;
    // IAC WILL, WONT, DO or DONT and the option.
    virtual void OnTelnetOption(unsigned char verb, unsigned char option) = 0;
    // A whole sub-negotiation: the option byte, then its data with IAC IAC
    // read as one 255, without the closing IAC SE.
    virtual void OnTelnetSubOption(const char* data, uint32_t n) = 0;
    // Once for a sub-negotiation longer than the buffer: its last bytes
    // overwrite the buffer's last place.
    virtual void OnTelnetSubOptionTruncated() = 0;

protected:
    ~TelnetSink() = default;
};

class TelnetParser {
public:
    // The option byte and 1023 bytes of data.
    static constexpr uint32_t kSubOptionSize = 1024;

    void Reset() { m_state = State::Data; }
    void Feed(const char* data, uint32_t n, TelnetSink& sink);

private:
    enum class State {
        Data,    // plain data
        Command, // after IAC
        Option,  // after IAC and a verb (or SB)
        Sub,     // inside a sub-negotiation
        SubIac,  // after IAC inside a sub-negotiation
    };

    void AfterIac(unsigned char b, TelnetSink& sink);
    void Store(unsigned char b, TelnetSink& sink);

    State m_state = State::Data;
    unsigned char m_verb = 0;
    char m_sub[kSubOptionSize] = {};
    uint32_t m_subLength = 0;
    bool m_truncated = false;
};
