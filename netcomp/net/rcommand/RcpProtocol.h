#pragma once
// The byte-level side of the BSD remote-command protocols, apart from the
// sockets: the request that opens a command (rexec, rsh), and the remote copy
// protocol that "rcp -f" (a source) and "rcp -t" (a sink) speak over it.
//
// A copy is a dialogue of control lines, status bytes and file bytes:
//   source -> sink   "C0644 10 name\n"   a file follows (mode, size, name)
//                    "D0755 0 name\n"    a folder is entered, "E\n" left
//                    "T... \n"           times of the next file
//                    the file's bytes, then one status byte
//   either way       status 0 ok; 1 (warning) or 2 (fatal) followed by a
//                    message line
#include <cstdint>

#include "netcomp/core/text/NetString.h"

// The request: the error channel's port as decimal text ("0": none), the two
// user texts and the command, each followed by a zero byte.
[[nodiscard]] int BuildRCommandRequest(int errorPort, const char* user1, const char* user2, const char* command,
                                       NetStringBase& out);

// "C" mode blank size blank name: false for any other line, a size that is
// no decimal number of at most 63 bits, or an empty name.
struct RcpFileLine {
    const char* mode = nullptr;
    uint32_t modeLength = 0;
    int64_t size = 0;
    const char* name = nullptr;
    uint32_t nameLength = 0;
};
bool ParseRcpFileLine(const char* line, uint32_t n, RcpFileLine& out);

// "C" mode " " size " " name "\n".
[[nodiscard]] int FormatRcpFileLine(const char* mode, int64_t size, const char* name, NetStringBase& out);

// Appends a word for the remote shell that runs the command: as it stands
// when it holds only letters, digits and "-_./,:@%+=", else in single quotes
// (a quote inside written '\''), so a file name is never taken as shell code.
[[nodiscard]] int AppendShellWord(const char* word, NetStringBase& out);

// The last part of a path ("/" and "\" separate parts); the whole text when
// it has no separator.
const char* PathBaseName(const char* path);

// Reads what the other side of a copy sends, as the caller expects it next.
// Next takes bytes from the front of the input and says what they made:
//   RcpReader reader;
//   reader.ExpectLine();
//   while (n > 0) {
//       switch (reader.Next(data, n)) { case RcpReader::Event::Line: ... reader.Text() ... }
//   }
class RcpReader {
public:
    static constexpr uint32_t kMaxLine = 65536;

    enum class Event {
        NeedMore,   // all input taken, nothing complete yet
        Ack,        // a status byte 0
        Refused,    // a status 1 or 2 and its message (Text; Fatal for 2)
        Line,       // a control line without its line feed (Text)
        Data,       // file bytes (Block)
        Unexpected, // bytes while nothing is expected; none are taken
        TooLong,    // a line or message passed kMaxLine
    };

    void ExpectAck();
    void ExpectLine();
    // `size` bytes of a file, then its status byte.
    void ExpectData(int64_t size);
    bool Idle() const { return m_state == State::Idle; }

    Event Next(const char*& data, uint32_t& n);

    const char* Text() const { return m_line.CStr(); }
    uint32_t TextLength() const { return m_line.Length(); }
    bool Fatal() const { return m_fatal; }
    const char* Block() const { return m_block; }
    uint32_t BlockLength() const { return m_blockLength; }
    int64_t DataLeft() const { return m_dataLeft; }

private:
    enum class State { Idle, Status, Message, Line, Data };

    Event TakeLine(const char*& data, uint32_t& n, Event complete);

    State m_state = State::Idle;
    NetString m_line;
    bool m_fatal = false;
    bool m_overflow = false;
    int64_t m_dataLeft = 0;
    const char* m_block = nullptr;
    uint32_t m_blockLength = 0;
};
