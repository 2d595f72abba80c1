#pragma once
// Property, method and event numbers of the UDPPort component.

enum UdpPortProp : int {
    kUdpPortAcceptData = 1,
    kUdpPortActive = 2,
    kUdpPortDataToSend = 3,
    kUdpPortDontRoute = 4,
    kUdpPortLocalHost = 5,
    kUdpPortLocalPort = 6,
    kUdpPortRemoteHost = 7,
    kUdpPortRemotePort = 8,
    kUdpPortTimeToLive = 9,
};

enum UdpPortMethod : int {
    kUdpPortConfig = 1,
    kUdpPortDoEvents = 2,
    kUdpPortSend = 3,
    kUdpPortMethodCount = 3,
};

enum UdpPortEvent : int {
    kUdpPortEventDataIn = 1,
    kUdpPortEventError = 2,
    kUdpPortEventReadyToSend = 3,
};
