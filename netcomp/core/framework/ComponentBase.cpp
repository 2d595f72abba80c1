// Result codes and last-error texts of every component, and the Config keys
// every component answers. A code that a failing operation returns stays the
// object's last code, whether the text came with it or from the code table.
#include "netcomp/core/framework/ComponentBase.h"

#include <cstdio>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

const char kUnknownSettingText[] = "Unknown config setting.";

// An engine without a table of its own fires no shared event.
constexpr EventTable kNoEvents;

} // namespace

ComponentBase::ComponentBase() : m_eventTable(&kNoEvents) {}

ComponentBase::~ComponentBase() = default;

LRESULT ComponentBase::WindowProc(UINT, WPARAM, LPARAM)
{
    return 0;
}

void ComponentBase::Reset()
{
    m_lastCode = 0;
    m_lastError.Clear();
    m_charsetMode = GetACP() == 932 ? 1 : 0;
}

void ComponentBase::SetLastErrorText(const char* text)
{
    // A text that cannot be stored leaves the old one; the code still tells.
    (void)m_lastError.AssignText(text);
}

int ComponentBase::CheckOutOfMemory(int code)
{
    if (code == kOutOfMemory)
        SetLastErrorText("Out of memory.");
    return code;
}

void ComponentBase::SetResultText(const char* text)
{
    SetLastErrorText(text);
    m_keepResultText = true;
}

int ComponentBase::CheckResult(int code)
{
    const bool keep = m_keepResultText;
    m_keepResultText = false;
    if (keep && code != kResultOk)
        return code;
    switch (code) {
    case kResultOk:
        return kResultOk;
    case kInterrupted:
        SetLastErrorText("Interrupted.");
        return code;
    case kOutOfMemory:
        SetLastErrorText("Out of memory.");
        return code;
    case kNoNotifyWindow:
        SetLastErrorText("The component's notification window could not be created.");
        return code;
    default:
        if (m_lastError.IsEmpty())
            SetErrorFromCode(code);
        return code;
    }
}

void ComponentBase::SetErrorFromCode(int code)
{
    m_lastError.Clear();
    m_lastCode = code;
    AppendErrorCode("[", code, "] ");
    const char* text = SocketErrorText(code);
    (void)m_lastError.AppendCStr(text ? text : "(no description available)");
}

void ComponentBase::AppendErrorCode(const char* prefix, int code, const char* suffix)
{
    (void)m_lastError.AppendCStr(prefix);
    (void)m_lastError.AppendInt(code);
    (void)m_lastError.AppendCStr(suffix);
}

void ComponentBase::SetLastErrorWithCode(const char* prefix, unsigned code, const char* suffix)
{
    m_lastError.Clear();
    (void)m_lastError.AppendCStr(prefix);
    (void)m_lastError.AppendHexInt(code);
    (void)m_lastError.AppendCStr(suffix);
}

int ComponentBase::DoConfig(const char* text, const char** answer)
{
    ConfigArg arg;
    int rc = arg.Parse(text);
    if (rc != kResultOk)
        return rc;
    return Config(arg, answer);
}

int ComponentBase::AnswerText(const char* text, const char** answer)
{
    int rc = m_lastError.AssignText(text);
    if (rc != kResultOk)
        return rc;
    *answer = m_lastError.CStr();
    return kResultOk;
}

int ComponentBase::AnswerInt(int value, const char** answer)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", value);
    return AnswerText(buf, answer);
}

int ComponentBase::AnswerBool(bool value, const char** answer)
{
    *answer = value ? "True" : "False";
    return kResultOk;
}

int ComponentBase::ConfigError()
{
    SetLastErrorText(kUnknownSettingText);
    return kUnknownSetting;
}

int ComponentBase::Config(const ConfigArg& arg, const char** answer)
{
    int* target = nullptr;
    if (arg.KeyIs("CodePage"))
        target = &m_codePage;
    else if (arg.KeyIs("CharsetMode"))
        target = &m_charsetMode;
    if (!target) {
        *answer = "";
        return ConfigError();
    }
    if (arg.query)
        return AnswerInt(*target, answer);
    return SetConfigInt(arg, [target](int value) {
        *target = value;
        return kResultOk;
    });
}

int ComponentBase::ConfigSize(const ConfigArg& arg, uint32_t& size, int minimum, const char** answer)
{
    if (arg.query)
        return AnswerInt(int(size), answer);
    return SetConfigInt(
        arg,
        [&size](int value) {
            size = uint32_t(value);
            return kResultOk;
        },
        minimum < 0 ? 0 : minimum);
}

int ComponentBase::RefuseBusy(int code)
{
    SetLastErrorText("Busy performing current action.");
    return code;
}

int ComponentBase::CheckCount(int count, int current, int code, const char* text)
{
    if (count >= 0 && (count <= kMaxListCount || count <= current))
        return kResultOk;
    SetLastErrorText(text);
    return code;
}

void ComponentBase::LeaveCall()
{
    if (--m_callDepth > 0 || !m_pendingDestroy)
        return;
    // The last thing done with this object: it is gone afterwards.
    m_pendingDestroy(m_pendingObject);
}

bool ComponentBase::DeferDestroy(void (*destroy)(void*), void* object)
{
    if (m_callDepth == 0)
        return false;
    if (!m_pendingDestroy) {
        m_pendingDestroy = destroy;
        m_pendingObject = object;
        OnDestroyDeferred();
    }
    return true;
}

int ComponentBase::FireParams(int event, const EventParam* params, int count)
{
    // An owner that destroyed the component hears nothing more of it.
    if (!m_sink || m_pendingDestroy)
        return 0;
    m_sink->OnCodePage(m_codePage);
    if (count > ComponentEvents::kMaxParams)
        count = ComponentEvents::kMaxParams;
    // Binary data is also readable as text during the call: a NUL goes behind
    // it (every buffer the engines pass keeps a spare byte there), and an
    // absent buffer becomes an empty text, for which the parameters are
    // copied. Only the slots in use are written: an event fires once per
    // received line.
    static char emptyText[1];
    EventParam list[ComponentEvents::kMaxParams];
    char* saved[ComponentEvents::kMaxParams];
    char savedByte[ComponentEvents::kMaxParams];
    const EventParam* given = params;
    for (int i = 0; i < count; ++i) {
        const EventParam& p = params[i];
        if (p.kind != EventParam::Kind::Binary)
            continue;
        char** data = static_cast<char**>(p.address);
        if (*data && p.length > 0) {
            savedByte[i] = (*data)[p.length];
            (*data)[p.length] = '\0';
            continue;
        }
        if (given == params) {
            for (int k = 0; k < count; ++k)
                list[k] = params[k];
            given = list;
        }
        saved[i] = *data;
        emptyText[0] = '\0';
        *data = emptyText;
        list[i].length = 0;
    }
    ++m_eventDepth;
    const int result = m_sink->FireEvent(event, count, given);
    --m_eventDepth;
    for (int i = 0; i < count; ++i) {
        const EventParam& p = given[i];
        if (p.kind != EventParam::Kind::Binary)
            continue;
        char** data = static_cast<char**>(p.address);
        if (*data == emptyText)
            *data = saved[i];
        else
            (*data)[p.length] = savedByte[i];
    }
    return result;
}

int ComponentBase::Fire(SharedEvent event, std::initializer_list<EventParam> params)
{
    const int number = Events()[event];
    return number != 0 ? Fire(number, params) : 0;
}

int ComponentBase::FireError(int code, const char* text)
{
    const char* description = text ? text : "";
    return Fire(SharedEvent::Error, {EventParam::Int(&code), EventParam::Text(&description)});
}
