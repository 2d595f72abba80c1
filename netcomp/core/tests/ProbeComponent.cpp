#include "netcomp/core/tests/ProbeComponent.h"

#include <new>

#include "netcomp/core/framework/ResultCodes.h"

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
    StartTimeout();
    while (!m_done) {
        if (!WaitStep(10, Window()))
            return kInterrupted;
    }
    return kResultOk;
}

int ProbeEngine::Fail(int code)
{
    // Like every operation that starts afresh, it clears the old text first.
    SetLastErrorText("");
    return code;
}

int ProbeEngine::Throw()
{
    throw std::bad_alloc();
}

int ProbeEngine::SetData(const char* data, int length)
{
    return m_data.Assign(data ? uint32_t(length) : 0, data);
}

int ProbeEngine::CheckValueIndex(int index)
{
    if (index < 0 || index >= 3) {
        SetLastErrorText("Invalid value index (out of range).");
        return kIndexOutOfRange;
    }
    return kResultOk;
}

namespace {

using P = Properties<ProbeEngine>;
using M = Methods<ProbeEngine>;

constexpr PropertyDescriptor<ProbeEngine> kProbeProperties[] = {
    P::ReadWrite<&ProbeEngine::GetTimeout, &ProbeEngine::SetTimeout>(kProbeTimeout),
    P::ReadWrite<&ProbeEngine::GetLocalHost, &ProbeEngine::SetLocalHost>(kProbeLocalHost),
    P::ReadWrite<&ProbeEngine::Label, &ProbeEngine::SetLabel>(kProbeLabel),
    P::ReadWrite<&ProbeEngine::Data, &ProbeEngine::SetData>(kProbeData),
    P::Read<&ProbeEngine::Ticks>(kProbeTicks),
    P::ReadWriteIndexed<&ProbeEngine::Value, &ProbeEngine::SetValue, &ProbeEngine::CheckValueIndex>(kProbeValues),
    P::Read<&ProbeEngine::WindowHandle>(kProbeWindow),
    P::Read<&ProbeEngine::LabelQuoted>(kProbeLabelQuoted),
    P::Write<&ProbeEngine::SetData>(kProbeDataToSend),
};

constexpr MethodDescriptor<ProbeEngine> kProbeMethods[] = {
    M::Call<&ProbeEngine::Interrupt>(kProbeInterrupt).AnyTime(),
    M::Call<&ProbeEngine::Wait>(kProbeWait),
    M::Call<&ProbeEngine::Fail>(kProbeFail),
    M::Call<&ProbeEngine::Throw>(kProbeThrow),
    M::Call<&ProbeEngine::PostTick>(kProbePostTick),
    M::Call<&ProbeEngine::PostDone>(kProbePostDone),
    M::Call<&ProbeEngine::Store>(kProbeStore),
    M::Call<&ProbeEngine::Fetch>(kProbeFetch),
};

struct ProbeComponent : ComponentDefaults {
    using Engine = ProbeEngine;
    static constexpr auto& kProperties = kProbeProperties;
    static constexpr auto& kMethods = kProbeMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(Probe, ProbeComponent)
