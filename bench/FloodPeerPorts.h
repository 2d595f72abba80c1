#pragma once
// The flood peer's ports (netcomp/net/tests/flood_peer.c says what each
// sends) on the base port the socket benchmarks start it on, and the ports
// of the benchmarks' own servers that its clients come to.
namespace floodpeer {

constexpr int kBase = 20921;
constexpr int kPlainFlood = kBase + 0;
constexpr int kOversizedFlood = kBase + 4;
constexpr int kStream = kBase + 5;
constexpr int kEndlessHttp = kBase + 6;
constexpr int kCrowd = kBase + 7;
constexpr int kPattern = kBase + 8;
constexpr int kAnswers = kBase + 9;
constexpr int kFloodedServer = kBase + 19;
constexpr int kCrowdServer = kBase + 20;

} // namespace floodpeer
