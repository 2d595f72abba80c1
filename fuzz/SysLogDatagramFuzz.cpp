// Syslog datagrams as the SysLog component receives them, and TFTP packets
// as the TFTP component reads them: every part must come from the bytes
// that arrived.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "netcomp/net/syslog/SysLogMessage.h"
#include "netcomp/net/tftp/TftpPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const syslog_message::Parsed parsed = syslog_message::Parse(bytes, size);
    if (parsed.timestamp.size() + parsed.hostname.size() + parsed.message.size() > size)
        std::abort();
    if (parsed.facility < 0 || parsed.facility > 31 || parsed.severity < 0 || parsed.severity > 7)
        std::abort();
    (void)syslog_message::FacilityName(parsed.facility);

    tftp::Packet packet;
    if (tftp::Read(bytes, size, packet) && packet.dataLength + packet.errorMessage.size() > size)
        std::abort();
    return 0;
}
