#pragma once
// The rounds of a busy owner and its sockets, as the thread's turns count
// them (header only): while an object lives, each owner's message that a
// stop of the sockets' line let through is recorded with the time it took,
// the time the stop had lasted before it and the slice the sockets had
// after it. A stop, the owner's message and the slice make a round of
// twice the owner's time: the sockets' part (the stop and the slice) is as
// long as the owner's.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "netcomp/core/framework/SocketTurns.h"

class WatchedRounds {
public:
    struct Round {
        DWORD owner, stop, slice;
    };

    WatchedRounds()
    {
        Rounds().clear();
        SocketTurns::SetRoundWatcher(Watch);
    }
    ~WatchedRounds() { SocketTurns::SetRoundWatcher(nullptr); }
    WatchedRounds(const WatchedRounds&) = delete;
    WatchedRounds& operator=(const WatchedRounds&) = delete;

    int Count() const { return int(Rounds().size()); }
    // Rounds after an owner's message of `least` ms or more (up to the
    // longest slice, 100 ms) where the sockets' part was shorter than the
    // owner's time.
    int SocketsShort(DWORD least) const
    {
        int n = 0;
        for (const Round& r : Rounds())
            n += r.owner >= least && r.owner <= 100 && r.stop + r.slice < r.owner;
        return n;
    }
    // "<n> rounds, the owner's message <median> ms, the sockets' part
    // <median> ms".
    std::string Text() const
    {
        std::vector<DWORD> owner, sockets;
        for (const Round& r : Rounds()) {
            owner.push_back(r.owner);
            sockets.push_back(r.stop + r.slice);
        }
        return std::to_string(Count()) + " rounds, the owner's message " + Median(owner) + " ms, the sockets' part " +
               Median(sockets) + " ms (medians)";
    }

private:
    static std::string Median(std::vector<DWORD> values)
    {
        if (values.empty())
            return "-";
        std::sort(values.begin(), values.end());
        return std::to_string(values[values.size() / 2]);
    }
    static std::vector<Round>& Rounds()
    {
        static std::vector<Round> rounds;
        return rounds;
    }
    static void Watch(DWORD owner, DWORD stop, DWORD slice) { Rounds().push_back(Round{owner, stop, slice}); }
};
