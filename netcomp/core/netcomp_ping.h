#pragma once
// Property, method and event numbers of the Ping component.

enum PingProp : int {
    kPingActive = 1,
    kPingLocalHost = 2,
    kPingPacketSize = 3,
    kPingRemoteHost = 4,
    kPingRequestId = 5,
    kPingResponseSource = 6,
    kPingResponseTime = 7,
    kPingTimeout = 8,
    kPingTimeToLive = 9,
    kPingMessageType = 10,
};

enum PingMethod : int {
    kPingConfig = 1,
    kPingDoEvents = 2,
    kPingInterrupt = 3,
    kPingPingHost = 4,
    kPingWakeOnLan = 5,
    kPingMethodCount = 5,
};

enum PingEvent : int {
    kPingEventError = 1,
    kPingEventResponse = 2,
};
