#pragma once
// Result codes with a fixed meaning across the component library, and the
// table of socket and resolver texts.

constexpr int kResultOk = 0;
constexpr int kUnknownSetting = -1; // unknown Config key, or a property that cannot be set
constexpr int kOutOfMemory = 200;
constexpr int kIndexOutOfRange = 280;
constexpr int kInterrupted = 301;
// The component has no notification window (it could not be created), so
// nothing that waits for a socket or a look-up can run.
constexpr int kNoNotifyWindow = 298;
constexpr int kBadIndex = 432; // string and list positions

// What the socket layers (TCP client and server sockets, UDP, ICMP) refuse,
// with one number per rule whichever component applies it; the texts name
// the component's own terms ("A connection is in progress.", "while the
// control is Active.").
constexpr int kRemotePortWhileActive = 100;
constexpr int kRemoteHostWhileActive = 101;
constexpr int kAddressInvalid = 102; // connecting to 0.0.0.0
constexpr int kAlreadyActive = 104;  // connected, active or listening already
constexpr int kLocalPortWhileActive = 106;
constexpr int kLocalHostWhileActive = 107;
constexpr int kNotActive = 109;
constexpr int kMaxSizeWhileActive = 112; // MaxLineSize, MaxPacketSize, MaxMessageSize
constexpr int kRemoteHostWhileConnected = 114;
constexpr int kRemotePortWhileConnected = 115;
constexpr int kPortZero = 116;
constexpr int kUseConnectionWhileActive = 117;

// The table text for a Windows Sockets or resolver error, or null.
const char* SocketErrorText(int code);

// Walks the table in order; for tests and for callers that list all codes.
struct SocketErrorEntry {
    int code;
    const char* text;
};
const SocketErrorEntry* SocketErrorTable();
