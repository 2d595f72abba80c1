#pragma once
// The NNTP component's engine: a news client (RFC 977 with the AUTHINFO,
// XOVER and XPAT extensions of RFC 2980) whose operations are numbered
// actions run one at a time. It lists groups and new groups, selects a
// group, reads overview and header-search lines, fetches articles, headers
// and bodies (the header fields become properties) and posts an article
// built from its properties. Reading ArticleHeaders or ArticleText while
// connected with a current article fetches them.
#include <cstdint>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/mail/client/PopMailClient.h"
#include "netcomp/mail/date/Rfc822Date.h"

enum NntpResult : int {
    kNntpServerError = 181,
    kNntpConnectError = 182,
    kNntpNoSender = 184,
    kNntpNoSubject = 185,
    kNntpNoGroup = 186,
    kNntpBusy = 187,
};

class NntpEngine : public PopMailClient {
public:
    NntpEngine();

    [[nodiscard]] int DoAction(int action);

    [[nodiscard]] int Connect() { return DoAction(1); }
    [[nodiscard]] int Disconnect() { return DoAction(2); }
    [[nodiscard]] int ListGroups() { return DoAction(3); }
    [[nodiscard]] int ListNewGroups() { return DoAction(4); }
    [[nodiscard]] int GroupOverview() { return DoAction(5); }
    [[nodiscard]] int FetchArticle() { return DoAction(6); }
    [[nodiscard]] int FetchArticleHeaders() { return DoAction(7); }
    [[nodiscard]] int FetchArticleBody() { return DoAction(8); }
    [[nodiscard]] int PostArticle() { return DoAction(9); }
    [[nodiscard]] int ResetHeaders() { return DoAction(10); }
    [[nodiscard]] int GroupSearch() { return DoAction(11); }
    [[nodiscard]] int Interrupt() { return DoAction(0); }
    [[nodiscard]] int LocalizeDate(const char* text, const char** answer);

    int ArticleCount() const { return m_articleCount; }
    int FirstArticle() const { return m_firstArticle; }
    int LastArticle() const { return m_lastArticle; }
    const char* ArticleDate() const { return m_date.CStr(); }
    const char* ArticleMessageId() const { return m_messageId.CStr(); }
    // Header texts are kept as they go out: encoded (Shift-JIS runs under
    // CharsetMode 1) and folded at 80 columns.
    const char* GetArticleFrom() const { return m_from.CStr(); }
    [[nodiscard]] int SetArticleFrom(const char* text) { return SetHeaderText(m_from, text, false); }
    const char* GetArticleReplyTo() const { return m_replyTo.CStr(); }
    [[nodiscard]] int SetArticleReplyTo(const char* text) { return SetHeaderText(m_replyTo, text, false); }
    const char* GetArticleSubject() const { return m_subject.CStr(); }
    [[nodiscard]] int SetArticleSubject(const char* text) { return SetHeaderText(m_subject, text, true); }
    const char* GetOrganization() const { return m_organization.CStr(); }
    [[nodiscard]] int SetOrganization(const char* text) { return SetHeaderText(m_organization, text, true); }
    const char* GetArticleReferences() const { return m_references.CStr(); }
    [[nodiscard]] int SetArticleReferences(const char* text) { return SetFolded(m_references, text); }
    const char* GetNewsgroups() const { return m_newsgroups.CStr(); }
    [[nodiscard]] int SetNewsgroups(const char* text) { return SetFolded(m_newsgroups, text); }
    const char* GetOtherHeaders() const { return m_otherHeaders.CStr(); }
    [[nodiscard]] int SetOtherHeaders(const char* text) { return m_otherHeaders.AssignText(text); }
    // Reads that may ask the server; their failure is left as the last error.
    const char* ArticleHeaders();
    const char* GetArticleText();
    [[nodiscard]] int SetArticleText(const char* text);
    const char* GetAttachedFile() const { return m_attachedFile.CStr(); }
    [[nodiscard]] int SetAttachedFile(const char* text) { return m_attachedFile.AssignText(text); }
    const char* GetNewGroupsDate() const { return m_newGroupsDate.CStr(); }
    [[nodiscard]] int SetNewGroupsDate(const char* text) { return m_newGroupsDate.AssignText(text); }
    [[nodiscard]] int SetCommand(const char* text);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    const char* GetCurrentArticle() const { return m_currentArticle.CStr(); }
    [[nodiscard]] int SetCurrentArticle(const char* text);
    const char* GetCurrentGroup() const { return m_currentGroup.CStr(); }
    [[nodiscard]] int SetCurrentGroup(const char* text);
    bool IsIdle() const { return m_busyAction == 0; }
    int GetMaxLines() const { return m_maxLines; }
    void SetMaxLines(int lines) { m_maxLines = lines < 0 ? 0 : lines; }
    const char* GetOverviewRange() const { return m_overviewRange.CStr(); }
    [[nodiscard]] int SetOverviewRange(const char* text) { return m_overviewRange.AssignText(text); }
    const char* GetPassword() const { return m_password.CStr(); }
    [[nodiscard]] int SetPassword(const char* text) { return m_password.AssignText(text); }
    const char* GetSearchHeader() const { return m_searchHeader.CStr(); }
    [[nodiscard]] int SetSearchHeader(const char* text) { return m_searchHeader.AssignText(text); }
    const char* GetSearchPattern() const { return m_searchPattern.CStr(); }
    [[nodiscard]] int SetSearchPattern(const char* text) { return m_searchPattern.AssignText(text); }
    const char* GetSearchRange() const { return m_searchRange.CStr(); }
    [[nodiscard]] int SetSearchRange(const char* text) { return m_searchRange.AssignText(text); }
    const char* GetUser() const { return m_user.CStr(); }
    [[nodiscard]] int SetUser(const char* text) { return m_user.AssignText(text); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    int TimeoutSeconds() const { return int(GetTimeout()); }

protected:
    void OnConnected(int code) override;
    void OnDisconnected(int code) override;
    int OnHeaderField(const char* name, const char* value) override;
    int OnListLine(const char* line, uint32_t n) override;
    int OnMailBodyStart() override;
    int OnMailBodyLine(int64_t bytes, const char* line, uint32_t n, bool eol) override;
    void OnMessageGivenUp() override;
    int OnMailEnd() override;
    int OnUploadProgress(int64_t bytes) override;

private:
    enum class Listing { None, Groups, Overview, Search };
    enum class Fetch { None, Article, Head, Body };

    [[nodiscard]] int RunAction(int action);
    [[nodiscard]] int Login();
    [[nodiscard]] int Quit();
    [[nodiscard]] int SelectGroup();
    [[nodiscard]] int List(const char* command, const char* argument, Listing listing);
    [[nodiscard]] int Receive(const char* command, Fetch fetch);
    [[nodiscard]] int CheckPost();
    [[nodiscard]] int Post();
    [[nodiscard]] int SendPost();
    [[nodiscard]] int SendCommand(const char* command, const char* argument);
    void ClearArticle();
    // A read that fetches: the action with the headers or the text kept.
    void FetchForRead(int action, bool& keep);
    [[nodiscard]] int SetHeaderText(NetString& field, const char* text, bool words);
    [[nodiscard]] int SetFolded(NetString& field, const char* text);

    NetString m_user;
    NetString m_password;
    NetString m_currentGroup;
    NetString m_currentArticle;
    int m_articleCount = 0;
    int m_firstArticle = 0;
    int m_lastArticle = 0;
    NetString m_from;
    NetString m_replyTo;
    NetString m_subject;
    NetString m_newsgroups;
    NetString m_references;
    NetString m_organization;
    NetString m_date;
    NetString m_messageId;
    NetString m_otherHeaders;
    NetString m_articleText;
    bool m_textStuffed = true; // the owner's text is kept dot-stuffed, a fetched one is not
    NetString m_attachedFile;
    NetString m_newGroupsDate;
    NetString m_overviewRange;
    NetString m_searchRange;
    NetString m_searchHeader;
    NetString m_searchPattern;
    NetString m_command;
    int m_maxLines = 0;
    int m_busyAction = 0;
    Listing m_listing = Listing::None;
    Fetch m_fetch = Fetch::None;
    bool m_keepHeaders = false;
    bool m_keepText = false;
    int m_bodyLines = 0;
    NetString* m_lastField = nullptr; // the field a folded header line continues
    Rfc822Date m_dates;
};
