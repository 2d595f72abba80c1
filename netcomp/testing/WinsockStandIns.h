#pragma once
// Stand-ins for entries of the components' Winsock table, for one test
// (header only): made after the components have bound Winsock, the object
// keeps the table as it was, lets the test replace entries, and puts the
// whole table back when it goes.
#include "netcomp/core/framework/WinsockBinding.h"

class WinsockStandIns {
public:
    WinsockStandIns() : m_real(g_winsock.ApiForTests()) {}
    ~WinsockStandIns() { g_winsock.ApiForTests() = m_real; }
    WinsockStandIns(const WinsockStandIns&) = delete;
    WinsockStandIns& operator=(const WinsockStandIns&) = delete;

    // The table the components call through, to replace entries in.
    WinsockApi& Entries() { return g_winsock.ApiForTests(); }
    // The entries as they were, for a stand-in to pass a call on.
    const WinsockApi& Real() const { return m_real; }

private:
    WinsockApi m_real;
};
