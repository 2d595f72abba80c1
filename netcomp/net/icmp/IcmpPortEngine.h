#pragma once
// The ICMPPort component's engine: the ICMP engine as it is, with every ICMP
// message that arrives raised as DataIn.
#include "netcomp/core/icmp/IcmpEngine.h"

class IcmpPortEngine : public IcmpEngine {
public:
    IcmpPortEngine();

    [[nodiscard]] int SendBytes(const char* data, int length) { return Send(data, length); }
    [[nodiscard]] int SetMessageTypeChecked(int type);
    [[nodiscard]] int SetMessageSubTypeChecked(int code);

protected:
    void OnDataIn(int type, int code, const std::uint8_t* data, int length, bool checksumOk,
                  const char* source) override;
    void OnReadyToSend() override;
};
