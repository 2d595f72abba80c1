#pragma once
// Dials and hangs up remote access (dial-up) connections and manages
// phone-book entries through the platform's RAS functions (RasApi.h).
// Dial progress arrives at the hidden window as the registered message
// "RasDialEvent" and is raised as Status.
//
// Under Wine the RAS functions are stubs: lists are empty, an entry reads
// as present, dialing fails with 1, and a connection's status is always
// answered; nothing can really be dialed.
#include <cstdint>
#include <string>
#include <vector>

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
    void SetCallbackNumber(const char* text) { m_callbackNumber = Cut(text, 128); }
    const char* GetDomain() const { return m_domain.c_str(); }
    void SetDomain(const char* text) { m_domain = Cut(text, 15); }
    const char* GetPassword() const { return m_password.c_str(); }
    void SetPassword(const char* text) { m_password = Cut(text, 256); }
    const char* GetPhoneBook() const { return m_phoneBook.c_str(); }
    void SetPhoneBook(const char* text) { m_phoneBook = Cut(text, 256); }
    const char* GetPhoneBookEntry() const { return m_entry.c_str(); }
    [[nodiscard]] int SetPhoneBookEntry(const char* text);
    const char* GetPhoneNumber() const { return m_phoneNumber.c_str(); }
    void SetPhoneNumber(const char* text) { m_phoneNumber = Cut(text, 128); }
    const char* GetUser() const { return m_user.c_str(); }
    void SetUser(const char* text) { m_user = Cut(text, 256); }
    const char* GetEntryDeviceName() { return RecordText(ras::kEntryDeviceName); }
    void SetEntryDeviceName(const char* text) { SetRecordText(ras::kEntryDeviceName, 129, text); }
    const char* GetEntryDeviceType() { return RecordText(ras::kEntryDeviceType); }
    void SetEntryDeviceType(const char* text) { SetRecordText(ras::kEntryDeviceType, 17, text); }
    const char* GetEntryPhoneNumber() { return RecordText(ras::kEntryLocalPhone); }
    void SetEntryPhoneNumber(const char* text) { SetRecordText(ras::kEntryLocalPhone, 129, text); }
    const char* GetEntryIpAddress() { return RecordAddress(ras::kEntryIp); }
    void SetEntryIpAddress(const char* text) { SetRecordAddress(ras::kEntryIp, text); }
    const char* GetEntryDnsAddress() { return RecordAddress(ras::kEntryDns); }
    void SetEntryDnsAddress(const char* text) { SetRecordAddress(ras::kEntryDns, text); }
    const char* GetEntryWinsAddress() { return RecordAddress(ras::kEntryWins); }
    void SetEntryWinsAddress(const char* text) { SetRecordAddress(ras::kEntryWins, text); }
    std::intptr_t GetHandle() const { return reinterpret_cast<std::intptr_t>(m_connection); }
    void SetHandle(std::intptr_t handle) { m_connection = reinterpret_cast<HANDLE>(handle); }
    bool GetIdle() const { return m_state == State::Idle; }
    bool RasAvailable() const { return m_api.dial != nullptr; }

    // Tests put functions of their own in place of the platform's.
    void ReplaceApi(const ras::Api& api) { m_api = api; }

private:
    // Listing: the lists and the phone-book actions.
    enum class State { Idle, Dialing, HangingUp, Listing };

    static std::string Cut(const char* text, std::size_t limit);
    // The common start of every action: the library bound, the deadline
    // started, another action refused. 0 or the code to return.
    [[nodiscard]] int BeginAction(State state);
    [[nodiscard]] int EndAction(int rc);
    [[nodiscard]] int Dial(bool interactive);
    [[nodiscard]] int HangUp();
    void FireStatus(int state, int error);

    const char* RecordText(std::size_t offset);
    void SetRecordText(std::size_t offset, std::size_t size, const char* text);
    const char* RecordAddress(std::size_t offset);
    void SetRecordAddress(std::size_t offset, const char* text);

    ras::Api m_api;
    State m_state = State::Idle;
    std::string m_callbackNumber, m_domain, m_password, m_phoneBook, m_entry, m_phoneNumber, m_user;
    HANDLE m_connection = nullptr;
    DWORD m_rasError = 0;
    std::vector<std::uint8_t> m_record; // the entry properties
    bool m_done = false;
    bool m_aborted = false;
    UINT m_dialMessage = 0;
    DWORD m_extFlags = 1;
    bool m_interactive = false;
    std::string m_text;
};
