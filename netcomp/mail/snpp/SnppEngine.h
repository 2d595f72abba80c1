#pragma once
// The SNPP component's engine: a Simple Network Paging Protocol client (RFC
// 1861 PAGE, DATA, SEND, CALL and QUIT) whose operations are numbered
// actions run one at a time. SendPage connects by itself when needed and
// leaves the connection open.
#include <cstdint>

#include "netcomp/core/tcp/TcpClient.h"

enum SnppResult : int {
    kSnppServerError = 321,
    kSnppConnectError = 322,
    kSnppBusy = 323,
    kSnppNoPager = 324,
};

class SnppEngine : public TcpClient {
public:
    SnppEngine();

    [[nodiscard]] int DoAction(int action);

    [[nodiscard]] int Connect() { return DoAction(1); }
    [[nodiscard]] int Disconnect() { return DoAction(2); }
    [[nodiscard]] int SendPage() { return DoAction(3); }
    [[nodiscard]] int Reset() { return DoAction(4); }
    [[nodiscard]] int InterruptAction();

    const char* GetCallerId() const { return m_callerId.CStr(); }
    [[nodiscard]] int SetCallerId(const char* text) { return m_callerId.AssignText(text); }
    [[nodiscard]] int SetCommand(const char* text);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    bool IsIdle() const { return m_busyAction == 0; }
    const char* LastReply() const { return m_lastReply.CStr(); }
    const char* GetMessage() const { return m_message.CStr(); }
    [[nodiscard]] int SetMessage(const char* text) { return m_message.AssignText(text); }
    const char* GetPagerId() const { return m_pagerId.CStr(); }
    [[nodiscard]] int SetPagerId(const char* text) { return m_pagerId.AssignText(text); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    int TimeoutSeconds() const { return int(GetTimeout()); }

protected:
    void OnCommandLine(const char* line, uint32_t n) override;
    ReplyReader::Hint OnReplyLine(const char* line, uint32_t n) override;
    ReplyReader::Hint OnLongReplyLine(const char* head, uint32_t n) override;
    void OnConnected(int code) override;
    void OnDisconnected(int code) override;

private:
    [[nodiscard]] int RunAction(int action);
    [[nodiscard]] int Login();
    [[nodiscard]] int Quit();
    [[nodiscard]] int Page();
    [[nodiscard]] int Command(const char* command, const char* argument);
    [[nodiscard]] int Judge();

    NetString m_callerId;
    NetString m_pagerId;
    NetString m_message;
    NetString m_command;
    NetString m_lastReply;
    int m_busyAction = 0;
};
