#pragma once
// The LDAP component's engine: a directory client for LDAP versions 2 and 3.
// Each method is an action that sends one request and, with a Timeout, waits
// until the server's answer to it has come; the answers arrive as events.
#include <cstdint>
#include <string>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/tcp/TcpClient.h"
#include "netcomp/net/ldap/LdapMessages.h"

constexpr int kLdapInvalidAction = 333;
constexpr int kLdapBusy = 334;
constexpr int kLdapUnknownResponse = 336;
constexpr int kLdapPagingStopped = 337;

class LdapEngine : public TcpClient {
public:
    // The longest message taken from the server.
    static constexpr uint32_t kMaxMessage = 32u << 20;
    // The most entries a caller's attribute list holds (a request holds 64 KB).
    static constexpr int kMaxAttributes = 65535;
    // A paged search gives up after this many pages in a row without an
    // entry (or at once when the server sends a page's cookie again).
    static constexpr int kMaxEmptyPages = 100;

    LdapEngine();

    [[nodiscard]] int Bind();
    [[nodiscard]] int Unbind();
    [[nodiscard]] int Search(const char* filter);
    [[nodiscard]] int Modify();
    [[nodiscard]] int Add();
    [[nodiscard]] int Delete();
    [[nodiscard]] int Compare();
    [[nodiscard]] int ModifyRdn(const char* newRdn);
    [[nodiscard]] int Abandon(int messageId);
    [[nodiscard]] int ExtendedRequest(const char* name, const char* value, int length);
    [[nodiscard]] int InterruptAction();

    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    bool Idle() const { return m_action == kNoAction; }

    // The attribute list, 1-based; during a SearchResult event the entry's.
    int AttrCount() const { return int(List().size()); }
    [[nodiscard]] int SetAttrCount(int count);
    [[nodiscard]] int CheckAttrIndex(int index);
    int AttrModOp(int index) const { return List()[size_t(index - 1)].modOp; }
    [[nodiscard]] int SetAttrModOp(int index, int op);
    const char* AttrType(int index) const { return List()[size_t(index - 1)].type.c_str(); }
    [[nodiscard]] int SetAttrType(int index, const char* type);
    ByteView AttrValue(int index) const;
    [[nodiscard]] int SetAttrValue(int index, const char* data, int length);

    bool DeleteOldRdn() const { return m_deleteOldRdn; }
    void SetDeleteOldRdn(bool on) { m_deleteOldRdn = on; }
    const char* Dn() const { return m_dn.c_str(); }
    [[nodiscard]] int SetDn(const char* dn);
    int LdapVersion() const { return m_version; }
    void SetLdapVersion(int version) { m_version = version; }
    int MessageId() const { return m_messageId; }
    [[nodiscard]] int SetMessageId(int id);
    int PageSize() const { return m_pageSize; }
    void SetPageSize(int size) { m_pageSize = size < 0 ? 0 : size; }
    const char* Password() const { return m_password.c_str(); }
    [[nodiscard]] int SetPassword(const char* password);
    int ResultCode() const { return m_resultCode; }
    const char* ResultDescription() const { return m_resultDescription.c_str(); }
    const char* ResultDn() const { return m_resultDn.c_str(); }
    int DerefAliases() const { return m_search.derefAliases; }
    void SetDerefAliases(int value) { m_search.derefAliases = value; }
    bool ReturnValues() const { return !m_search.typesOnly; }
    void SetReturnValues(bool on) { m_search.typesOnly = !on; }
    int Scope() const { return m_search.scope; }
    void SetScope(int scope) { m_search.scope = scope; }
    int SizeLimit() const { return m_search.sizeLimit; }
    void SetSizeLimit(int limit) { m_search.sizeLimit = limit; }
    int TimeLimit() const { return m_search.timeLimit; }
    void SetTimeLimit(int seconds) { m_search.timeLimit = seconds; }
    const char* SortAttributes() const { return m_sortKeys.c_str(); }
    [[nodiscard]] int SetSortAttributes(const char* keys);
    int TimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }

protected:
    // An answer's events may come when no method waits (Timeout 0, or after
    // a wait timed out): while they run, the component is as busy as inside
    // a waiting method, and the attribute list is the entry's.
    bool EngineBusy() const override { return m_answering; }
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;
    void OnDisconnected(int code) override;

private:
    enum Action : int {
        kNoAction = -1,
        kDisconnectAction = 0,
        kBindAction = 1,
        kUnbindAction = 2,
        kSearchAction = 3,
        kModifyAction = 4,
        kModifyRdnAction = 5,
        kAddAction = 6,
        kDeleteAction = 7,
        kCompareAction = 8,
        kAbandonAction = 9,
        kExtendedAction = 10,
    };

    const LdapAttributeList& List() const { return m_inEntry ? m_entry : m_request; }
    [[nodiscard]] int DoAction(int action);
    [[nodiscard]] int Prepare(int action, BerCodec& op, NetString& controls);
    [[nodiscard]] int Perform(int action, const NetStringBase& op, const NetStringBase& controls);
    [[nodiscard]] int BuildOperation(int action, BerCodec& op);
    [[nodiscard]] int SendRequest(const NetStringBase& op, const NetStringBase& controls);
    [[nodiscard]] int SendSearchPage(const std::string& cookie);
    [[nodiscard]] int WaitForAnswer();
    void EndAction(int code);
    int Consume(const char* data, uint32_t n, uint32_t& used);
    void Handle(const char* data, uint32_t n);
    void TakeResult(const LdapResponse& response);
    void HandleSearchDone(const LdapResponse& response);
    // Whether the server's next page may still be asked for; else the
    // search ends with kLdapPagingStopped.
    bool PagingGoesOn(const std::string& cookie);
    void FailReceive(int code, const char* text);
    void ClearResult();

    int m_action = kNoAction;
    int m_actionResult = 0;
    int m_waitId = -1; // the message id whose answer ends the action
    bool m_waiting = false;

    int m_version = 2;
    int m_messageId = 1;
    bool m_deleteOldRdn = false;
    std::string m_dn;
    std::string m_password;
    int m_pageSize = 0;
    LdapSearchParams m_search;
    std::string m_sortKeys;
    NetString m_sortControl;

    // What the running action sends: the method's arguments.
    std::string m_filter;
    std::string m_newRdn;
    int m_abandonId = 0;
    std::string m_extendedName;
    std::string m_extendedValue;
    // The search being paged: its operation, sent again with each cookie.
    NetString m_searchOp;
    bool m_paging = false;
    std::string m_lastCookie;
    int m_pageEntries = 0; // entries of the page being read
    int m_emptyPages = 0;  // pages in a row that brought none

    LdapAttributeList m_request;
    LdapAttributeList m_entry;
    bool m_inEntry = false;

    int m_resultCode = 0;
    std::string m_resultDescription;
    std::string m_resultDn;

    bool m_answering = false; // the events of received messages run
    std::string m_pending;    // the start of a message not yet whole
    LdapResponse m_response;
};
