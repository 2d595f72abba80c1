#pragma once
// One SNMP message as the engine builds or receives it (SNMPv1 and SNMPv2c,
// RFC 1157 and 1901; SNMPv3 with the user-based security model, RFC 3412 and
// 3414), and its conversion to and from the bytes of a datagram.
#include <cstdint>
#include <string>

#include "netcomp/net/ber/BerCodec.h"
#include "netcomp/net/snmp/SnmpBindings.h"

// PDU tags (RFC 3416; 0xA4 is the SNMPv1 Trap of RFC 1157).
enum SnmpPduType : uint8_t {
    kSnmpGetRequest = 0xA0,
    kSnmpGetNextRequest = 0xA1,
    kSnmpResponse = 0xA2,
    kSnmpSetRequest = 0xA3,
    kSnmpTrapV1 = 0xA4,
    kSnmpGetBulkRequest = 0xA5,
    kSnmpInformRequest = 0xA6,
    kSnmpTrapV2 = 0xA7,
    kSnmpReport = 0xA8,
};

// Wire values of msgVersion.
enum SnmpWireVersion : int { kSnmpWireV1 = 0, kSnmpWireV2c = 1, kSnmpWireV3 = 3 };

// msgFlags bits.
constexpr uint8_t kSnmpFlagAuth = 0x01;
constexpr uint8_t kSnmpFlagPriv = 0x02;
constexpr uint8_t kSnmpFlagReportable = 0x04;

constexpr int kSnmpUserSecurityModel = 3;
constexpr int kSnmpAuthParamsSize = 12;

constexpr int kSnmpBadVersion = 305;
constexpr int kSnmpBadSecurityModel = 316;

struct SnmpMessage {
    int version = kSnmpWireV2c;
    std::string community;
    // SNMPv3 header and security parameters.
    int32_t msgId = 0;
    int32_t msgMaxSize = 0;
    uint8_t msgFlags = 0;
    int32_t securityModel = kSnmpUserSecurityModel;
    std::string engineId;
    uint32_t engineBoots = 0;
    uint32_t engineTime = 0;
    std::string user;
    std::string authParams;
    std::string privParams;
    std::string contextEngineId;
    std::string contextName;
    // The PDU; a GetBulkRequest carries non-repeaters and max-repetitions
    // where the others carry error-status and error-index.
    uint8_t pduType = 0;
    int32_t requestId = 0;
    int32_t errorStatus = 0;
    int32_t errorIndex = 0;
    int32_t nonRepeaters = 0;
    int32_t maxRepetitions = 0;
    // SNMPv1 Trap fields.
    std::string enterprise;
    uint8_t agentAddress[4] = {};
    int32_t genericTrap = 0;
    int32_t specificTrap = 0;
    uint32_t timeStamp = 0;
};

// The PDU alone (tag and all) from the message's PDU fields and bindings:
// 0, or the value's code (AppendSnmpValue) or the codec's.
[[nodiscard]] int BuildSnmpPdu(const SnmpMessage& message, const SnmpBindings& bindings, BerCodec& pdu);

// The whole message around a PDU built before. For SNMPv3 with a non-empty
// authParams, *authOffset is where its 12 bytes lie in out (they are written
// as given; signing fills them in later).
[[nodiscard]] int BuildSnmpMessage(const SnmpMessage& message, const BerCodec& pdu, BerCodec& out,
                                   uint32_t* authOffset);

// Reads a datagram into message and bindings (bindings past the 256th are
// skipped). For SNMPv3, *authOffset is where the authentication parameters'
// bytes lie in data (0 when they are empty). 0; 305 for another version,
// 316 for another security model, the codec's 446/447 for malformed bytes.
[[nodiscard]] int ParseSnmpMessage(const char* data, uint32_t length, SnmpMessage& message, SnmpBindings& bindings,
                                   uint32_t* authOffset);

// The name of an error-status value (RFC 3416), "<unknown error>" outside them.
const char* SnmpErrorStatusName(int status);
