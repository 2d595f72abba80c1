// Whole SNMP datagrams as an agent or a manager receives them: a message
// that parses is signed and checked where its authentication field is, and
// built again; what is built must parse back to the same bindings and PDU.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/snmp/SnmpMessage.h"
#include "netcomp/net/snmp/SnmpUsm.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool SameBindings(const SnmpBindings& a, const SnmpBindings& b)
{
    if (a.Count() != b.Count())
        return false;
    for (int i = 0; i < a.Count(); ++i) {
        if (a.At(i).oid != b.At(i).oid || a.At(i).type != b.At(i).type || a.At(i).value != b.At(i).value)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x10000)
        return 0;
    SnmpMessage message;
    SnmpBindings bindings;
    uint32_t authAt = 0;
    if (ParseSnmpMessage(reinterpret_cast<const char*>(data), uint32_t(size), message, bindings, &authAt) != kResultOk)
        return 0;
    if (authAt != 0) {
        Check(authAt + message.authParams.size() <= size);
        Check(message.authParams ==
              std::string(reinterpret_cast<const char*>(data) + authAt, message.authParams.size()));
        std::string copy(reinterpret_cast<const char*>(data), size);
        const std::string key(20, 'k');
        if (SignSnmpMessage(kSnmpAuthSha1, key, copy.data(), copy.size(), authAt) == 0)
            Check(CheckSnmpSignature(kSnmpAuthSha1, key, copy.data(), copy.size(), authAt));
    }
    // Values that came in as text must go out again, unless they do not fit
    // a message of the codec's largest size.
    BerCodec pdu, whole;
    uint32_t builtAt = 0;
    if (BuildSnmpPdu(message, bindings, pdu) != kResultOk ||
        BuildSnmpMessage(message, pdu, whole, &builtAt) != kResultOk)
        return 0;
    SnmpMessage again;
    SnmpBindings againBindings;
    uint32_t againAt = 0;
    Check(ParseSnmpMessage(whole.Buffer().Data(), whole.Buffer().Length(), again, againBindings, &againAt) ==
          kResultOk);
    Check(againAt == builtAt);
    Check(SameBindings(bindings, againBindings));
    Check(again.pduType == message.pduType && again.requestId == message.requestId && again.user == message.user &&
          again.engineId == message.engineId && again.engineTime == message.engineTime);
    return 0;
}
