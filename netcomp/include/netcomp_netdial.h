/* Property, method and event numbers of the NetDial component (NetDial_Get,
 * NetDial_Set, NetDial_Do and the event callback). */
#ifndef NETCOMP_NETDIAL_H
#define NETCOMP_NETDIAL_H

enum NetDialProp {
    kNetDialCallbackNumber = 1,
    kNetDialDomain = 2,
    kNetDialEntryDeviceName = 3,
    kNetDialEntryDeviceType = 4,
    kNetDialEntryDNSAddress = 5,
    kNetDialEntryIPAddress = 6,
    kNetDialEntryPhoneNumber = 7,
    kNetDialEntryWINSAddress = 8,
    kNetDialHandle = 9,
    kNetDialIdle = 10,
    kNetDialPassword = 11,
    kNetDialPhoneBook = 12,
    kNetDialPhoneBookEntry = 13,
    kNetDialPhoneNumber = 14,
    kNetDialRASAvailable = 15,
    kNetDialTimeout = 16,
    kNetDialUser = 17
};

enum NetDialMethod {
    kNetDialConfig = 1,
    kNetDialConnect = 2,
    kNetDialCreateEntry = 3,
    kNetDialDeleteEntry = 4,
    kNetDialDisconnect = 5,
    kNetDialDoEvents = 6,
    kNetDialInterrupt = 7,
    kNetDialListConnections = 8,
    kNetDialListDevices = 9,
    kNetDialListEntries = 10,
    kNetDialShowDialDialog = 11
};

/* ConnectedEntry: connection handle (pointer-sized), entry name, device
 * type, device name, status description (texts). Device: device name, device type
 * (texts). Error: code (int), description (text). PhoneBookEntry: entry
 * name (text). Status: connection state (int), error code (int), state
 * description, error description (texts). */
enum NetDialEvent {
    kNetDialEventConnectedEntry = 1,
    kNetDialEventDevice = 2,
    kNetDialEventError = 3,
    kNetDialEventPhoneBookEntry = 4,
    kNetDialEventStatus = 5
};

#endif /* NETCOMP_NETDIAL_H */
