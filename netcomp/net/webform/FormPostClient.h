#pragma once
// What the web form and upload engines share on the HTTP client: the form
// variables (two parallel lists, names and values), the MIME engine that
// writes multipart bodies, and the action rule: action 1 builds and sends
// the request while the engine is busy, 2 resets, 0 interrupts (also from
// inside an event of a running action); any other action while one runs is
// refused with 143.
#include <cstdint>

#include "netcomp/core/text/StringList.h"
#include "netcomp/core/web/HttpClient.h"
#include "netcomp/mail/mime/MimeEngine.h"

class FormPostClient : public HttpClient {
public:
    static constexpr int kBadVariableIndex = 159;

    int FormVarCount() const { return int(m_names.Count()); }
    [[nodiscard]] int SetFormVarCount(int n);
    [[nodiscard]] int CheckFormVarIndex(int i);
    const char* FormVarName(int i) const { return m_names.Item(uint32_t(i - 1)); }
    const char* FormVarValue(int i) const { return m_values.Item(uint32_t(i - 1)); }
    [[nodiscard]] int SetFormVarName(int i, const char* t) { return m_names.SetItem(uint32_t(i - 1), t ? t : ""); }
    [[nodiscard]] int SetFormVarValue(int i, const char* t) { return m_values.SetItem(uint32_t(i - 1), t ? t : ""); }
    [[nodiscard]] int AddFormVar(const char* name, const char* value);

    // No action of this engine or of its HTTP client runs.
    bool FormIdle() const { return m_action == 0 && Idle(); }
    [[nodiscard]] int InterruptForm() { return Run(kActionInterrupt); }
    [[nodiscard]] int ResetForm() { return Run(kActionReset); }
    [[nodiscard]] int Send() { return Run(kActionSend); }
    [[nodiscard]] int SendTo(const char* url);

protected:
    FormPostClient();

    // Action 1: builds the request from the variables and runs it.
    [[nodiscard]] virtual int BuildAndSend() = 0;
    // Action 2: the engine's own settings back to their start.
    [[nodiscard]] virtual int ResetSettings() = 0;

    // The engine's part list sized for the variables and `more` parts
    // after them, each variable's part filled.
    [[nodiscard]] int SetVariableParts(int more);
    // A code from the MIME engine, with its text.
    [[nodiscard]] int MimeFailure(int rc);

    StringList m_names;
    StringList m_values;
    MimeEngine m_mime;

private:
    enum Action : uint8_t { kActionInterrupt = 0, kActionSend = 1, kActionReset = 2 };
    [[nodiscard]] int Run(int action);

    uint8_t m_action = 0; // the action under way, 0 when idle
};
