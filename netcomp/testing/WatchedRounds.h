#pragma once
// The rounds of a busy owner and its sockets, as the thread's turns count
// them (header only): while an object lives, each owner's message that a
// stop of the sockets' line let through is recorded with the time it took,
// the time the stop had lasted before it and the slice the sockets had
// after it. A stop, the owner's message and the slice make a round of
// twice the owner's time: the sockets' part (the stop and the slice) is as
// long as the owner's.
//
// The slice a round gives is also checked against the time the sockets had:
// the thread's looks at its queue are watched, on the clock the turns read,
// and the first look after a round's slice began came that long after it
// (a slice cut short comes back to the owner's messages early). The clock
// and the looks are the system's own, passed on.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/SocketTurns.h"

class WatchedRounds {
public:
    struct Round {
        DWORD owner, stop, slice;
        // The turns' clock as the slice began, and how long after that the
        // thread looked at its queue again (-1: not yet).
        DWORD began;
        long lookedAfter;
    };

    WatchedRounds()
    {
        Rounds().clear();
        SocketTurns::SetRoundWatcher(Watch);
        NetComponent::SetTickSource(Tick);
        SocketTurns::SetQueueStatusSource(Look);
    }
    ~WatchedRounds()
    {
        SocketTurns::SetRoundWatcher(nullptr);
        SocketTurns::SetQueueStatusSource(nullptr);
        NetComponent::SetTickSource(nullptr);
    }
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
    // Rounds whose slice ended before its time: the thread looked at its
    // queue again sooner than the slice's length after it began.
    int SlicesCutShort() const
    {
        int n = 0;
        for (const Round& r : Rounds())
            n += r.lookedAfter >= 0 && DWORD(r.lookedAfter) < r.slice;
        return n;
    }
    // Rounds whose slice ended with a look (the others ran up to the end).
    int SlicesLookedAfter() const
    {
        return int(std::count_if(Rounds().begin(), Rounds().end(), [](const Round& r) { return r.lookedAfter >= 0; }));
    }
    // "<n> rounds, the owner's message <median> ms, the sockets' part
    // <median> ms, the slice <median> ms, the next look after <median> ms".
    std::string Text() const
    {
        std::vector<DWORD> owner, sockets, slice, looked;
        for (const Round& r : Rounds()) {
            owner.push_back(r.owner);
            sockets.push_back(r.stop + r.slice);
            slice.push_back(r.slice);
            if (r.lookedAfter >= 0)
                looked.push_back(DWORD(r.lookedAfter));
        }
        return std::to_string(Count()) + " rounds, the owner's message " + Median(owner) + " ms, the sockets' part " +
               Median(sockets) + " ms, their slice " + Median(slice) + " ms and the next look after " + Median(looked) +
               " ms (medians)";
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
    // The clock's last reading: the turns read it as a slice begins and as
    // they look.
    static DWORD& Last()
    {
        static DWORD last;
        return last;
    }
    static DWORD Tick() { return Last() = GetTickCount(); }
    static DWORD WINAPI Look(UINT flags)
    {
        if (!Rounds().empty() && Rounds().back().lookedAfter < 0)
            Rounds().back().lookedAfter = long(Last() - Rounds().back().began);
        return GetQueueStatus(flags);
    }
    static void Watch(DWORD owner, DWORD stop, DWORD slice)
    {
        Rounds().push_back(Round{owner, stop, slice, Last(), -1});
    }
};
