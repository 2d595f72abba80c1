#pragma once
// Result codes with a fixed meaning across the component library, and the
// table of socket and resolver texts.

constexpr int kResultOk = 0;
constexpr int kUnknownSetting = -1; // unknown Config key, or a property that cannot be set
constexpr int kOutOfMemory = 200;
constexpr int kIndexOutOfRange = 280;
constexpr int kInterrupted = 301;
constexpr int kBadIndex = 432; // string and list positions

// The table text for a Windows Sockets or resolver error, or null.
const char* SocketErrorText(int code);

// Walks the table in order; for tests and for callers that list all codes.
struct SocketErrorEntry {
    int code;
    const char* text;
};
const SocketErrorEntry* SocketErrorTable();
