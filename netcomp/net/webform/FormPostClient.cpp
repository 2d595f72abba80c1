#include "netcomp/net/webform/FormPostClient.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/webform/FormEncoding.h"

namespace {

const char kBadVariableText[] = "Invalid form variable index (out of range).";

} // namespace

FormPostClient::FormPostClient()
{
    (void)SetTimeout(60);
    (void)SetFirewallPort(80);
    ReportResponseTransferOnly();
}

int FormPostClient::Run(int action)
{
    if (m_action != 0) {
        // Interrupt from inside an event of the running action: the action
        // ends with 301 when its wait sees it, and the engine stays busy
        // until then, so no other action starts on top of it.
        if (action == kActionInterrupt)
            return DoAction(kHttpInterrupt);
        SetLastErrorText("Busy performing current action.");
        return kHttpBusy;
    }
    switch (action) {
    case kActionInterrupt:
        return DoAction(kHttpInterrupt);
    case kActionReset:
        return ResetSettings();
    case kActionSend: {
        m_action = uint8_t(action);
        SetLastErrorText("");
        const int rc = BuildAndSend();
        m_action = 0;
        return rc;
    }
    default:
        return kResultOk;
    }
}

int FormPostClient::SendTo(const char* url)
{
    // The URL of a running action stays as it is.
    if (!FormIdle())
        return Run(kActionSend);
    const int rc = SetURL(url);
    return rc != kResultOk ? rc : Send();
}

int FormPostClient::SetFormVarCount(int n)
{
    int rc = CheckCount(n, FormVarCount(), kBadVariableIndex, kBadVariableText);
    if (rc == kResultOk)
        rc = m_names.SetCount(uint32_t(n));
    return rc == kResultOk ? m_values.SetCount(uint32_t(n)) : rc;
}

int FormPostClient::CheckFormVarIndex(int i)
{
    if (i >= 1 && i <= FormVarCount())
        return kResultOk;
    SetLastErrorText(kBadVariableText);
    return kBadVariableIndex;
}

int FormPostClient::AddFormVar(const char* name, const char* value)
{
    int rc = m_names.Add(name ? name : "");
    if (rc == kResultOk)
        rc = m_values.Add(value ? value : "");
    return rc;
}

int FormPostClient::SetVariableParts(int more)
{
    const int count = FormVarCount();
    int rc = MimeFailure(m_mime.SetPartCount(count + more));
    for (int i = 0; i < count && rc == kResultOk; ++i) {
        const uint32_t item = uint32_t(i);
        rc = SetFormFieldPart(m_mime, i, m_names.Item(item), m_values.Item(item), m_values.ItemLength(item));
    }
    return rc;
}

int FormPostClient::MimeFailure(int rc)
{
    if (rc != kResultOk)
        SetLastErrorText(rc == kOutOfMemory ? "Out of memory." : m_mime.LastErrorText());
    return rc;
}
