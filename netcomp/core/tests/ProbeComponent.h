#pragma once
// A component that exists only for the tests: just enough properties, methods
// and events to drive every part of the framework through the C interface.
#include <winsock2.h>
#include <windows.h>

#include "netcomp/core/ComponentExports.h"
#include "netcomp/core/NetComponent.h"
#include "netcomp/core/NetString.h"
#include "netcomp/core/netcomp.h"

enum ProbeProp : int {
    kProbeTimeout = 1,
    kProbeLocalHost = 2,
    kProbeLabel = 3,
    kProbeData = 4,
    kProbeTicks = 5,
    kProbeValues = 6, // array of three
    kProbeWindow = 7,
};

enum ProbeMethod : int {
    kProbeConfig = 1,
    kProbeWaitStep = 2,
    kProbeInterrupt = 3,
    kProbeWait = 4,     // until Done arrives; 301 when the wait stops first
    kProbeNotify = 5,   // arg 1: value; fires Notify, gives the owner's answer back in arg 1
    kProbeFail = 6,     // clears the last error, gives arg 1 as its result code
    kProbeThrow = 7,    // runs out of memory by exception
    kProbePostTick = 8, // posts a Tick to its own window
    kProbePostDone = 9,
};

enum ProbeEvent : int {
    kProbeEventNotify = 1, // value (answerable), label (text), data (binary)
    kProbeEventTick = 2,   // tick count
};

constexpr UINT kMsgProbeTick = WM_USER + 200;
constexpr UINT kMsgProbeDone = WM_USER + 201;

class ProbeEngine : public NetComponent {
public:
    ProbeEngine();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Wait();
    [[nodiscard]] int Notify(int* value);

    NetString m_label;
    NetString m_data;
    int m_values[3] = {};
    int m_ticks = 0;
    bool m_done = false;
    int m_waitSteps = 0;
};

struct ProbeComponent : ComponentAdapterDefaults {
    using Engine = ProbeEngine;
    static constexpr int kMethodCount = 9;

    static INT_PTR Get(Engine& engine, int property, int index, int* lengthOut);
    static int Set(Engine& engine, int property, int index, INT_PTR value, int length);
    static int Do(Engine& engine, int method, int count, INT_PTR* args, int* lengths);
    static int CheckIndex(Engine& engine, int property, int index);
};

extern "C" {
NETCOMP_DECLARE_COMPONENT(Probe)
}
