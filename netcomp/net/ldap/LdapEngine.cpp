// Every method runs one action: the request goes out under the next message
// id, and the action lasts until the answer with that id has come (a bind,
// a modify ... result, the end of a search, an extended response). With a
// Timeout the method waits for it in wait steps; with Timeout 0 it returns
// once the request is sent, and the answer ends the action when it comes.
// An action that needs a connection binds first.
//
// The socket delivers bytes as they arrive (no record terminator); they are
// cut into whole LDAPMessages here, a partial one kept until the rest comes.
// Answers are matched by message id, so an answer that crossed an Abandon or
// belongs to a request whose wait timed out ends nothing; its events still fire.
//
// A search with a PageSize goes on by itself: each page's end that carries a
// cookie fires SearchPage and, unless the owner cancels, the same search is
// sent again with the cookie, until a page comes without one.
#include "netcomp/net/ldap/LdapEngine.h"

#include <cstdio>
#include <new>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_ldap.h"
#include "netcomp/net/ldap/LdapFilter.h"

namespace {

constexpr EventTable kLdapEvents = {
    {SharedEvent::Connected, kLdapEventConnected},
    {SharedEvent::ConnectionStatus, kLdapEventConnectionStatus},
    {SharedEvent::Disconnected, kLdapEventDisconnected},
    {SharedEvent::Error, kLdapEventError},
};

// Reads of a search reply move whole blocks at a time.
constexpr uint32_t kReadBuffer = 64 * 1024;

static_assert(kLdapPagingStopped == NETCOMP_LDAP_PAGING_STOPPED);
static_assert(LdapEngine::kMaxMessage == 33554432, "netcomp_ldap.h tells the bound");

const char* const kDecodeError = "Error decoding incoming data.";
const char* const kMemoryError = "Out of memory while receiving data.";

} // namespace

LdapEngine::LdapEngine()
{
    SetEventTable(kLdapEvents);
    (void)Init();
    (void)SetRemotePort(389);
    (void)SetReadBufferSize(kReadBuffer);
    (void)SetTimeout(60);
    SetHoldReplies(false);
}

int LdapEngine::Bind()
{
    return DoAction(kBindAction);
}

int LdapEngine::Unbind()
{
    return DoAction(kUnbindAction);
}

int LdapEngine::Search(const char* filter)
{
    m_filter = filter ? filter : "";
    return DoAction(kSearchAction);
}

int LdapEngine::Modify()
{
    return DoAction(kModifyAction);
}

int LdapEngine::Add()
{
    return DoAction(kAddAction);
}

int LdapEngine::Delete()
{
    return DoAction(kDeleteAction);
}

int LdapEngine::Compare()
{
    return DoAction(kCompareAction);
}

int LdapEngine::ModifyRdn(const char* newRdn)
{
    m_newRdn = newRdn ? newRdn : "";
    return DoAction(kModifyRdnAction);
}

int LdapEngine::Abandon(int messageId)
{
    m_abandonId = messageId;
    return DoAction(kAbandonAction);
}

int LdapEngine::ExtendedRequest(const char* name, const char* value, int length)
{
    m_extendedName = name ? name : "";
    m_extendedValue.assign(value ? value : "", value && length > 0 ? size_t(length) : 0);
    return DoAction(kExtendedAction);
}

// Stops a waiting method; an action that nobody waits for (Timeout 0) is
// given up, so that the next one may start.
int LdapEngine::InterruptAction()
{
    Interrupt();
    if (!m_waiting && m_action != kNoAction)
        EndAction(kInterrupted);
    return kResultOk;
}

int LdapEngine::SetConnectedState(bool on)
{
    if (!on)
        return DoAction(kDisconnectAction);
    StartTimeout();
    return Connect();
}

int LdapEngine::DoAction(int action)
{
    SetLastErrorText("");
    // An Abandon is meant to go out while another request runs (and leaves
    // its result alone); so is a disconnect from an action that nobody waits for.
    const bool beside = action == kAbandonAction || (action == kDisconnectAction && !m_waiting);
    if (m_action != kNoAction && !beside) {
        SetLastErrorText("Busy performing current action.");
        return kLdapBusy;
    }
    if (action != kAbandonAction)
        ClearResult();
    if (action < kDisconnectAction || action > kExtendedAction) {
        SetLastErrorText("Invalid Action code");
        return kLdapInvalidAction;
    }
    if (action == kDisconnectAction) {
        EndAction(kResultOk);
        StartTimeout();
        return Disconnect();
    }
    // The request is made first: one that cannot be made goes nowhere.
    BerCodec op;
    NetString controls;
    int rc = Prepare(action, op, controls);
    if (rc != kResultOk)
        return rc;
    if (!IsConnected() && action > kUnbindAction && action != kAbandonAction) {
        BerCodec bind;
        NetString none;
        rc = Prepare(kBindAction, bind, none);
        if (rc == kResultOk)
            rc = Perform(kBindAction, bind.Buffer(), none);
        if (rc != kResultOk)
            return rc;
        ClearResult();
    }
    return Perform(action, op.Buffer(), controls);
}

int LdapEngine::Prepare(int action, BerCodec& op, NetString& controls)
{
    int rc = BuildOperation(action, op);
    if (rc == kLdapBadFilter)
        SetLastErrorText("Bad search filter.");
    if (rc != kResultOk || action != kSearchAction)
        return rc;
    rc = m_searchOp.Assign(op.Buffer().Length(), op.Buffer().Data());
    if (rc == kResultOk)
        rc = controls.Append(m_sortControl.Data(), m_sortControl.Length());
    if (rc == kResultOk && m_pageSize > 0)
        rc = AppendLdapPagedControl(m_pageSize, std::string(), controls);
    return rc;
}

int LdapEngine::Perform(int action, const NetStringBase& op, const NetStringBase& controls)
{
    StartTimeout();
    if (action == kBindAction && !IsConnected()) {
        const int rc = Connect();
        if (rc != kResultOk)
            return rc;
    }
    if ((action == kUnbindAction || action == kAbandonAction) && !IsConnected())
        return kResultOk;
    if (action == kSearchAction) {
        m_paging = m_pageSize > 0;
        m_lastCookie.clear();
        m_pageEntries = 0;
        m_emptyPages = 0;
    }
    const int running = m_waitId;
    const int rc = SendRequest(op, controls);
    if (rc != kResultOk)
        return rc;
    switch (action) {
    case kUnbindAction:
        // No answer: the server closes, and so does the client.
        EndAction(kResultOk);
        return Disconnect();
    case kAbandonAction:
        // No answer either; an action waiting for the abandoned request is over.
        m_waitId = running;
        if (m_action != kNoAction && m_abandonId == running)
            EndAction(kResultOk);
        return kResultOk;
    default:
        break;
    }
    m_action = action;
    return GetTimeout() > 0 ? WaitForAnswer() : kResultOk;
}

int LdapEngine::BuildOperation(int action, BerCodec& op)
{
    switch (action) {
    case kBindAction:
        return AppendLdapBind(m_version, m_dn.c_str(), m_password.c_str(), op);
    case kUnbindAction:
        return AppendLdapUnbind(op);
    case kSearchAction: {
        LdapSearchParams search = m_search;
        search.baseDn = m_dn.c_str();
        search.filter = m_filter.c_str();
        return AppendLdapSearch(search, m_request, op);
    }
    case kModifyAction:
        return AppendLdapModify(m_dn.c_str(), m_request, op);
    case kModifyRdnAction:
        return AppendLdapModifyDn(m_dn.c_str(), m_newRdn.c_str(), m_deleteOldRdn, op);
    case kAddAction:
        return AppendLdapAdd(m_dn.c_str(), m_request, op);
    case kDeleteAction:
        return AppendLdapDelete(m_dn.c_str(), op);
    case kCompareAction:
        return AppendLdapCompare(m_dn.c_str(), m_request, op);
    case kAbandonAction:
        return AppendLdapAbandon(m_abandonId, op);
    default:
        return AppendLdapExtended(m_extendedName.c_str(), m_extendedValue.data(), int(m_extendedValue.size()), op);
    }
}

int LdapEngine::SendRequest(const NetStringBase& op, const NetStringBase& controls)
{
    NetString message;
    const int id = m_messageId;
    int rc = BuildLdapMessage(id, op, controls, message);
    if (rc != kResultOk)
        return rc;
    m_messageId = id == 0x7FFFFFFF ? 1 : id + 1;
    m_waitId = id;
    return SendBytes(message.Data(), message.Length(), false);
}

int LdapEngine::SendSearchPage(const std::string& cookie)
{
    NetString controls;
    int rc = controls.Append(m_sortControl.Data(), m_sortControl.Length());
    if (rc == kResultOk)
        rc = AppendLdapPagedControl(m_pageSize, cookie, controls);
    return rc == kResultOk ? SendRequest(m_searchOp, controls) : rc;
}

int LdapEngine::WaitForAnswer()
{
    m_waiting = true;
    while (m_action != kNoAction) {
        if (!WaitStep(10, m_window)) {
            m_waiting = false;
            EndAction(kInterrupted);
            if (!WasInterrupted())
                SetResultText("Timeout.");
            return kInterrupted;
        }
    }
    m_waiting = false;
    return m_actionResult;
}

void LdapEngine::EndAction(int code)
{
    m_actionResult = code;
    m_action = kNoAction;
}

void LdapEngine::ClearResult()
{
    m_resultCode = 0;
    m_resultDescription.clear();
    m_resultDn.clear();
}

// Whole messages are handled where they lie; only the start of one that is
// not yet whole is kept, to be completed by the next bytes.
int LdapEngine::ProcessData(const char* data, uint32_t n, bool)
{
    m_answering = true;
    struct Answering {
        bool& on;
        ~Answering() { on = false; }
    } answering{m_answering};
    try {
        uint32_t used = 0;
        if (m_pending.empty()) {
            const int rc = Consume(data, n, used);
            if (rc == kResultOk && used < n && HasSocket())
                m_pending.assign(data + used, n - used);
            return rc;
        }
        m_pending.append(data, n);
        const std::string pending = std::move(m_pending);
        m_pending.clear();
        const int rc = Consume(pending.data(), uint32_t(pending.size()), used);
        if (rc == kResultOk && used < pending.size() && HasSocket())
            m_pending.assign(pending, used, std::string::npos);
        return rc;
    } catch (const std::bad_alloc&) {
        m_pending.clear();
        FailReceive(kOutOfMemory, kMemoryError);
        return kOutOfMemory;
    }
}

int LdapEngine::Consume(const char* data, uint32_t n, uint32_t& used)
{
    used = 0;
    while (used < n && HasSocket()) {
        uint32_t size = 0;
        switch (FrameLdapMessage(data + used, n - used, kMaxMessage, size)) {
        case LdapFrame::NeedMore:
            return kResultOk;
        case LdapFrame::Malformed:
            // An impossible length (indefinite, past 4 bytes, past the most a
            // message may hold) allocated nothing: it is bad data.
            used = n;
            FailReceive(kBerMalformed, kDecodeError);
            return kResultOk;
        case LdapFrame::Whole:
            break;
        }
        Handle(data + used, size);
        used += size;
    }
    return kResultOk;
}

// The stream cannot be followed past bytes that make no message: the
// connection goes, and a running action ends with the reason.
void LdapEngine::FailReceive(int code, const char* text)
{
    FireError(code, text);
    if (m_action != kNoAction) {
        SetResultText(text);
        EndAction(code);
    }
    (void)SetConnected(false);
}

void LdapEngine::Handle(const char* data, uint32_t n)
{
    LdapResponse& r = m_response;
    if (DecodeLdapMessage(data, n, r) != kResultOk) {
        FireError(kBerMalformed, kDecodeError);
        if (m_action != kNoAction) {
            SetResultText(kDecodeError);
            EndAction(kBerMalformed);
        }
        return;
    }
    int id = r.messageId;
    const bool ours = m_action != kNoAction && id == m_waitId;
    if (r.operation == kLdapOpSearchResultEntry) {
        if (ours)
            ++m_pageEntries;
        m_entry.swap(r.attributes);
        m_inEntry = true;
        const char* dn = r.objectName.c_str();
        Fire(kLdapEventSearchResult, {EventParam::Int(&id), EventParam::Text(&dn)});
        m_inEntry = false;
        return;
    }
    if (r.operation == kLdapOpSearchResultDone) {
        HandleSearchDone(r);
        return;
    }
    if (!IsLdapResult(r.operation)) {
        char text[64];
        std::snprintf(text, sizeof text, "unknown response type: %d.", r.operation);
        m_resultCode = kLdapUnknownResponse;
        m_resultDescription = text;
        FireError(kLdapUnknownResponse, text);
        if (m_action != kNoAction) {
            SetResultText(text);
            EndAction(kLdapUnknownResponse);
        }
        return;
    }
    TakeResult(r);
    const char* matched = m_resultDn.c_str();
    const char* description = m_resultDescription.c_str();
    int code = m_resultCode;
    if (r.operation == kLdapOpExtendedResponse) {
        const char* name = r.responseName.c_str();
        char* value = r.responseValue.data();
        Fire(kLdapEventExtendedResponse,
             {EventParam::Int(&id), EventParam::Text(&matched), EventParam::Int(&code), EventParam::Text(&description),
              EventParam::Text(&name), EventParam::Binary(&value, int(r.responseValue.size()))});
    } else {
        Fire(kLdapEventResult, {EventParam::Int(&id), EventParam::Text(&matched), EventParam::Int(&code),
                                EventParam::Text(&description)});
    }
    if (ours)
        EndAction(kResultOk);
}

void LdapEngine::HandleSearchDone(const LdapResponse& response)
{
    TakeResult(response);
    int id = response.messageId;
    const bool ours = m_action == kSearchAction && id == m_waitId;
    const char* matched = m_resultDn.c_str();
    const char* description = m_resultDescription.c_str();
    int code = m_resultCode;
    if (!response.paged || response.cookie.empty()) {
        Fire(kLdapEventSearchComplete, {EventParam::Int(&id), EventParam::Text(&matched), EventParam::Int(&code),
                                        EventParam::Text(&description)});
        if (ours)
            EndAction(kResultOk);
        return;
    }
    bool cancel = false;
    Fire(kLdapEventSearchPage, {EventParam::Int(&id), EventParam::Text(&matched), EventParam::Int(&code),
                                EventParam::Text(&description), EventParam::Bool(&cancel, true)});
    if (!ours || m_action != kSearchAction)
        return;
    if (cancel || code != 0 || !m_paging || !IsConnected()) {
        EndAction(kResultOk);
        return;
    }
    if (!PagingGoesOn(response.cookie))
        return;
    const int rc = SendSearchPage(response.cookie);
    if (rc != kResultOk)
        EndAction(rc);
}

// A server that answers every page with a cookie (the same one, or new ones
// for pages that bring nothing) would be asked for pages for ever.
bool LdapEngine::PagingGoesOn(const std::string& cookie)
{
    const char* stop = nullptr;
    if (cookie == m_lastCookie)
        stop = "Paged search stopped: the server sent the same cookie again.";
    else if (m_pageEntries == 0 && ++m_emptyPages >= kMaxEmptyPages)
        stop = "Paged search stopped: the server sent 100 pages in a row without an entry.";
    static_assert(kMaxEmptyPages == 100, "the text names the count");
    if (m_pageEntries > 0)
        m_emptyPages = 0;
    m_pageEntries = 0;
    m_lastCookie = cookie;
    if (!stop)
        return true;
    FireError(kLdapPagingStopped, stop);
    SetResultText(stop);
    EndAction(kLdapPagingStopped);
    return false;
}

void LdapEngine::TakeResult(const LdapResponse& response)
{
    m_resultCode = response.resultCode;
    m_resultDn = response.matchedDn;
    m_resultDescription = response.diagnostic.empty() ? LdapResultName(response.resultCode) : response.diagnostic;
}

void LdapEngine::OnDisconnected(int code)
{
    m_pending.clear();
    TcpClient::OnDisconnected(code);
    // No answer comes any more to what is still outstanding.
    if (m_action != kNoAction)
        EndAction(code != 0 ? code : WSAECONNRESET);
}

int LdapEngine::SetAttrCount(int count)
{
    if (count < 0 || count > kMaxAttributes) {
        SetLastErrorText("Invalid attribute index (out of range).");
        return kIndexOutOfRange;
    }
    m_request.resize(size_t(count));
    return kResultOk;
}

int LdapEngine::CheckAttrIndex(int index)
{
    if (index >= 1 && index <= AttrCount())
        return kResultOk;
    SetLastErrorText("Invalid attribute index (out of range).");
    return kIndexOutOfRange;
}

int LdapEngine::SetAttrModOp(int index, int op)
{
    m_request[size_t(index - 1)].modOp = op;
    return kResultOk;
}

int LdapEngine::SetAttrType(int index, const char* type)
{
    m_request[size_t(index - 1)].type = type ? type : "";
    return kResultOk;
}

ByteView LdapEngine::AttrValue(int index) const
{
    const std::string& value = List()[size_t(index - 1)].value;
    return {value.data(), int(value.size())};
}

int LdapEngine::SetAttrValue(int index, const char* data, int length)
{
    m_request[size_t(index - 1)].value.assign(data ? data : "", data && length > 0 ? size_t(length) : 0);
    return kResultOk;
}

int LdapEngine::SetDn(const char* dn)
{
    m_dn = dn ? dn : "";
    return kResultOk;
}

int LdapEngine::SetMessageId(int id)
{
    // 0 is the id of the server's unsolicited notices, never of a request.
    if (id < 1) {
        SetLastErrorText("The message id is a number from 1 to 2147483647.");
        return kIndexOutOfRange;
    }
    m_messageId = id;
    return kResultOk;
}

int LdapEngine::SetPassword(const char* password)
{
    m_password = password ? password : "";
    return kResultOk;
}

int LdapEngine::SetSortAttributes(const char* keys)
{
    NetString control;
    const int rc = AppendLdapSortControl(keys, control);
    if (rc != kResultOk)
        return rc;
    m_sortKeys = keys ? keys : "";
    return m_sortControl.Assign(control.Length(), control.Data());
}
