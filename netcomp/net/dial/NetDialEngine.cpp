// Every action binds RAS when it is not bound yet, starts the deadline and
// is refused while another runs; one that ends with a RAS error returns the
// RAS code with its text. Hanging up waits, in 100 ms steps, for the
// connection to report itself gone, but never past the Timeout: a
// connection that keeps answering (as Wine's always does) ends the wait
// with 301 "Timeout.".
#include "netcomp/net/dial/NetDialEngine.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_netdial.h"

namespace {

constexpr EventTable kNetDialEvents = {{SharedEvent::Error, kNetDialEventError}};
constexpr UINT kFallbackDialMessage = 52429;
constexpr DWORD kNotifyWindow = 0xFFFFFFFF;
constexpr DWORD kEntryOptions = 0x210;
constexpr std::size_t kMaxErrorText = 150;
// Every record handed to a RAS function has this much room behind the size
// it declares: later versions of a record are larger, and an implementation
// that writes its own version whatever the size says must not run past it.
constexpr std::size_t kSlack = 4096;

struct ExtOption {
    const char* key;
    DWORD bit;
};
constexpr ExtOption kExtOptions[] = {
    {"PausedStates", 0x2},
    {"IgnoreModemSpeaker", 0x4},
    {"SetModemSpeaker", 0x8},
    {"IgnoreSoftwareCompression", 0x10},
    {"SetSoftwareCompression", 0x20},
    {"PauseOnScript", 0x400},
    {"UseCustomScripting", 0x2000},
};

void Put(std::vector<std::uint8_t>& record, std::size_t offset, std::size_t size, const std::string& text)
{
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(record.data() + offset, text.data(), n);
    std::memset(record.data() + offset + n, 0, size - n);
}

std::string Take(const std::uint8_t* record, std::size_t offset, std::size_t size)
{
    const char* p = reinterpret_cast<const char*>(record + offset);
    return std::string(p, strnlen(p, size));
}

DWORD ReadDword(const std::uint8_t* p)
{
    DWORD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void WriteDword(std::uint8_t* p, DWORD v)
{
    std::memcpy(p, &v, sizeof v);
}

} // namespace

NetDialEngine::NetDialEngine() : m_record(ras::kEntrySize + kSlack, 0)
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

const char* NetDialEngine::RecordText(std::size_t offset)
{
    const std::size_t size = offset == ras::kEntryDeviceType ? 17 : 129;
    m_text = Take(m_record.data(), offset, size);
    return m_text.c_str();
}

void NetDialEngine::SetRecordText(std::size_t offset, std::size_t size, const char* text)
{
    Put(m_record, offset, size, Cut(text, size - 1));
}

// Address fields hold the four parts in memory order, as the platform's
// RASIPADDR does.
const char* NetDialEngine::RecordAddress(std::size_t offset)
{
    const std::uint8_t* a = m_record.data() + offset;
    m_text.clear();
    if (ReadDword(a) != 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", (unsigned long)a[0], (unsigned long)a[1],
                      (unsigned long)a[2], (unsigned long)a[3]);
        m_text = text;
    }
    return m_text.c_str();
}

void NetDialEngine::SetRecordAddress(std::size_t offset, const char* text)
{
    std::uint8_t parts[4] = {};
    const char* p = text ? text : "";
    for (int i = 0; i < 4 && *p; ++i) {
        unsigned long v = std::strtoul(p, const_cast<char**>(&p), 10);
        parts[i] = std::uint8_t(v);
        if (*p == '.')
            ++p;
        else
            break;
    }
    std::memcpy(m_record.data() + offset, parts, 4);
}

int NetDialEngine::SetPhoneBookEntry(const char* text)
{
    m_entry = Cut(text, 256);
    std::fill(m_record.begin(), m_record.end(), 0);
    if (m_entry.empty() || !m_api.getEntryProperties)
        return kResultOk;
    WriteDword(m_record.data(), DWORD(ras::kEntrySize));
    DWORD size = DWORD(ras::kEntrySize);
    const DWORD rc = m_api.getEntryProperties(m_phoneBook.empty() ? nullptr : m_phoneBook.c_str(), m_entry.c_str(),
                                              m_record.data(), &size, nullptr, nullptr);
    if (rc != 0)
        std::fill(m_record.begin(), m_record.end(), 0);
    return kResultOk;
}

int NetDialEngine::BeginAction(State state)
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
    return kResultOk;
}

int NetDialEngine::EndAction(int rc)
{
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
    int rc = BeginAction(State::Dialing);
    if (rc != kResultOk)
        return rc;
    m_aborted = false;
    std::vector<std::uint8_t> params(ras::kDialParamsSize + kSlack, 0);
    WriteDword(params.data(), DWORD(ras::kDialParamsSize));
    const char* book = m_phoneBook.empty() ? nullptr : m_phoneBook.c_str();
    if (m_entry.empty()) {
        Put(params, ras::kDialPhone, 129, m_phoneNumber);
        Put(params, ras::kDialCallback, 129, m_callbackNumber);
        Put(params, ras::kDialUser, 257, m_user);
        Put(params, ras::kDialPassword, 257, m_password);
        Put(params, ras::kDialDomain, 16, m_domain);
    } else {
        Put(params, ras::kDialEntry, 257, m_entry);
        if (m_api.getCredentials) {
            std::vector<std::uint8_t> credentials(ras::kCredentialsSize + kSlack, 0);
            WriteDword(credentials.data(), DWORD(ras::kCredentialsSize));
            WriteDword(credentials.data() + ras::kCredentialsMask, 0x7); // user, password, domain
            m_rasError = m_api.getCredentials(book, m_entry.c_str(), credentials.data());
            if (m_rasError == 0) {
                const DWORD mask = ReadDword(credentials.data() + ras::kCredentialsMask);
                if (mask & 0x1)
                    Put(params, ras::kDialUser, 257, Take(credentials.data(), ras::kCredentialsUser, 257));
                if (mask & 0x2)
                    Put(params, ras::kDialPassword, 257, Take(credentials.data(), ras::kCredentialsPassword, 257));
                if (mask & 0x4)
                    Put(params, ras::kDialDomain, 16, Take(credentials.data(), ras::kCredentialsDomain, 16));
            }
        } else if (m_api.getEntryDialParams) {
            BOOL password = FALSE;
            m_rasError = m_api.getEntryDialParams(book, params.data(), &password);
        }
        if (m_rasError != 0)
            return EndAction(kResultOk);
    }
    m_done = false;
    m_connection = nullptr;

    if (interactive) {
        HMODULE dialogs = LoadLibraryA("rasdlg.dll");
        if (!dialogs) {
            SetResultText("Can't load the RAS library.");
            return EndAction(kNoRasLibrary);
        }
        // RASDIALDLG: dwSize, hwndOwner, dwFlags, xDlg, yDlg, dwSubEntry, dwError, reserved, reserved2.
        using DialDialogFn = BOOL(WINAPI*)(LPSTR, LPSTR, LPSTR, void*);
        // Wine's RasDialDlgA is a stub that aborts the process: taken as missing.
        const auto dialog =
            ras::UnderWine()
                ? nullptr
                : reinterpret_cast<DialDialogFn>(reinterpret_cast<void*>(GetProcAddress(dialogs, "RasDialDlgA")));
        if (!dialog) {
            FreeLibrary(dialogs);
            SetResultText("Can't load the RasDialDlg function.");
            return EndAction(kNoRasLibrary);
        }
        struct {
            DWORD dwSize;
            HWND hwndOwner;
            DWORD dwFlags;
            LONG xDlg, yDlg;
            DWORD dwSubEntry, dwError;
            ULONG_PTR reserved, reserved2;
        } info = {};
        info.dwSize = sizeof info;
        std::string book2 = m_phoneBook, entry = m_entry, phone = m_phoneNumber;
        if (!dialog(book2.empty() ? nullptr : &book2[0], &entry[0], phone.empty() ? nullptr : &phone[0], &info))
            m_rasError = info.dwError;
        FreeLibrary(dialogs);
        return EndAction(kResultOk);
    }

    std::uint8_t extensions[16] = {};
    WriteDword(extensions, sizeof extensions);
    WriteDword(extensions + 8, m_extFlags);
    HANDLE connection = nullptr;
    m_rasError = m_api.dial(m_extFlags != 0 ? extensions : nullptr, book, params.data(), kNotifyWindow,
                            reinterpret_cast<void*>(m_window), &connection);
    if (m_rasError != 0) {
        if (connection && m_api.hangUp)
            m_api.hangUp(connection);
        m_connection = nullptr;
        return EndAction(kResultOk);
    }
    m_connection = connection;
    rc = kResultOk;
    while (!m_done && !m_aborted) {
        if (!WaitStep(20, m_window)) {
            rc = kInterrupted;
            break;
        }
        if (m_connection && m_api.getConnectStatus) {
            std::uint8_t status[ras::kStatusSize + kSlack] = {};
            WriteDword(status, DWORD(ras::kStatusSize));
            if (m_api.getConnectStatus(m_connection, status) == 0 &&
                ReadDword(status + ras::kStatusState) == ras::kStateConnected)
                m_done = true;
        }
    }
    return EndAction(rc);
}

int NetDialEngine::Disconnect()
{
    const int rc = BeginAction(State::HangingUp);
    if (rc != kResultOk)
        return rc;
    return EndAction(HangUp());
}

int NetDialEngine::HangUp()
{
    int rc = kResultOk;
    if (m_connection && m_api.hangUp) {
        m_api.hangUp(m_connection);
        while (m_api.getConnectStatus) {
            std::uint8_t status[ras::kStatusSize + kSlack] = {};
            WriteDword(status, DWORD(ras::kStatusSize));
            const DWORD answer = m_api.getConnectStatus(m_connection, status);
            if (answer == ras::kInvalidHandle) {
                FireStatus(int(ras::kStateDisconnected), 0);
                break;
            }
            FireStatus(int(ReadDword(status + ras::kStatusState)), int(ReadDword(status + ras::kStatusError)));
            const DWORD start = Now();
            bool waited = true;
            while (waited && Now() - start < 100)
                waited = WaitStep(20, m_window) != 0;
            if (!waited) {
                rc = kInterrupted;
                if (DeadlinePassed())
                    SetResultText("Timeout.");
                break;
            }
        }
    }
    m_connection = nullptr;
    m_aborted = true;
    return rc;
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
    const bool paused = state >= 0x1000 && state <= 0x1003;
    const bool final = state == int(ras::kStateConnected) || state == int(ras::kStateDisconnected);
    const bool failed = (state >= 601 && state <= 752) || error != 0;
    if (paused || failed) {
        if (m_connection && m_api.hangUp)
            m_api.hangUp(m_connection);
        m_done = true;
    } else if (final) {
        m_done = true;
    }
    if (failed && error != 0 && m_state == State::Dialing)
        m_rasError = DWORD(error);
    return 0;
}

int NetDialEngine::ListEntries()
{
    int rc = BeginAction(State::Listing);
    if (rc != kResultOk)
        return rc;
    if (!m_api.enumEntries)
        return EndAction(kResultOk);
    const char* book = m_phoneBook.empty() ? nullptr : m_phoneBook.c_str();
    DWORD size = DWORD(ras::kEntryNameSize), count = 0;
    std::vector<std::uint8_t> buffer(size + kSlack, 0);
    WriteDword(buffer.data(), DWORD(ras::kEntryNameSize));
    DWORD answer = m_api.enumEntries(nullptr, book, buffer.data(), &size, &count);
    if (answer == ras::kBufferTooSmall) {
        buffer.assign(size + kSlack, 0);
        WriteDword(buffer.data(), DWORD(ras::kEntryNameSize));
        answer = m_api.enumEntries(nullptr, book, buffer.data(), &size, &count);
    }
    m_rasError = answer;
    if (answer == 0) {
        for (DWORD i = 0; i < count && (i + 1) * ras::kEntryNameSize <= buffer.size(); ++i) {
            const std::string name = Take(buffer.data() + i * ras::kEntryNameSize, ras::kEntryNameName, 257);
            const char* n = name.c_str();
            Fire(kNetDialEventPhoneBookEntry, {EventParam::Text(&n)});
        }
    }
    return EndAction(kResultOk);
}

int NetDialEngine::ListConnections()
{
    int rc = BeginAction(State::Listing);
    if (rc != kResultOk)
        return rc;
    if (!m_api.enumConnections)
        return EndAction(kResultOk);
    DWORD size = DWORD(ras::kConnSize), count = 0;
    std::vector<std::uint8_t> buffer(size + kSlack, 0);
    WriteDword(buffer.data(), DWORD(ras::kConnSize));
    DWORD answer = m_api.enumConnections(buffer.data(), &size, &count);
    if (answer == ras::kBufferTooSmall) {
        buffer.assign(size + kSlack, 0);
        WriteDword(buffer.data(), DWORD(ras::kConnSize));
        answer = m_api.enumConnections(buffer.data(), &size, &count);
    }
    m_rasError = answer;
    if (answer == 0) {
        for (DWORD i = 0; i < count && (i + 1) * ras::kConnSize <= buffer.size(); ++i) {
            const std::uint8_t* c = buffer.data() + i * ras::kConnSize;
            HANDLE handle;
            std::memcpy(&handle, c + ras::kConnHandle, sizeof handle);
            std::string state;
            if (m_api.getConnectStatus) {
                std::uint8_t status[ras::kStatusSize + kSlack] = {};
                WriteDword(status, DWORD(ras::kStatusSize));
                if (m_api.getConnectStatus(handle, status) == 0)
                    state = ras::Describe(int(ReadDword(status + ras::kStatusState)));
            }
            int h = int(reinterpret_cast<std::intptr_t>(handle));
            const std::string name = Take(c, ras::kConnName, 257), type = Take(c, ras::kConnDeviceType, 17),
                              device = Take(c, ras::kConnDeviceName, 129);
            const char *n = name.c_str(), *t = type.c_str(), *d = device.c_str(), *s = state.c_str();
            Fire(kNetDialEventConnectedEntry, {EventParam::Int(&h), EventParam::Text(&n), EventParam::Text(&t),
                                               EventParam::Text(&d), EventParam::Text(&s)});
        }
    }
    return EndAction(kResultOk);
}

int NetDialEngine::ListDevices()
{
    int rc = BeginAction(State::Listing);
    if (rc != kResultOk)
        return rc;
    if (!m_api.enumDevices)
        return EndAction(kResultOk);
    DWORD size = DWORD(ras::kDeviceSize), count = 0;
    std::vector<std::uint8_t> buffer(size + kSlack, 0);
    WriteDword(buffer.data(), DWORD(ras::kDeviceSize));
    DWORD answer = m_api.enumDevices(buffer.data(), &size, &count);
    if (answer == ras::kBufferTooSmall) {
        buffer.assign(size + kSlack, 0);
        WriteDword(buffer.data(), DWORD(ras::kDeviceSize));
        answer = m_api.enumDevices(buffer.data(), &size, &count);
    }
    m_rasError = answer;
    if (answer == 0) {
        for (DWORD i = 0; i < count && (i + 1) * ras::kDeviceSize <= buffer.size(); ++i) {
            const std::uint8_t* d = buffer.data() + i * ras::kDeviceSize;
            const std::string name = Take(d, ras::kDeviceName, 129), type = Take(d, ras::kDeviceType, 17);
            const char *n = name.c_str(), *t = type.c_str();
            Fire(kNetDialEventDevice, {EventParam::Text(&n), EventParam::Text(&t)});
        }
    }
    return EndAction(kResultOk);
}

int NetDialEngine::CreateEntry()
{
    int rc = BeginAction(State::Listing);
    if (rc != kResultOk)
        return rc;
    if (!m_api.getEntryProperties || !m_api.setEntryProperties)
        return EndAction(kResultOk);
    const char* book = m_phoneBook.empty() ? nullptr : m_phoneBook.c_str();
    std::vector<std::uint8_t> existing(ras::kEntrySize + kSlack, 0);
    WriteDword(existing.data(), DWORD(ras::kEntrySize));
    DWORD size = DWORD(ras::kEntrySize);
    const DWORD read = m_api.getEntryProperties(book, m_entry.c_str(), existing.data(), &size, nullptr, nullptr);
    if (read == 0) {
        SetResultText("Entry already exists.");
        return EndAction(kEntryExists);
    }
    if (read != ras::kEntryNotFound && read != ERROR_INVALID_PARAMETER) {
        m_rasError = read;
        return EndAction(kResultOk);
    }
    WriteDword(m_record.data(), DWORD(ras::kEntrySize));
    WriteDword(m_record.data() + ras::kEntryOptions, kEntryOptions);
    m_rasError = m_api.setEntryProperties(book, m_entry.c_str(), m_record.data(), DWORD(ras::kEntrySize), nullptr, 0);
    if (m_rasError == 0 && m_api.setEntryDialParams) {
        std::vector<std::uint8_t> params(ras::kDialParamsSize + kSlack, 0);
        WriteDword(params.data(), DWORD(ras::kDialParamsSize));
        Put(params, ras::kDialEntry, 257, m_entry);
        Put(params, ras::kDialPhone, 129, m_phoneNumber);
        Put(params, ras::kDialCallback, 129, m_callbackNumber);
        Put(params, ras::kDialUser, 257, m_user);
        Put(params, ras::kDialPassword, 257, m_password);
        Put(params, ras::kDialDomain, 16, m_domain);
        m_rasError = m_api.setEntryDialParams(book, params.data(), FALSE);
    }
    return EndAction(kResultOk);
}

int NetDialEngine::DeleteEntry()
{
    int rc = BeginAction(State::Listing);
    if (rc != kResultOk)
        return rc;
    if (m_api.deleteEntry) {
        const DWORD answer = m_api.deleteEntry(m_phoneBook.empty() ? nullptr : m_phoneBook.c_str(), m_entry.c_str());
        m_rasError = answer == ras::kNoSuchName ? 0 : answer;
    }
    return EndAction(kResultOk);
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
