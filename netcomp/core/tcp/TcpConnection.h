#pragma once
// Turns the socket's notifications into the component events: connection
// status, connected, disconnected, data in, error and ready to send. The
// events go out under the numbers of the engine's event table; a component
// without one of them hears nothing of it.
#include "netcomp/core/tcp/TcpSocket.h"

class TcpConnection : public TcpSocket {
protected:
    void OnConnectComplete(int code) override;
    void OnCloseComplete(int code) override;
    int OnDataArrived(const char* data, uint32_t n, bool eolFound) override;
    void OnError(int code, const char* text) override;
    void OnReadyToSend() override;
    void OnConnectionStatus(const char* text, int code) override;

    virtual void OnConnected(int code);
    virtual int DataIn(const char* data, uint32_t n, bool eolFound);
    virtual void OnDisconnected(int code);
    virtual int ProcessData(const char* data, uint32_t n, bool eolFound);

    int FireConnected(int code, const char* description);
    int FireDisconnected(int code, const char* description);
    int FireReadyToSend();
    int FireConnectionStatus(const char* text, int code, const char* description);

    // "OK" for 0, else the last-error text, filled from the code table when empty.
    const char* Describe(int code);
    // The Error event with `code` and a text of `prefix` and what Describe
    // says of `cause` ("Failed to connect: " and the reason a connect failed).
    int FireErrorFor(int code, const char* prefix, int cause);
};
