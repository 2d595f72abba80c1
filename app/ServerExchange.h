// The asset server's web service: one request pattern for its four methods,
// the rules that judge their replies, and the texts of their failures.
#pragma once

#include "app/SoapComponent.h"

#include <string>
#include <vector>

struct ServerLogin {
    std::string m_server;
    int m_port = 80;
    std::string m_user;
    std::string m_password; // plain; enciphered for the wire
    std::string m_database;
};

// The login of the configuration record.
ServerLogin ConfiguredServerLogin();

// "http://" server ":" port path.
std::string ServiceAddress(const ServerLogin& login);

// Why a call failed: the reply's fault string (possibly empty), and the
// component's own last error.
struct ServerFailure {
    std::string m_fault;
    int m_componentCode = 0;
    std::string m_componentText;
    bool m_timedOut = false; // the call lasted its whole limit
    int m_limitSeconds = 0;
    std::string m_statusLine; // the HTTP answer's first line; empty: none came
    std::string m_replyStart; // without a status line: how what came instead begins
    std::string m_address;    // "server:port", for the operator
};

// What the operator reads about a failed call, ending in a line end: the
// server's fault text; the fixed line for a SOAP fault without one; or, when
// no SOAP answer came, what happened in plain words with server and port.
std::string FailureText(const ServerFailure& failure);

// Runs one call on component: the request, the guid/uid/pwd/db parameters,
// then ownParams (name, value pairs). True when the call was sent and
// answered without a fault; returnValue then holds the reply's value, else
// failure says why.
bool CallServer(SoapComponent& component, const ServerLogin& login, const std::string& method,
                const std::vector<std::pair<std::string, std::string>>& ownParams, std::string& returnValue,
                ServerFailure& failure);

// The first line of a reply for a message: at most a short line of it, each
// byte outside printable ASCII shown as "?".
std::string ReplyOpening(const std::string& reply);

// The overall limit of one exchange in seconds (tests shorten it); returns
// the previous one.
int SetServerExchangeLimit(int seconds);
// A text from the server cut to a few kilobytes, saying how much was left out.
std::string BoundedReplyText(const std::string& text);

// The upload of one result XML. True only for the reply "OK"; else the
// error text gets the reason (never the "Unable to upload" heading).
bool UploadResultXml(SoapComponent& component, const ServerLogin& login, const std::string& resultXml,
                     std::string& errorText);

// The credential test: true for any reply that is not a failure; else
// message is the whole text to show.
bool TestServerLogin(const ServerLogin& login, std::string& message);

struct AssetUserNames {
    bool m_found = false; // the reply held a U element
    std::string m_first;
    std::string m_middle;
    std::string m_last;
};
// The user lookup; false with the failure appended to errorText.
bool GetAssetUser(const ServerLogin& login, const std::string& userName, AssetUserNames& names, std::string& errorText);
// The location and department lists; false with the failure appended.
bool GetLookupValues(const ServerLogin& login, std::vector<std::string>& locations,
                     std::vector<std::string>& departments, std::string& errorText);
