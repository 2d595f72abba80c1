#pragma once
// The root of every component engine: last result code and text, code page
// settings, the event sink and the Config method.
#include <winsock2.h>
#include <windows.h>

#include <climits>
#include <cstdint>
#include <initializer_list>

#include "netcomp/core/framework/ComponentEvents.h"
#include "netcomp/core/framework/ConfigArg.h"
#include "netcomp/core/framework/EventTable.h"
#include "netcomp/core/text/NetString.h"

class ComponentBase {
public:
    ComponentBase();
    virtual ~ComponentBase();
    ComponentBase(const ComponentBase&) = delete;
    ComponentBase& operator=(const ComponentBase&) = delete;

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] virtual int Config(const ConfigArg& arg, const char** answer);

    void Reset();
    [[nodiscard]] int DoConfig(const char* text, const char** answer);

    int LastCode() const { return m_lastCode; }
    void SetLastCode(int code) { m_lastCode = code; }
    const char* LastErrorText() const { return m_lastError.CStr(); }
    void SetLastErrorText(const char* text);
    // A text that the next CheckResult keeps even for a code with a text of
    // its own (a 301 that is not an interruption).
    void SetResultText(const char* text);
    [[nodiscard]] int CheckOutOfMemory(int code);
    [[nodiscard]] int CheckResult(int code);
    void SetErrorFromCode(int code);
    void AppendErrorCode(const char* prefix, int code, const char* suffix);
    void SetLastErrorWithCode(const char* prefix, unsigned code, const char* suffix);

    int CodePage() const { return m_codePage; }
    int CharsetMode() const { return m_charsetMode; }
    void SetEventSink(ComponentEvents* sink) { m_sink = sink; }
    HWND Window() const { return m_window; }

    // Calls into an engine nest: the flat functions, and the messages of its
    // hidden window. An event fired inside one may destroy the component; the
    // ComponentCall of each entry point counts them, and DeferDestroy then
    // leaves the destruction to the end of the outermost call.
    void EnterCall() { ++m_callDepth; }
    void LeaveCall();
    // Inside a call: remembers destroy(object) for the end of the outermost
    // call, stops the running operation and silences further events; true.
    // Outside any call: false, the caller destroys at once.
    bool DeferDestroy(void (*destroy)(void*), void* object);
    bool DestroyPending() const { return m_pendingDestroy != nullptr; }
    // An event of the component's is with its owner (one may fire inside
    // another, from a DoEvents of the owner's).
    bool InEvent() const { return m_eventDepth > 0; }

    // Actions of the flat interface (ComponentTable.h): the exports count the
    // one that runs; an action or a Set that comes while one runs, from inside
    // one of its events, is refused with the busy code.
    bool ActionRunning() const { return m_actionDepth > 0 || EngineBusy(); }
    void EnterAction()
    {
        if (m_actionDepth++ == 0 && ++m_actionSerial == 0)
            m_actionSerial = 1;
    }
    void LeaveAction() { --m_actionDepth; }
    // Which action of the flat interface runs: 0 when none does, else a
    // number that differs from the one of the action before.
    unsigned CurrentAction() const { return m_actionDepth > 0 ? m_actionSerial : 0; }
    // "Busy performing current action." and the given code, the component's own.
    [[nodiscard]] int RefuseBusy(int code);
    // A count the caller sets (a list's length) grows in one call to at most
    // kMaxListCount items (a longer list may still be cut); a negative count
    // or more is refused with the component's code and text for the list.
    static constexpr int kMaxListCount = 100000;
    [[nodiscard]] int CheckCount(int count, int current, int code, const char* text);

    // The component's event numbers for what the shared layers fire (see
    // EventTable.h); an engine sets its own in its constructor.
    void SetEventTable(const EventTable& table) { m_eventTable = &table; }
    const EventTable& Events() const { return *m_eventTable; }

    // The Error event (code, description) under the component's own number;
    // a null text goes out as the empty text. Nothing when it has none.
    virtual int FireError(int code, const char* text);

protected:
    // Work that outlives the call that started it (an asynchronous transfer)
    // keeps the component busy as an action does.
    virtual bool EngineBusy() const { return false; }
    // Asks a running operation to stop, once the component is to be destroyed.
    virtual void OnDestroyDeferred() {}
    // Fires an event through the sink: slot 0 first, then the event itself.
    // The owner's answer is not heard: 0.
    int Fire(int event, std::initializer_list<EventParam> params)
    {
        (void)FireParams(event, params.begin(), int(params.size()));
        return 0;
    }
    // The same, for the events whose answer counts (a parser's events stop
    // the parse): what the owner's callback returned.
    int FireForAnswer(int event, std::initializer_list<EventParam> params)
    {
        return FireParams(event, params.begin(), int(params.size()));
    }
    // Fires a shared event under the number the event table gives it.
    int Fire(SharedEvent event, std::initializer_list<EventParam> params);
    // Answers a Config query with text kept in the last-error buffer;
    // "True" and "False" are constant texts.
    [[nodiscard]] int AnswerText(const char* text, const char** answer);
    [[nodiscard]] int AnswerInt(int value, const char** answer);
    [[nodiscard]] int AnswerBool(bool value, const char** answer);
    // The Config error: -1 with "Unknown config setting.".
    [[nodiscard]] int ConfigError();
    // Sets an integer setting through `set` (int -> result code); a value
    // that is no number, does not fit an int or is below the minimum (0 for
    // sizes and counts) is refused with the Config error.
    // A size setting (the most bytes a component holds of something): a
    // query answers it, a set takes a number of at least `minimum`.
    [[nodiscard]] int ConfigSize(const ConfigArg& arg, uint32_t& size, int minimum, const char** answer);
    template <class Set>
    [[nodiscard]] int SetConfigInt(const ConfigArg& arg, Set&& set, int minimum = INT_MIN)
    {
        int value = 0;
        if (!ParseConfigInt(arg.value.CStr(), value) || value < minimum)
            return ConfigError();
        return set(value);
    }

    HWND m_window = nullptr;

private:
    // What Fire and FireForAnswer do; inline above, since a list passed on
    // by value crosses the call through memory (events fire once per line).
    int FireParams(int event, const EventParam* params, int count);

    int m_lastCode = 0;
    int m_codePage = 0;
    NetString m_lastError;
    bool m_keepResultText = false;
    int m_charsetMode = 0;
    ComponentEvents* m_sink = nullptr;
    const EventTable* m_eventTable;
    int m_callDepth = 0;
    int m_actionDepth = 0;
    int m_eventDepth = 0;
    unsigned m_actionSerial = 0; // counts the actions begun, never 0 while one runs
    void (*m_pendingDestroy)(void*) = nullptr;
    void* m_pendingObject = nullptr;
};

// Holds one count of the component for as long as it lives: a call into the
// engine (ComponentCall, see EnterCall) or an action of the flat interface
// (ComponentAction, see EnterAction).
template <void (ComponentBase::*Enter)(), void (ComponentBase::*Leave)()>
class ComponentScope {
public:
    explicit ComponentScope(ComponentBase& component) : m_component(component) { (m_component.*Enter)(); }
    ~ComponentScope() { (m_component.*Leave)(); }
    ComponentScope(const ComponentScope&) = delete;
    ComponentScope& operator=(const ComponentScope&) = delete;

private:
    ComponentBase& m_component;
};

using ComponentCall = ComponentScope<&ComponentBase::EnterCall, &ComponentBase::LeaveCall>;
using ComponentAction = ComponentScope<&ComponentBase::EnterAction, &ComponentBase::LeaveAction>;
