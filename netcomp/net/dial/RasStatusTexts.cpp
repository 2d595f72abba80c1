// The connection states a dial passes through, and the platform's English
// descriptions of the RAS errors 600 to 752. Codes the platform keeps for
// its own use have their names as their descriptions, as the platform gives
// them. Status events and error texts always come from here, never from the
// platform's own descriptions, which a system in another language translates.
#include "netcomp/net/dial/RasStatusTexts.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>

namespace ras {

namespace {

struct Row {
    int code;
    const char* text;
};

constexpr Row kRows[] = {
    {0, "Open port"},
    {1, "Port opened"},
    {2, "Connect device"},
    {3, "Device connected"},
    {4, "All devices connected"},
    {5, "Authenticate"},
    {6, "Authenticate: notify"},
    {7, "Authentication: retry"},
    {8, "Authentication: callback"},
    {9, "Authentication: change password"},
    {10, "Authentication: project"},
    {11, "Authentication: link speed"},
    {12, "Authentication: acknowledge"},
    {13, "Reauthentication"},
    {14, "Authenticated"},
    {15, "Prepare for callback"},
    {16, "Wait for modem reset"},
    {17, "Wait for modem callback"},
    {18, "Projected"},
    {19, "Start authentication"},
    {20, "Callback complete"},
    {21, "Logon network"},
    {600, "An operation is pending."},
    {601, "The port handle is invalid."},
    {602, "The port is already open."},
    {603, "Caller's buffer is too small."},
    {604, "Wrong information specified."},
    {605, "Cannot set port information."},
    {606, "The port is not connected."},
    {607, "The event is invalid."},
    {608, "The device does not exist."},
    {609, "The device type does not exist."},
    {610, "The buffer is invalid."},
    {611, "The route is not available."},
    {612, "The route is not allocated."},
    {613, "Invalid compression specified."},
    {614, "Out of buffers."},
    {615, "The port was not found."},
    {616, "An asynchronous request is pending."},
    {617, "The port or device is already disconnecting."},
    {618, "The port is not open."},
    {619, "The port is disconnected."},
    {620, "There are no endpoints."},
    {621, "Cannot open the phone book file."},
    {622, "Cannot load the phone book file."},
    {623, "Cannot find the phone book entry."},
    {624, "Cannot write the phone book file."},
    {625, "Invalid information found in the phone book file."},
    {626, "Cannot load a string."},
    {627, "Cannot find key."},
    {628, "The port was disconnected."},
    {629, "The port was disconnected by the remote machine."},
    {630, "The port was disconnected due to hardware failure."},
    {631, "The port was disconnected by the user."},
    {632, "The structure size is incorrect."},
    {633, "The port is already in use or is not configured for Remote Access dial out."},
    {634, "Cannot register your computer on the remote network."},
    {635, "Unknown error."},
    {636, "The wrong device is attached to the port."},
    {637, "The string could not be converted."},
    {638, "The request has timed out."},
    {639, "No asynchronous net available."},
    {640, "A NetBIOS error has occurred."},
    {641, "The server cannot allocate NetBIOS resources needed to support the client."},
    {642, "One of your NetBIOS names is already registered on the remote network."},
    {643, "A network adapter at the server failed."},
    {644, "You will not receive network message popups."},
    {645, "Internal authentication error."},
    {646, "The account is not permitted to logon at this time of day."},
    {647, "The account is disabled."},
    {648, "The password has expired."},
    {649, "The account does not have Remote Access permission."},
    {650, "The Remote Access server is not responding."},
    {651, "Your modem (or other connecting device) has reported an error."},
    {652, "Unrecognized response from the device."},
    {653, "A macro required by the device was not found in the device .INF file section."},
    {654, "A command or response in the device .INF file section refers to an undefined macro."},
    {655, "The <message> macro was not found in the device .INF file section."},
    {656, "The <defaultoff> macro in the device .INF file section contains an undefined macro."},
    {657, "The device .INF file could not be opened."},
    {658, "The device name in the device .INF or media .INI file is too long."},
    {659, "The media .INI file refers to an unknown device name."},
    {660, "The device .INF file contains no responses for the command."},
    {661, "The device .INF file is missing a command."},
    {662, "Attempted to set a macro not listed in device .INF file section."},
    {663, "The media .INI file refers to an unknown device type."},
    {664, "Cannot allocate memory."},
    {665, "The port is not configured for Remote Access."},
    {666, "Your modem (or other connecting device) is not functioning."},
    {667, "Cannot read the media .INI file."},
    {668, "The connection dropped."},
    {669, "The usage parameter in the media .INI file is invalid."},
    {670, "Cannot read the section name from the media .INI file."},
    {671, "Cannot read the device type from the media .INI file."},
    {672, "Cannot read the device name from the media .INI file."},
    {673, "Cannot read the usage from the media .INI file."},
    {674, "Cannot read the maximum connection BPS rate from the media .INI file."},
    {675, "Cannot read the maximum carrier BPS rate from the media .INI file."},
    {676, "The line is busy."},
    {677, "A person answered instead of a modem."},
    {678, "There is no answer."},
    {679, "Cannot detect carrier."},
    {680, "There is no dial tone."},
    {681, "General error reported by device."},
    {682, "ERROR_WRITING_SECTIONNAME"},
    {683, "ERROR_WRITING_DEVICETYPE"},
    {684, "ERROR_WRITING_DEVICENAME"},
    {685, "ERROR_WRITING_MAXCONNECTBPS"},
    {686, "ERROR_WRITING_MAXCARRIERBPS"},
    {687, "ERROR_WRITING_USAGE"},
    {688, "ERROR_WRITING_DEFAULTOFF"},
    {689, "ERROR_READING_DEFAULTOFF"},
    {690, "ERROR_EMPTY_INI_FILE"},
    {691, "Access denied because username and/or password is invalid on the domain."},
    {692, "Hardware failure in port or attached device."},
    {693, "ERROR_NOT_BINARY_MACRO"},
    {694, "ERROR_DCB_NOT_FOUND"},
    {695, "ERROR_STATE_MACHINES_NOT_STARTED"},
    {696, "ERROR_STATE_MACHINES_ALREADY_STARTED"},
    {697, "ERROR_PARTIAL_RESPONSE_LOOPING"},
    {698, "A response keyname in the device .INF file is not in the expected format."},
    {699, "The device response caused buffer overflow."},
    {700, "The expanded command in the device .INF file is too long."},
    {701, "The device moved to a BPS rate not supported by the COM driver."},
    {702, "Device response received when none expected."},
    {703, "ERROR_INTERACTIVE_MODE"},
    {704, "ERROR_BAD_CALLBACK_NUMBER"},
    {705, "ERROR_INVALID_AUTH_STATE"},
    {706, "ERROR_WRITING_INITBPS"},
    {707, "X.25 diagnostic indication."},
    {708, "The account has expired."},
    {709, "Error changing password on domain.  The password may be too short or may match a previously used "
          "password."},
    {710, "Serial overrun errors were detected while communicating with your modem."},
    {711, "RasMan initialization failure.  Check the event log."},
    {712, "Biplex port is initializing.  Wait a few seconds and redial."},
    {713, "No active ISDN lines are available."},
    {714, "Not enough ISDN channels are available to make the call."},
    {715, "Too many errors occurred because of poor phone line quality."},
    {716, "The Remote Access IP configuration is unusable."},
    {717, "No IP addresses are available in the static pool of Remote Access IP addresses."},
    {718, "Timed out waiting for a valid response from the remote PPP peer."},
    {719, "PPP terminated by remote machine."},
    {720, "No PPP control protocols configured."},
    {721, "Remote PPP peer is not responding."},
    {722, "The PPP packet is invalid."},
    {723, "The phone number, including prefix and suffix, is too long."},
    {724, "The IPX protocol cannot dial-out on the port because the computer is an IPX router."},
    {725, "The IPX protocol cannot dial-in on the port because the IPX router is not installed."},
    {726, "The IPX protocol cannot be used for dial-out on more than one port at a time."},
    {727, "Cannot access TCPCFG.DLL."},
    {728, "Cannot find an IP adapter bound to Remote Access."},
    {729, "SLIP cannot be used unless the IP protocol is installed."},
    {730, "Computer registration is not complete."},
    {731, "The protocol is not configured."},
    {732, "The PPP negotiation is not converging."},
    {733, "The PPP control protocol for this network protocol is not available on the server."},
    {734, "The PPP link control protocol terminated."},
    {735, "The requested address was rejected by the server."},
    {736, "The remote computer terminated the control protocol."},
    {737, "Loopback detected."},
    {738, "The server did not assign an address."},
    {739, "The authentication protocol required by the remote server cannot use the Windows NT encrypted "
          "password.  Redial, entering the password explicitly."},
    {740, "Invalid TAPI configuration."},
    {741, "The local computer does not support the required encryption type."},
    {742, "The remote computer does not support the required encryption type."},
    {743, "The remote computer requires encryption."},
    {744, "Cannot use the IPX network number assigned by remote server.  Check the event log."},
    {745, "ERROR_INVALID_SMM"},
    {746, "ERROR_SMM_UNINITIALIZED"},
    {747, "ERROR_NO_MAC_FOR_PORT"},
    {748, "ERROR_SMM_TIMEOUT"},
    {749, "ERROR_BAD_PHONE_NUMBER"},
    {750, "ERROR_WRONG_MODULE"},
    {751, "The callback number contains an invalid character.  Only the following 18 characters are allowed:  0 "
          "to 9, T, P, W, (, ), -, @, and space."},
    {752, "A syntax error was encountered while processing a script."},
    {4096, "Interactive"},
    {4097, "Retry authentication"},
    {4098, "Callback set by Caller"},
    {4099, "Password expired"},
    {8192, "Connected"},
    {8193, "Disconnected"},
};

constexpr bool Ascending()
{
    for (std::size_t i = 1; i < std::size(kRows); ++i)
        if (kRows[i - 1].code >= kRows[i].code)
            return false;
    return true;
}

static_assert(std::size(kRows) == kStatusTextCount, "one row per state and RAS error");
static_assert(Ascending(), "looked up by binary search");

} // namespace

const char* StatusText(int code)
{
    const Row* end = std::end(kRows);
    const Row* row = std::lower_bound(std::begin(kRows), end, code, [](const Row& r, int c) { return r.code < c; });
    return row != end && row->code == code ? row->text : nullptr;
}

namespace {

std::string NoDescription(int code)
{
    return "[" + std::to_string(code) + "] (no description available)";
}

} // namespace

std::string Describe(int code)
{
    if (const char* text = StatusText(code))
        return text;
    return NoDescription(code);
}

std::string DescribeError(int code)
{
    return code >= kFirstError ? Describe(code) : NoDescription(code);
}

} // namespace ras
