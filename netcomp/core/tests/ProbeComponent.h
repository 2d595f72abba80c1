#pragma once
// A component that exists only for the tests, on the same tables and exports
// as every real one.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/include/netcomp.h"

enum ProbeProp : int {
    kProbeTimeout = 1,
    kProbeLocalHost = 2,
    kProbeLabel = 3,
    kProbeData = 4,
    kProbeTicks = 5,
    kProbeValues = 6, // array of three
    kProbeWindow = 7,
    kProbeLabelQuoted = 8, // the label in brackets, made afresh by each read
    kProbeDataToSend = 9   // write-only: sets the data
};

enum ProbeMethod : int {
    kProbeConfig = 1,
    kProbeInterrupt = 3,
    kProbeWait = 4,     // until Done arrives; 301 when the wait stops first
    kProbeFail = 6,     // clears the last error, gives arg 1 as its result code
    kProbeThrow = 7,    // runs out of memory by exception
    kProbePostTick = 8, // posts a Tick to its own window
    kProbePostDone = 9,
    kProbeStore = 10, // arg 1: bytes that become the data
    kProbeFetch = 11  // answers the data in arg 1, with its length
};

enum ProbeEvent : int {
    kProbeEventTick = 2 // tick count
};

constexpr UINT kMsgProbeTick = WM_USER + 200;
constexpr UINT kMsgProbeDone = WM_USER + 201;

class ProbeEngine : public NetComponent {
public:
    ProbeEngine();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Wait();
    [[nodiscard]] int Fail(int code);
    [[nodiscard]] int Throw();
    [[nodiscard]] int Store(ByteView bytes) { return SetData(bytes.data, bytes.length); }
    [[nodiscard]] int Fetch(ByteView* out)
    {
        *out = Data();
        return 0;
    }
    void PostTick() { PostMessageA(Window(), kMsgProbeTick, 0, 0); }
    void PostDone() { PostMessageA(Window(), kMsgProbeDone, 0, 0); }

    const char* Label() const { return m_label.CStr(); }
    std::string LabelQuoted() const { return std::string("[") + m_label.CStr() + "]"; }
    [[nodiscard]] int SetLabel(const char* text) { return m_label.AssignText(text); }
    ByteView Data() const { return {m_data.CStr(), int(m_data.Length())}; }
    [[nodiscard]] int SetData(const char* data, int length);
    int Value(int index) const { return m_values[index]; }
    void SetValue(int index, int value) { m_values[index] = value; }
    [[nodiscard]] int CheckValueIndex(int index);
    int Ticks() const { return m_ticks; }
    INT_PTR WindowHandle() const { return reinterpret_cast<INT_PTR>(Window()); }

private:
    NetString m_label;
    NetString m_data;
    int m_values[3] = {};
    int m_ticks = 0;
    bool m_done = false;
};

extern "C" {
NETCOMP_DECLARE_COMPONENT(Probe)
}
