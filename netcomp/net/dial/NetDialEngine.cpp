// Every action binds RAS when it is not bound yet, starts the deadline and
// is refused while another runs; one that ends with a RAS error returns the
// RAS code with its text. A hang-up that RAS refuses ends with its code;
// one it takes waits, in 100 ms steps, for the connection to report itself
// gone, but never past the Timeout: a connection that keeps answering (as
// Wine's always does) ends the wait with 301 "Timeout.". A dial that does
// not end connected (a paused state, an error, the Timeout, an interrupt)
// hangs up what it has made so far, so that no line stays held behind a
// failed Connect.
#include "netcomp/net/dial/NetDialEngine.h"

#include <raserror.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_netdial.h"
#include "netcomp/net/dial/RasStatusTexts.h"

namespace {

constexpr EventTable kNetDialEvents = {{SharedEvent::Error, kNetDialEventError}};
constexpr UINT kFallbackDialMessage = 52429;
constexpr DWORD kNotifyWindow = 0xFFFFFFFF;
constexpr DWORD kEntryOptions = RASEO_SwCompression | RASEO_RemoteDefaultGateway;
constexpr std::size_t kMaxErrorText = 150;

struct ExtOption {
    const char* key;
    DWORD bit;
};
constexpr ExtOption kExtOptions[] = {
    {"PausedStates", RDEOPT_PausedStates},
    {"IgnoreModemSpeaker", RDEOPT_IgnoreModemSpeaker},
    {"SetModemSpeaker", RDEOPT_SetModemSpeaker},
    {"IgnoreSoftwareCompression", RDEOPT_IgnoreSoftwareCompression},
    {"SetSoftwareCompression", RDEOPT_SetSoftwareCompression},
    {"PauseOnScript", RDEOPT_PauseOnScript},
    {"UseCustomScripting", RDEOPT_UseCustomScripting},
};

// Calls one of the platform's enumerations with room for one record of
// `size` bytes, and again with the room it asks for. The platform lays its
// records out `size` bytes apart, so Record is the layout of that size.
// 0 with the records, or the RAS code.
template <class Record, class Call>
DWORD Enumerate(DWORD size, Call&& call, std::vector<Record>& records)
{
    const std::size_t room = ras::kRecordRoom / sizeof(Record) + 1;
    DWORD bytes = size, count = 0;
    records.assign(1 + room, Record{});
    records[0].dwSize = size;
    DWORD answer = call(records.data(), &bytes, &count);
    if (answer == ERROR_BUFFER_TOO_SMALL) {
        records.assign(bytes / sizeof(Record) + 1 + room, Record{});
        records[0].dwSize = size;
        answer = call(records.data(), &bytes, &count);
    }
    records.resize(answer == 0 ? std::min<std::size_t>(count, records.size()) : 0);
    return answer;
}

} // namespace

NetDialEngine::NetDialEngine()
{
    SetEventTable(kNetDialEvents);
    Setup(false);
    (void)SetTimeout(60);
    m_dialMessage = RegisterWindowMessageA("RasDialEvent");
    if (m_dialMessage == 0)
        m_dialMessage = kFallbackDialMessage;
    (void)ras::Bind(m_api);
}

NetDialEngine::~NetDialEngine()
{
    m_done = true;
}

std::string NetDialEngine::Cut(const char* text, std::size_t limit)
{
    return text ? std::string(text, strnlen(text, limit)) : std::string();
}

template <std::size_t N>
void NetDialEngine::Put(CHAR (&field)[N], const std::string& text)
{
    const std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, N - n);
}

template <std::size_t N>
std::string NetDialEngine::Take(const CHAR (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

template <std::size_t N>
const char* NetDialEngine::Keep(const CHAR (&field)[N])
{
    m_text = Take(field);
    return m_text.c_str();
}

const char* NetDialEngine::GetEntryDeviceName()
{
    return Keep(m_record.record.szDeviceName);
}

void NetDialEngine::SetEntryDeviceName(const char* text)
{
    Put(m_record.record.szDeviceName, Cut(text, RAS_MaxDeviceName));
}

const char* NetDialEngine::GetEntryDeviceType()
{
    return Keep(m_record.record.szDeviceType);
}

void NetDialEngine::SetEntryDeviceType(const char* text)
{
    Put(m_record.record.szDeviceType, Cut(text, RAS_MaxDeviceType));
}

const char* NetDialEngine::GetEntryPhoneNumber()
{
    return Keep(m_record.record.szLocalPhoneNumber);
}

void NetDialEngine::SetEntryPhoneNumber(const char* text)
{
    Put(m_record.record.szLocalPhoneNumber, Cut(text, RAS_MaxPhoneNumber));
}

const char* NetDialEngine::AddressText(const RASIPADDR& address)
{
    m_text.clear();
    if (address.a != 0 || address.b != 0 || address.c != 0 || address.d != 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", (unsigned long)address.a, (unsigned long)address.b,
                      (unsigned long)address.c, (unsigned long)address.d);
        m_text = text;
    }
    return m_text.c_str();
}

void NetDialEngine::SetAddress(RASIPADDR& address, const char* text)
{
    BYTE parts[4] = {};
    const char* p = text ? text : "";
    for (int i = 0; i < 4 && *p; ++i) {
        unsigned long v = std::strtoul(p, const_cast<char**>(&p), 10);
        parts[i] = BYTE(v);
        if (*p == '.')
            ++p;
        else
            break;
    }
    address.a = parts[0];
    address.b = parts[1];
    address.c = parts[2];
    address.d = parts[3];
}

void NetDialEngine::PutDialParams(RASDIALPARAMSA& params) const
{
    Put(params.szPhoneNumber, m_phoneNumber);
    Put(params.szCallbackNumber, m_callbackNumber);
    Put(params.szUserName, m_user);
    Put(params.szPassword, m_password);
    Put(params.szDomain, m_domain);
}

int NetDialEngine::SetPhoneBookEntry(const char* text)
{
    m_entry = Cut(text, RAS_MaxEntryName);
    m_record.Clear(ras::kEntrySize);
    if (m_entry.empty() || !m_api.getEntryProperties)
        return kResultOk;
    DWORD size = ras::kEntrySize;
    if (m_api.getEntryProperties(m_phoneBook.empty() ? nullptr : m_phoneBook.c_str(), m_entry.c_str(), &m_record.record,
                                 &size, nullptr, nullptr) != 0)
        m_record.Clear(ras::kEntrySize);
    return kResultOk;
}

template <class Body>
int NetDialEngine::RunAction(State state, Body&& body)
{
    SetLastErrorText("");
    if (!m_api.dial && !ras::Bind(m_api)) {
        SetLastErrorText("Can't load the RAS library.");
        return kNoRasLibrary;
    }
    if (m_state != State::Idle) {
        SetLastErrorText("Busy performing current action.");
        return kBusy;
    }
    StartTimeout();
    m_rasError = 0;
    m_state = state;
    int rc;
    try {
        rc = body();
    } catch (const std::bad_alloc&) {
        rc = kOutOfMemory;
    }
    m_state = State::Idle;
    if (m_rasError != 0) {
        const std::string text = ras::DescribeError(int(m_rasError)).substr(0, kMaxErrorText);
        SetResultText(text.c_str());
        return int(m_rasError);
    }
    return rc;
}

int NetDialEngine::Connect()
{
    return Dial(m_interactive);
}

int NetDialEngine::ShowDialDialog()
{
    return Dial(true);
}

int NetDialEngine::Dial(bool interactive)
{
    return RunAction(State::Dialing, [&]() -> int {
        m_aborted = false;
        ras::Padded<RASDIALPARAMSA> params(ras::kDialParamsSize);
        const char* book = m_phoneBook.empty() ? nullptr : m_phoneBook.c_str();
        if (m_entry.empty()) {
            PutDialParams(params.record);
        } else {
            Put(params.record.szEntryName, m_entry);
            if (m_api.getCredentials) {
                ras::Padded<RASCREDENTIALSA> credentials(sizeof(RASCREDENTIALSA));
                RASCREDENTIALSA& c = credentials.record;
                c.dwMask = RASCM_UserName | RASCM_Password | RASCM_Domain;
                m_rasError = m_api.getCredentials(book, m_entry.c_str(), &c);
                if (m_rasError == 0 && (c.dwMask & RASCM_UserName))
                    Put(params.record.szUserName, Take(c.szUserName));
                if (m_rasError == 0 && (c.dwMask & RASCM_Password))
                    Put(params.record.szPassword, Take(c.szPassword));
                if (m_rasError == 0 && (c.dwMask & RASCM_Domain))
                    Put(params.record.szDomain, Take(c.szDomain));
            } else if (m_api.getEntryDialParams) {
                BOOL password = FALSE;
                m_rasError = m_api.getEntryDialParams(book, &params.record, &password);
            }
            if (m_rasError != 0)
                return kResultOk;
        }
        m_done = false;
        m_connection = nullptr;
        if (interactive)
            return DialWithDialog();
        if (!m_window)
            return kNoNotifyWindow; // the dial's progress comes to the window

        ras::Padded<RASDIALEXTENSIONS> extensions(ras::kDialExtensionsSize);
        extensions.record.dwfOptions = m_extFlags;
        HRASCONN connection = nullptr;
        m_rasError = m_api.dial(m_extFlags != 0 ? &extensions.record : nullptr, book, &params.record, kNotifyWindow,
                                reinterpret_cast<void*>(m_window), &connection);
        m_connection = connection;
        if (m_rasError != 0) {
            DropConnection();
            return kResultOk;
        }
        while (!m_done && !m_aborted) {
            if (!WaitStep(20, m_window)) {
                DropConnection();
                return WaitEnded();
            }
            if (m_connection && m_api.getConnectStatus) {
                ras::Padded<RASCONNSTATUSA> status(ras::kStatusSize);
                if (m_api.getConnectStatus(m_connection, &status.record) == 0 &&
                    status.record.rasconnstate == RASCS_Connected)
                    m_done = true;
            }
        }
        return kResultOk;
    });
}

// The platform's own dial dialog, which dials by itself.
int NetDialEngine::DialWithDialog()
{
    ras::DialDialogFn dialog = m_api.dialDialog;
    if (!dialog) {
        bool loaded = false;
        dialog = ras::DialDialog(&loaded);
        if (!loaded) {
            SetResultText("Can't load the RAS library.");
            return kNoRasLibrary;
        }
        if (!dialog) {
            SetResultText("Can't load the RasDialDlg function.");
            return kNoRasLibrary;
        }
    }
    RASDIALDLG info = {};
    info.dwSize = sizeof info;
    std::string book = m_phoneBook, entry = m_entry, phone = m_phoneNumber;
    if (!dialog(book.empty() ? nullptr : &book[0], &entry[0], phone.empty() ? nullptr : &phone[0], &info))
        m_rasError = info.dwError;
    return kResultOk;
}

int NetDialEngine::Disconnect()
{
    return RunAction(State::HangingUp, [this] { return HangUp(); });
}

int NetDialEngine::HangUp()
{
    int rc = kResultOk;
    if (m_connection && m_api.hangUp) {
        // A handle that names no connection is refused here; polling its
        // status would only report it gone, as if it had been hung up.
        m_rasError = m_api.hangUp(m_connection);
        while (m_rasError == 0 && m_api.getConnectStatus) {
            ras::Padded<RASCONNSTATUSA> status(ras::kStatusSize);
            const DWORD answer = m_api.getConnectStatus(m_connection, &status.record);
            if (answer == ERROR_INVALID_HANDLE) {
                FireStatus(RASCS_Disconnected, 0);
                break;
            }
            FireStatus(int(status.record.rasconnstate), int(status.record.dwError));
            const DWORD start = Now();
            bool waited = true;
            while (waited && Now() - start < 100)
                waited = WaitStep(20, m_window) != 0;
            if (!waited) {
                rc = WaitEnded();
                break;
            }
        }
    }
    m_connection = nullptr;
    m_aborted = true;
    return rc;
}

// Hangs up a connection a dial leaves half made, without waiting for it to go.
void NetDialEngine::DropConnection()
{
    if (m_connection && m_api.hangUp)
        m_api.hangUp(m_connection);
    m_connection = nullptr;
}

int NetDialEngine::WaitEnded()
{
    if (DeadlinePassed())
        SetResultText("Timeout.");
    return kInterrupted;
}

void NetDialEngine::FireStatus(int state, int error)
{
    const std::string stateText = ras::Describe(state);
    const std::string errorText = error == 0 ? std::string("OK") : ras::DescribeError(error);
    const char* s = stateText.c_str();
    const char* e = errorText.c_str();
    Fire(kNetDialEventStatus,
         {EventParam::Int(&state), EventParam::Int(&error), EventParam::Text(&s), EventParam::Text(&e)});
}

LRESULT NetDialEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != m_dialMessage)
        return NetComponent::WindowProc(message, wParam, lParam);
    const int state = int(wParam);
    const int error = int(lParam);
    FireStatus(state, error);
    const bool paused = state >= RASCS_Interactive && state <= RASCS_PasswordExpired;
    const bool final = state == RASCS_Connected || state == RASCS_Disconnected;
    const bool failed = (state > PENDING && state <= ras::kLastError) || error != 0;
    if (paused || failed) {
        // A paused dial waits for input that this component never gives.
        if (m_state == State::Dialing && m_rasError == 0)
            m_rasError = error != 0 ? DWORD(error) : paused ? DWORD(ERROR_INTERACTIVE_MODE) : DWORD(state);
        DropConnection();
        m_done = true;
    } else if (final) {
        m_done = true;
    }
    return 0;
}

int NetDialEngine::ListEntries()
{
    return RunAction(State::Listing, [this] {
        if (!m_api.enumEntries)
            return kResultOk;
        const char* book = m_phoneBook.empty() ? nullptr : m_phoneBook.c_str();
        std::vector<ras::EntryName> entries;
        m_rasError = Enumerate(
            sizeof(ras::EntryName),
            [&](ras::EntryName* records, DWORD* bytes, DWORD* count) {
                return m_api.enumEntries(nullptr, book, reinterpret_cast<RASENTRYNAMEA*>(records), bytes, count);
            },
            entries);
        for (const ras::EntryName& entry : entries) {
            const std::string name = Take(entry.szEntryName);
            const char* n = name.c_str();
            Fire(kNetDialEventPhoneBookEntry, {EventParam::Text(&n)});
        }
        return kResultOk;
    });
}

int NetDialEngine::ListConnections()
{
    return RunAction(State::Listing, [this] {
        if (!m_api.enumConnections)
            return kResultOk;
        std::vector<ras::Connection> connections;
        m_rasError = Enumerate(
            sizeof(ras::Connection),
            [&](ras::Connection* records, DWORD* bytes, DWORD* count) {
                return m_api.enumConnections(reinterpret_cast<RASCONNA*>(records), bytes, count);
            },
            connections);
        for (const ras::Connection& c : connections) {
            std::string state;
            if (m_api.getConnectStatus) {
                ras::Padded<RASCONNSTATUSA> status(ras::kStatusSize);
                if (m_api.getConnectStatus(c.hrasconn, &status.record) == 0)
                    state = ras::Describe(int(status.record.rasconnstate));
            }
            std::intptr_t h = reinterpret_cast<std::intptr_t>(c.hrasconn);
            const std::string name = Take(c.szEntryName), type = Take(c.szDeviceType), device = Take(c.szDeviceName);
            const char *n = name.c_str(), *t = type.c_str(), *d = device.c_str(), *s = state.c_str();
            Fire(kNetDialEventConnectedEntry, {EventParam::IntPtr(&h), EventParam::Text(&n), EventParam::Text(&t),
                                               EventParam::Text(&d), EventParam::Text(&s)});
        }
        return kResultOk;
    });
}

int NetDialEngine::ListDevices()
{
    return RunAction(State::Listing, [this] {
        if (!m_api.enumDevices)
            return kResultOk;
        std::vector<RASDEVINFOA> devices;
        m_rasError = Enumerate(sizeof(RASDEVINFOA), m_api.enumDevices, devices);
        for (const RASDEVINFOA& device : devices) {
            const std::string name = Take(device.szDeviceName), type = Take(device.szDeviceType);
            const char *n = name.c_str(), *t = type.c_str();
            Fire(kNetDialEventDevice, {EventParam::Text(&n), EventParam::Text(&t)});
        }
        return kResultOk;
    });
}

int NetDialEngine::CreateEntry()
{
    return RunAction(State::Listing, [this] {
        if (!m_api.getEntryProperties || !m_api.setEntryProperties)
            return kResultOk;
        const char* book = m_phoneBook.empty() ? nullptr : m_phoneBook.c_str();
        ras::Padded<RASENTRYA> existing(ras::kEntrySize);
        DWORD size = ras::kEntrySize;
        const DWORD read = m_api.getEntryProperties(book, m_entry.c_str(), &existing.record, &size, nullptr, nullptr);
        if (read == 0) {
            SetResultText("Entry already exists.");
            return kEntryExists;
        }
        if (read != ERROR_CANNOT_FIND_PHONEBOOK_ENTRY && read != ERROR_INVALID_PARAMETER) {
            m_rasError = read;
            return kResultOk;
        }
        m_record.record.dwSize = ras::kEntrySize;
        m_record.record.dwfOptions = kEntryOptions;
        m_rasError = m_api.setEntryProperties(book, m_entry.c_str(), &m_record.record, ras::kEntrySize, nullptr, 0);
        if (m_rasError == 0 && m_api.setEntryDialParams) {
            ras::Padded<RASDIALPARAMSA> params(ras::kDialParamsSize);
            Put(params.record.szEntryName, m_entry);
            PutDialParams(params.record);
            m_rasError = m_api.setEntryDialParams(book, &params.record, FALSE);
        }
        return kResultOk;
    });
}

int NetDialEngine::DeleteEntry()
{
    return RunAction(State::Listing, [this] {
        if (m_api.deleteEntry) {
            const DWORD answer =
                m_api.deleteEntry(m_phoneBook.empty() ? nullptr : m_phoneBook.c_str(), m_entry.c_str());
            m_rasError = answer == ERROR_INVALID_NAME ? 0 : answer;
        }
        return kResultOk;
    });
}

int NetDialEngine::Config(const ConfigArg& arg, const char** answer)
{
    const char* v = arg.value.CStr();
    if (arg.KeyIs("InteractiveDial")) {
        if (arg.query)
            return AnswerBool(m_interactive, answer);
        m_interactive = ParseConfigBool(v);
        return kResultOk;
    }
    if (arg.KeyIs("RasDialExtFlags")) {
        if (arg.query)
            return AnswerInt(int(m_extFlags), answer);
        return SetConfigInt(arg, [this](int n) {
            m_extFlags = DWORD(n);
            return kResultOk;
        });
    }
    for (const ExtOption& o : kExtOptions) {
        if (!arg.KeyIs(o.key))
            continue;
        if (arg.query)
            return AnswerBool((m_extFlags & o.bit) != 0, answer);
        m_extFlags = ParseConfigBool(v) ? (m_extFlags | o.bit) : (m_extFlags & ~o.bit);
        return kResultOk;
    }
    return NetComponent::Config(arg, answer);
}
