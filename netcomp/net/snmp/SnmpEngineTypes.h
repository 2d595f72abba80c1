#pragma once
// What a component tells the SNMP engine it is (its role and its event
// numbers), the engine's actions and its result codes.

// The component's event numbers for what the SNMP engine reports; 0 where
// the component has no such event. Error, which the shared layers fire too,
// comes from the component's event table (EventTable.h).
struct SnmpEventNumbers {
    int badPacket;
    int discoveryRequest;
    int discoveryResponse;
    int getBulkRequest;
    int getNextRequest;
    int getRequest;
    int getUserPassword;
    int informRequest;
    int packetTrace;
    int report;
    int response;
    int setRequest;
    int trap;
};

enum class SnmpRole { None, Manager, Agent };

// The operations a component starts (DoAction).
enum SnmpAction : int {
    kSnmpActionReset = 0,
    kSnmpActionGet = 1,
    kSnmpActionGetNext = 2,
    kSnmpActionSet = 3,
    kSnmpActionResponse = 4,
    kSnmpActionTrap = 5,
    kSnmpActionGetBulk = 6,
    kSnmpActionInform = 7,
    kSnmpActionDiscoverEngine = 8,
    kSnmpActionDiscoverTime = 9,
    kSnmpActionReport = 10,
    kSnmpActionReportFailure = 11,
};

// Result codes of the SNMP components (texts in the engine).
constexpr int kSnmpTimeout = 301;
constexpr int kSnmpTooManyObjects = 302;
constexpr int kSnmpBadAction = 304;
constexpr int kSnmpBusy = 307;
constexpr int kSnmpSignatureWrong = 308;
constexpr int kSnmpNoLocalPassword = 309;
constexpr int kSnmpSignatureMissing = 310;
constexpr int kSnmpRemoteTimeUnknown = 311;
constexpr int kSnmpTimeoutNeeded = 312;
constexpr int kSnmpAnsweredByReport = 313;
constexpr int kSnmpMismatch = 318;
constexpr int kSnmpWrongRole = 319;
constexpr int kSnmpIgnored = 320;
constexpr int kSnmpNotSigned = 321;
constexpr int kSnmpNoSuchOid = 322;
