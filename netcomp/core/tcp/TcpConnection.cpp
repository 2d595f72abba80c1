#include "netcomp/core/tcp/TcpConnection.h"

#include "netcomp/core/framework/ResultCodes.h"

const char* TcpConnection::Describe(int code)
{
    if (code == 0)
        return "OK";
    if (*LastErrorText() == '\0')
        SetErrorFromCode(code);
    return LastErrorText();
}

int TcpConnection::FireErrorFor(int code, const char* prefix, int cause)
{
    NetString text;
    if (text.AssignText(prefix) != kResultOk || text.AppendCStr(Describe(cause)) != kResultOk)
        return FireError(code, prefix);
    return FireError(code, text.CStr());
}

void TcpConnection::OnConnectComplete(int code)
{
    if (code == 0)
        FireConnectionStatus("Remote host connection complete.", 0, "OK");
    OnConnected(code);
}

void TcpConnection::OnCloseComplete(int code)
{
    FireConnectionStatus("Remote host disconnected.", code, Describe(code));
    OnDisconnected(code);
}

int TcpConnection::OnDataArrived(const char* data, uint32_t n, bool eolFound)
{
    return DataIn(data, n, eolFound);
}

void TcpConnection::OnError(int code, const char* text)
{
    FireError(code, text ? text : "");
}

void TcpConnection::OnReadyToSend()
{
    FireReadyToSend();
}

void TcpConnection::OnConnectionStatus(const char* text, int code)
{
    FireConnectionStatus(text, code, Describe(code));
}

void TcpConnection::OnConnected(int code)
{
    FireConnected(code, Describe(code));
}

int TcpConnection::DataIn(const char* data, uint32_t n, bool eolFound)
{
    return ProcessData(data, n, eolFound);
}

void TcpConnection::OnDisconnected(int code)
{
    FireDisconnected(code, Describe(code));
}

int TcpConnection::FireConnected(int code, const char* description)
{
    return Fire(SharedEvent::Connected, {EventParam::Int(&code), EventParam::Text(&description)});
}

int TcpConnection::FireDisconnected(int code, const char* description)
{
    return Fire(SharedEvent::Disconnected, {EventParam::Int(&code), EventParam::Text(&description)});
}

int TcpConnection::FireReadyToSend()
{
    return Fire(SharedEvent::ReadyToSend, {});
}

int TcpConnection::FireConnectionStatus(const char* text, int code, const char* description)
{
    return Fire(SharedEvent::ConnectionStatus,
                {EventParam::Text(&text), EventParam::Int(&code), EventParam::Text(&description)});
}

int TcpConnection::ProcessData(const char*, uint32_t, bool)
{
    return kResultOk;
}
