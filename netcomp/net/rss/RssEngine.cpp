#include "netcomp/net/rss/RssEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/FileHandle.h"
#include "netcomp/include/netcomp_rss.h"

namespace {

constexpr EventTable kRssEvents = {
    {SharedEvent::Connected, kRssEventConnected},
    {SharedEvent::ConnectionStatus, kRssEventConnectionStatus},
    {SharedEvent::Disconnected, kRssEventDisconnected},
    {SharedEvent::EndTransfer, kRssEventEndTransfer},
    {SharedEvent::Error, kRssEventError},
    {SharedEvent::Header, kRssEventHeader},
    {SharedEvent::Redirect, kRssEventRedirect},
    {SharedEvent::SetCookie, kRssEventSetCookie},
    {SharedEvent::StartTransfer, kRssEventStartTransfer},
    {SharedEvent::Status, kRssEventStatus},
    {SharedEvent::Transfer, kRssEventTransfer},
};

const char kSpecificationAddress[] = "https://www.rssboard.org/rss-specification";
const char kTooLarge[] = "The feed is larger than MaxReplySize.";
constexpr uint32_t kFileChunk = 2048;

} // namespace

RssEngine::RssEngine() : m_reader(m_feed)
{
    SetEventTable(kRssEvents);
    ReportResponseTransferOnly();
    (void)SetTimeout(60);
    (void)SetFirewallPort(80);
    ClearModel();
    (void)m_feed.SetText(RssRecord::Channel, 0, "docs", nullptr, kSpecificationAddress);
}

int RssEngine::Model(int rc)
{
    if (rc != kResultOk && rc != kOutOfMemory)
        SetLastErrorText(m_feed.ErrorText());
    return rc;
}

int RssEngine::Config(const ConfigArg& arg, const char** answer)
{
    if (!arg.KeyIs("AllowNonRSS"))
        return HttpClient::Config(arg, answer);
    if (arg.query)
        return AnswerBool(m_feed.AllowNonRss(), answer);
    m_feed.SetAllowNonRss(ParseConfigBool(arg.value.CStr()));
    return kResultOk;
}

void RssEngine::ClearModel()
{
    m_reader.Start();
    m_feed.Clear();
    m_feedText.Clear();
    (void)SetHttpVersion("1.0");
}

int RssEngine::ResetAll()
{
    ClearModel();
    return kResultOk;
}

const char* RssEngine::FieldText(RssRecord record, int item, const char* field, const char* attr)
{
    return m_feed.Text(record, item, field, attr);
}

int RssEngine::SetFieldText(RssRecord record, int item, const char* field, const char* attr, const char* text)
{
    return Model(m_feed.SetText(record, item, field, attr, text));
}

int RssEngine::AddItem(const char* title, const char* description, const char* link)
{
    return Model(m_feed.AddItem(title, description, link));
}

int RssEngine::AddNamespace(const char* prefix, const char* uri)
{
    return Model(m_feed.AddNamespace(prefix, uri));
}

int RssEngine::GetProperty(const char* path, const char** value)
{
    return Model(m_feed.GetProperty(path, value));
}

int RssEngine::SetProperty(const char* path, const char* value)
{
    return Model(m_feed.SetProperty(path, value));
}

int RssEngine::Rebuild()
{
    if (!m_feed.Modified() && !m_feedText.IsEmpty())
        return kResultOk;
    NetString text;
    const int rc = Model(m_feed.Write(text));
    if (rc == kResultOk)
        m_feedText = std::move(text);
    return rc;
}

const char* RssEngine::FeedText()
{
    const int rc = Rebuild();
    if (rc != kResultOk)
        SetLastCode(rc);
    return m_feedText.CStr();
}

int RssEngine::FireStartTransfer(int direction)
{
    if (direction == 1)
        m_received.Clear();
    return HttpClient::FireStartTransfer(direction);
}

int RssEngine::FireTransfer(int direction, int64_t bytes, const char* data, uint32_t n)
{
    if (direction == 1) {
        const int rc = HoldReplyBytes(m_received, data, n, kTooLarge);
        if (rc != kResultOk)
            return rc;
    }
    return HttpClient::FireTransfer(direction, bytes, data, n);
}

// One request; its response body, whole, is then in m_received.
int RssEngine::Fetch(const char* url, int action, const NetString* body)
{
    if (!Idle()) {
        SetLastErrorText("Busy performing current action.");
        return kHttpBusy;
    }
    m_received.Clear();
    int rc = SetURL(url);
    if (rc == kResultOk && body) {
        rc = SetPostData(body->Data(), body->Length());
        if (rc == kResultOk)
            rc = SetContentType("application/rss+xml");
    }
    if (rc == kResultOk)
        rc = DoAction(action);
    (void)SetPostData(nullptr, 0);
    (void)SetContentType("");
    if (rc != kResultOk)
        m_received.Clear();
    return rc;
}

int RssEngine::GetUrl(const char* url)
{
    const int rc = Fetch(url, kHttpGet, nullptr);
    if (rc != kResultOk)
        return rc;
    // The text as it came; the model is left as it was.
    m_feedText = std::move(m_received);
    m_feed.SetModified(false);
    return kResultOk;
}

int RssEngine::GetFeed(const char* url)
{
    const int rc = Fetch(url, kHttpGet, nullptr);
    return rc == kResultOk ? Parse(m_received) : rc;
}

// The model's own text goes out, written anew when the model changed since
// the text was last made.
int RssEngine::PutFeed(const char* url)
{
    int rc = Rebuild();
    if (rc != kResultOk)
        return rc;
    const NetString text(m_feedText);
    rc = Fetch(url, kHttpPut, &text);
    if (rc != kResultOk)
        return rc;
    m_feedText = std::move(m_received);
    m_feed.SetModified(false);
    return kResultOk;
}

int RssEngine::Parse(NetString& text)
{
    ClearModel();
    int rc = m_reader.InputBytes(text.Data(), text.Length());
    if (rc == kResultOk)
        rc = m_reader.FinishParse(true);
    if (rc == kResultOk)
        rc = m_reader.Finish();
    if (rc != kResultOk) {
        SetLastErrorText(m_reader.LastErrorText());
        m_feed.Clear();
        return rc;
    }
    m_feedText = std::move(text);
    m_feed.SetModified(false);
    return kResultOk;
}

int RssEngine::ReadFile(const char* name)
{
    FileHandle file;
    if (file.OpenRead(name ? name : "", 0) != 0) {
        SetLastErrorText("Can't open file for reading.");
        return kFileError;
    }
    if (file.Size() > int64_t(MaxReplyBody())) {
        SetLastErrorText(kTooLarge);
        return kFileError;
    }
    NetString text;
    char chunk[kFileChunk];
    for (;;) {
        uint32_t got = 0;
        if (file.Read(chunk, sizeof chunk, &got) != 0) {
            SetLastErrorText("Error reading from local file.");
            return kFileError;
        }
        if (got == 0)
            break;
        if (uint64_t(text.Length()) + got > MaxReplyBody()) {
            SetLastErrorText(kTooLarge);
            return kFileError;
        }
        const int rc = text.Append(chunk, got);
        if (rc != kResultOk)
            return rc;
    }
    file.Close();
    return Parse(text);
}

int RssEngine::WriteFile(const char* name)
{
    int rc = Rebuild();
    if (rc != kResultOk)
        return rc;
    FileHandle file;
    if (file.OpenWrite(name ? name : "", 0) != 0) {
        SetLastErrorText("Can't open file for writing.");
        return kFileError;
    }
    if (file.Write(m_feedText.Data(), m_feedText.Length()) != 0) {
        SetLastErrorText("Error writing to local file.");
        return kRssWriteFailed;
    }
    return kResultOk;
}
