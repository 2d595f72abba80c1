#pragma once
// Dials and hangs up remote access (dial-up) connections and manages
// phone-book entries through the platform's RAS functions (RasApi.h).
// Dial progress arrives at the hidden window as the registered message
// "RasDialEvent" and is raised as Status.
//
// Under Wine the RAS functions are stubs: lists are empty, an entry reads
// as present, dialing fails with 1, a connection's status is always
// answered and no error has a description; nothing can really be dialed.
#include <cstdint>
#include <string>

#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/net/dial/RasApi.h"

class NetDialEngine : public NetComponent {
public:
    static constexpr int kBusy = 143;
    static constexpr int kNoRasLibrary = 300;
    static constexpr int kEntryExists = 302;

    NetDialEngine();
    ~NetDialEngine() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    [[nodiscard]] int Connect();
    [[nodiscard]] int ShowDialDialog();
    [[nodiscard]] int Disconnect();
    [[nodiscard]] int CreateEntry();
    [[nodiscard]] int DeleteEntry();
    [[nodiscard]] int ListConnections();
    [[nodiscard]] int ListDevices();
    [[nodiscard]] int ListEntries();

    const char* GetCallbackNumber() const { return m_callbackNumber.c_str(); }
    void SetCallbackNumber(const char* text) { m_callbackNumber = Cut(text, RAS_MaxCallbackNumber); }
    const char* GetDomain() const { return m_domain.c_str(); }
    void SetDomain(const char* text) { m_domain = Cut(text, DNLEN); }
    const char* GetPassword() const { return m_password.c_str(); }
    void SetPassword(const char* text) { m_password = Cut(text, PWLEN); }
    const char* GetPhoneBook() const { return m_phoneBook.c_str(); }
    void SetPhoneBook(const char* text) { m_phoneBook = Cut(text, 256); }
    const char* GetPhoneBookEntry() const { return m_entry.c_str(); }
    [[nodiscard]] int SetPhoneBookEntry(const char* text);
    const char* GetPhoneNumber() const { return m_phoneNumber.c_str(); }
    void SetPhoneNumber(const char* text) { m_phoneNumber = Cut(text, RAS_MaxPhoneNumber); }
    const char* GetUser() const { return m_user.c_str(); }
    void SetUser(const char* text) { m_user = Cut(text, UNLEN); }
    const char* GetEntryDeviceName();
    void SetEntryDeviceName(const char* text);
    const char* GetEntryDeviceType();
    void SetEntryDeviceType(const char* text);
    const char* GetEntryPhoneNumber();
    void SetEntryPhoneNumber(const char* text);
    const char* GetEntryIpAddress() { return AddressText(m_record.record.ipaddr); }
    void SetEntryIpAddress(const char* text) { SetAddress(m_record.record.ipaddr, text); }
    const char* GetEntryDnsAddress() { return AddressText(m_record.record.ipaddrDns); }
    void SetEntryDnsAddress(const char* text) { SetAddress(m_record.record.ipaddrDns, text); }
    const char* GetEntryWinsAddress() { return AddressText(m_record.record.ipaddrWins); }
    void SetEntryWinsAddress(const char* text) { SetAddress(m_record.record.ipaddrWins, text); }
    std::intptr_t GetHandle() const { return reinterpret_cast<std::intptr_t>(m_connection); }
    void SetHandle(std::intptr_t handle) { m_connection = reinterpret_cast<HRASCONN>(handle); }
    bool GetIdle() const { return m_state == State::Idle; }
    bool RasAvailable() const { return m_api.dial != nullptr; }

    // Tests put functions of their own in place of the platform's.
    void ReplaceApi(const ras::Api& api) { m_api = api; }

private:
    // Listing: the lists and the phone-book actions.
    enum class State { Idle, Dialing, HangingUp, Listing };

    static std::string Cut(const char* text, std::size_t limit);
    template <std::size_t N>
    static void Put(CHAR (&field)[N], const std::string& text);
    template <std::size_t N>
    static std::string Take(const CHAR (&field)[N]);
    template <std::size_t N>
    const char* Keep(const CHAR (&field)[N]);
    const char* AddressText(const RASIPADDR& address);
    static void SetAddress(RASIPADDR& address, const char* text);
    void PutDialParams(RASDIALPARAMSA& params) const;

    // An action: the library bound, the deadline started, another action
    // refused; then `body`, which leaves a RAS error in m_rasError. Its
    // result, or the RAS code with its text.
    template <class Body>
    [[nodiscard]] int RunAction(State state, Body&& body);
    [[nodiscard]] int Dial(bool interactive);
    [[nodiscard]] int DialWithDialog();
    [[nodiscard]] int HangUp();
    void DropConnection();
    [[nodiscard]] int WaitEnded();
    void FireStatus(int state, int error);

    ras::Api m_api;
    State m_state = State::Idle;
    std::string m_callbackNumber, m_domain, m_password, m_phoneBook, m_entry, m_phoneNumber, m_user;
    HRASCONN m_connection = nullptr;
    DWORD m_rasError = 0;
    ras::Padded<RASENTRYA> m_record{ras::kEntrySize}; // the entry properties
    bool m_done = false;
    bool m_aborted = false;
    UINT m_dialMessage = 0;
    DWORD m_extFlags = RDEOPT_UsePrefixSuffix;
    bool m_interactive = false;
    std::string m_text;
};
