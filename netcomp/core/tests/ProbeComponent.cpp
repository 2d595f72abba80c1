#include "netcomp/core/tests/ProbeComponent.h"

#include <new>

#include "netcomp/core/ResultCodes.h"

ProbeEngine::ProbeEngine()
{
    Setup(true);
}

LRESULT ProbeEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgProbeTick) {
        ++m_ticks;
        Fire(kProbeEventTick, {EventParam::Int(&m_ticks)});
        return 0;
    }
    if (message == kMsgProbeDone) {
        m_done = true;
        return 0;
    }
    return NetComponent::WindowProc(message, wParam, lParam);
}

int ProbeEngine::Wait()
{
    m_done = false;
    m_waitSteps = 0;
    StartTimeout();
    while (!m_done) {
        ++m_waitSteps;
        if (!WaitStep(10, m_window))
            return kInterrupted;
    }
    return kResultOk;
}

int ProbeEngine::Notify(int* value)
{
    const char* label = m_label.CStr();
    char* data = m_data.Data();
    Fire(kProbeEventNotify,
         {EventParam::Int(value, true), EventParam::Text(&label), EventParam::Binary(&data, int(m_data.Length()))});
    return kResultOk;
}

INT_PTR ProbeComponent::Get(Engine& engine, int property, int index, int* lengthOut)
{
    switch (property) {
    case kProbeTimeout:
        return INT_PTR(engine.GetTimeout());
    case kProbeLocalHost:
        return reinterpret_cast<INT_PTR>(engine.GetLocalHost());
    case kProbeLabel:
        return reinterpret_cast<INT_PTR>(engine.m_label.CStr());
    case kProbeData:
        if (lengthOut)
            *lengthOut = int(engine.m_data.Length());
        return reinterpret_cast<INT_PTR>(engine.m_data.Data());
    case kProbeTicks:
        return engine.m_ticks;
    case kProbeValues:
        return (index >= 0 && index < 3) ? engine.m_values[index] : 0;
    case kProbeWindow:
        return reinterpret_cast<INT_PTR>(engine.Window());
    default:
        return 0;
    }
}

int ProbeComponent::Set(Engine& engine, int property, int index, INT_PTR value, int length)
{
    switch (property) {
    case kProbeTimeout:
        return engine.SetTimeout(unsigned(value));
    case kProbeLocalHost:
        return engine.SetLocalHost(reinterpret_cast<const char*>(value));
    case kProbeLabel:
        return engine.m_label.AssignText(reinterpret_cast<const char*>(value));
    case kProbeData:
        return engine.m_data.Assign(value ? uint32_t(length) : 0, reinterpret_cast<const char*>(value));
    case kProbeValues:
        if (CheckIndex(engine, property, index) != kResultOk)
            return kIndexOutOfRange;
        engine.m_values[index] = int(value);
        return kResultOk;
    default:
        return kUnknownSetting;
    }
}

int ProbeComponent::Do(Engine& engine, int method, int count, INT_PTR* args, int*)
{
    switch (method) {
    case kProbeWaitStep:
        engine.WaitStep(20, engine.Window());
        return kResultOk;
    case kProbeInterrupt:
        engine.Interrupt();
        return kResultOk;
    case kProbeWait:
        return engine.Wait();
    case kProbeNotify: {
        if (count < 1)
            return kUnknownSetting;
        int value = int(args[0]);
        int rc = engine.Notify(&value);
        args[0] = value;
        return rc;
    }
    case kProbeFail:
        // Like every operation that starts afresh, it clears the old text first.
        engine.SetLastErrorText("");
        return count >= 1 ? int(args[0]) : kResultOk;
    case kProbeThrow:
        throw std::bad_alloc();
    case kProbePostTick:
        PostMessageA(engine.Window(), kMsgProbeTick, 0, 0);
        return kResultOk;
    case kProbePostDone:
        PostMessageA(engine.Window(), kMsgProbeDone, 0, 0);
        return kResultOk;
    default:
        return kResultOk;
    }
}

int ProbeComponent::CheckIndex(Engine& engine, int property, int index)
{
    if (property == kProbeValues && (index < 0 || index >= 3)) {
        engine.SetLastErrorText("Invalid value index (out of range).");
        return kIndexOutOfRange;
    }
    return kResultOk;
}
