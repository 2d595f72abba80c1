#pragma once
// The packet monitor: the ICMP engine in raw-IP mode, bound to one local
// interface and switched to receive every IP packet that passes it; each
// packet is decoded (IpPacket.h) and raised as PacketIn.
//
// Under Wine no such socket exists (no raw socket of protocol 0, no
// receive-all switch): activation fails with the platform's Winsock error.
#include <cstdint>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/icmp/IcmpEngine.h"

class IpMonitorEngine : public IcmpEngine {
public:
    IpMonitorEngine();

    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    [[nodiscard]] int SetMonitorActive(bool active);
    [[nodiscard]] int ListInterfaces();
    // The packet being reported; empty outside PacketIn.
    ByteView IpPacket() const { return {m_packet ? m_packet : "", m_packet ? m_packetLength : 0}; }

protected:
    void OnDataIn(int type, int code, const std::uint8_t* data, int length, bool checksumOk,
                  const char* source) override;

private:
    [[nodiscard]] int SwitchReceiveAll();

    const char* m_packet = nullptr;
    int m_packetLength = 0;
};
