#pragma once
// What the test process holds at one moment (header only): its handles, the
// bytes in use on all its heaps and its threads. Tests take one tally, run
// the cycles under test, take another and compare.
#include <windows.h>

#include <tlhelp32.h>

#include <vector>

struct ProcessTally {
    long handles = -1; // -1: the system would not say
    long long heapBytes = 0;
    int threads = 0;

    static ProcessTally Now()
    {
        ProcessTally t;
        t.handles = Handles();
        t.heapBytes = HeapBytes();
        t.threads = Threads();
        return t;
    }

private:
    // The process's entries of the system's handle table (GetProcessHandleCount
    // answers 0 under Wine).
    static long Handles()
    {
        struct Entry {
            ULONG process;
            UCHAR type;
            UCHAR flags;
            USHORT handle;
            PVOID object;
            ACCESS_MASK access;
        };
        using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
        const auto query = reinterpret_cast<Query>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
        if (!query)
            return -1;
        constexpr ULONG kSystemHandleInformation = 16;
        constexpr LONG kLengthMismatch = LONG(0xC0000004);
        std::vector<char> buffer(1 << 20);
        for (;;) {
            ULONG got = 0;
            const LONG status = query(kSystemHandleInformation, buffer.data(), ULONG(buffer.size()), &got);
            if (status == kLengthMismatch && buffer.size() < (256u << 20)) {
                buffer.resize(buffer.size() * 2);
                continue;
            }
            if (status != 0)
                return -1;
            const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
            const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
            long mine = 0;
            for (ULONG i = 0; i < count; ++i)
                mine += entries[i].process == GetCurrentProcessId();
            return mine;
        }
    }

    static long long HeapBytes()
    {
        std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
        heaps.resize(GetProcessHeaps(DWORD(heaps.size()), heaps.data()));
        long long busy = 0;
        for (HANDLE heap : heaps) {
            PROCESS_HEAP_ENTRY entry{};
            if (!HeapLock(heap))
                continue;
            while (HeapWalk(heap, &entry)) {
                if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                    busy += entry.cbData;
            }
            HeapUnlock(heap);
        }
        return busy;
    }

    static int Threads()
    {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return -1;
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        int mine = 0;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
            mine += entry.th32OwnerProcessID == GetCurrentProcessId();
        CloseHandle(snapshot);
        return mine;
    }
};
