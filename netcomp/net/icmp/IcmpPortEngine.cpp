#include "netcomp/net/icmp/IcmpPortEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_icmpport.h"

namespace {

constexpr EventTable kIcmpPortEvents = {{SharedEvent::Error, kIcmpPortEventError}};
constexpr int kBadMessageType = 121;

} // namespace

IcmpPortEngine::IcmpPortEngine()
{
    SetEventTable(kIcmpPortEvents);
    SetMessageType(0);
    SetMessageCode(0);
}

// Type and code are one byte each on the wire: a value that does not fit
// is refused rather than cut to another message type.
int IcmpPortEngine::SetMessageTypeChecked(int type)
{
    if (type < 0 || type > 255) {
        SetLastErrorText("MessageType must be between 0 and 255.");
        return kBadMessageType;
    }
    SetMessageType(type);
    return kResultOk;
}

int IcmpPortEngine::SetMessageSubTypeChecked(int code)
{
    if (code < 0 || code > 255) {
        SetLastErrorText("MessageSubType must be between 0 and 255.");
        return kBadMessageType;
    }
    SetMessageCode(code);
    return kResultOk;
}

void IcmpPortEngine::OnDataIn(int type, int code, const std::uint8_t* data, int length, bool checksumOk,
                              const char* source)
{
    char* bytes = reinterpret_cast<char*>(const_cast<std::uint8_t*>(data));
    const char* sourceText = source ? source : "";
    Fire(kIcmpPortEventDataIn, {EventParam::Int(&type), EventParam::Int(&code), EventParam::Binary(&bytes, length),
                                EventParam::Bool(&checksumOk), EventParam::Text(&sourceText)});
}

void IcmpPortEngine::OnReadyToSend()
{
    Fire(kIcmpPortEventReadyToSend, {});
}
