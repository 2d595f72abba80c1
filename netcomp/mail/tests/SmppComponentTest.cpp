// The SMPP component through its exported functions: binds in each version,
// submit_sm and submit_multi, data_sm, query, replace and cancel and
// enquire_link against a Net::SMPP message centre (which logs what it took),
// the bounds of what the caller sets, and, against the scripted peer, what a
// real message centre does not send: a command_length out of bounds, a
// response cut short, its own enquire_link, a close while a request waits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/include/netcomp_smpp.h"
#include "netcomp/mail/smpp/SmppPdu.h"
#include "netcomp/mail/tests/MailTestSupport.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

using std::string;

constexpr int kSmppPort = 21775;

class Smpp {
public:
    explicit Smpp(int port = kSmppPort) : m_component(EventRecorder::Callback, m_events.User())
    {
        SMPP_StaticInit(GetModuleHandleA(nullptr));
        EXPECT_EQ(m_component.SetText(kSmppSMPPServer, "127.0.0.1"), 0);
        EXPECT_EQ(m_component.Set(kSmppSMPPPort, port), 0);
        m_events.TextsAt(kSmppEventError, {1});
        m_events.TextsAt(kSmppEventConnected, {1});
        m_events.TextsAt(kSmppEventPduTrace, {1});
    }

    ComponentHolder<SMPPFunctions>* operator->() { return &m_component; }
    EventRecorder& Events() { return m_events; }

    // A method with arguments as given (numbers, texts, bytes) and their lengths.
    int Call(int method, std::vector<INT_PTR> args, std::vector<int> lengths = {})
    {
        lengths.resize(args.size(), 0);
        const int rc =
            SMPPFunctions::kApi.doMethod(m_component.Handle(), method, int(args.size()), args.data(), lengths.data());
        m_answers = args;
        m_answerLengths = lengths;
        return rc;
    }
    static INT_PTR Text(const char* text) { return reinterpret_cast<INT_PTR>(text); }
    string Answer(std::size_t i) const
    {
        const char* p = reinterpret_cast<const char*>(m_answers[i]);
        return p ? (m_answerLengths[i] ? string(p, std::size_t(m_answerLengths[i])) : string(p)) : "(null)";
    }
    int AddRecipient(int type, const char* address) { return Call(kSmppAddRecipient, {type, Text(address)}); }
    int Connect(const char* user = "kes", const char* password = "secret")
    {
        return Call(kSmppConnect, {Text(user), Text(password)});
    }
    int Send(const char* message) { return Call(kSmppSendMessage, {Text(message)}); }
    int Query(const char* id, string& answer)
    {
        const int rc = Call(kSmppQueryMessage, {Text(id), 0});
        answer = Answer(1);
        return rc;
    }

private:
    EventRecorder m_events;
    ComponentHolder<SMPPFunctions> m_component;
    std::vector<INT_PTR> m_answers;
    std::vector<int> m_answerLengths;
};

// The last line of a log of the message centre.
string LastLogged(const char* log)
{
    const string all = mailtest::ReadFile(mailtest::PeerFolder("smpp_perl") + "\\" + log);
    if (all.size() < 2)
        return "";
    const std::size_t start = all.rfind('\n', all.size() - 2);
    return all.substr(start == string::npos ? 0 : start + 1, all.size() - 1 - (start == string::npos ? 0 : start + 1));
}

string Hex(const string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

TEST(SmppPeer, BindsInEachVersion)
{
    const char* versions[] = {"kes|50", "kes|34", "kes|33"};
    for (int version = 0; version < 3; ++version) {
        Smpp smpp;
        ASSERT_EQ(smpp->Set(kSmppSMPPVersion, version), 0);
        ASSERT_EQ(smpp.Connect(), 0) << smpp->LastError();
        EXPECT_TRUE(smpp->GetBool(kSmppConnected));
        EXPECT_EQ(LastLogged("binds.log"), versions[version]);
        const auto connected = smpp.Events().Of(kSmppEventConnected);
        ASSERT_EQ(connected.size(), 2u); // the TCP connection, then the bind
        EXPECT_EQ(connected[1].texts[1], "Ok.");

        // What the bind was made with cannot change while bound.
        EXPECT_EQ(smpp->Set(kSmppSMPPVersion, 1), 663);
        EXPECT_STREQ(smpp->LastError(), "You cannot change SMPPVersion while connected.");
        EXPECT_EQ(smpp->SetText(kSmppUserId, "other"), 661);
        EXPECT_EQ(smpp->SetText(kSmppPassword, "other"), 662);
        EXPECT_EQ(smpp->Config("SenderAddress=x"), -1);
        EXPECT_STREQ(smpp->LastError(), "Cannot change SenderAddress while bound.");
        EXPECT_EQ(smpp.Call(kSmppCheckLink, {}), 0);

        ASSERT_EQ(smpp.Call(kSmppDisconnect, {}), 0) << smpp->LastError();
        EXPECT_FALSE(smpp->GetBool(kSmppConnected));
        EXPECT_EQ(smpp->GetInt(kSmppSMPPVersion), version);
    }

    Smpp refused;
    EXPECT_EQ(refused.Connect("kes", "wrong"), 660);
    EXPECT_STREQ(refused->LastError(), "SMPP protocol error (invalid password).");
    EXPECT_FALSE(refused->GetBool(kSmppConnected));
}

TEST(SmppPeer, SubmitQueryReplaceAndCancel)
{
    Smpp smpp;
    ASSERT_EQ(smpp->Config("SenderAddress=KESTROVA"), 0);
    ASSERT_EQ(smpp->SetText(kSmppRecipient, "5551234"), 0);
    ASSERT_EQ(smpp.Connect(), 0) << smpp->LastError();
    ASSERT_EQ(smpp.Send("hello"), 0) << smpp->LastError();
    const string id = smpp->GetText(kSmppMessageId);
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(LastLogged("messages.log"), "submit_sm|" + id + "|KESTROVA|5551234|0|" + Hex("hello"));

    // The longest message goes; one byte more is refused before anything is sent.
    const string longest(255, 'x');
    ASSERT_EQ(smpp.Send(longest.c_str()), 0) << smpp->LastError();
    EXPECT_EQ(LastLogged("messages.log").substr(LastLogged("messages.log").size() - 510), Hex(longest));
    const int traced = int(smpp.Events().Of(kSmppEventPduTrace).size());
    EXPECT_EQ(smpp.Send((longest + "x").c_str()), 667);
    EXPECT_STREQ(smpp->LastError(), "Message parameter too long (message body cannot be longer than 0x0FF).");
    EXPECT_EQ(int(smpp.Events().Of(kSmppEventPduTrace).size()), traced);

    string answer;
    ASSERT_EQ(smpp.Query(id.c_str(), answer), 0) << smpp->LastError();
    EXPECT_EQ(answer, "1:0");
    ASSERT_EQ(smpp.Call(kSmppReplaceMessage, {Smpp::Text(id.c_str()), Smpp::Text("replaced")}), 0) << smpp->LastError();
    EXPECT_EQ(LastLogged("messages.log"), "replace_sm|" + id + "|KESTROVA|||" + Hex("replaced"));
    ASSERT_EQ(smpp.Call(kSmppCancelMessage, {Smpp::Text(id.c_str())}), 0) << smpp->LastError();
    ASSERT_EQ(smpp.Query(id.c_str(), answer), 0);
    EXPECT_EQ(answer, "261207000000000+");
    EXPECT_EQ(smpp.Call(kSmppCancelMessage, {Smpp::Text(id.c_str())}), 660);
    EXPECT_STREQ(smpp->LastError(), "SMPP protocol error (cancel operation failed).");

    EXPECT_EQ(smpp.Send("throttle me"), 660);
    EXPECT_STREQ(smpp->LastError(), "SMPP protocol error (message throttled (exceeded message limit)).");
    EXPECT_TRUE(smpp->GetBool(kSmppConnected));
    ASSERT_EQ(smpp.Call(kSmppDisconnect, {}), 0);
}

TEST(SmppPeer, SubmitMultiAndDataSmInSessionsOfTheirOwn)
{
    Smpp smpp;
    ASSERT_EQ(smpp->SetText(kSmppUserId, "kes"), 0);
    ASSERT_EQ(smpp->SetText(kSmppPassword, "secret"), 0);
    ASSERT_EQ(smpp->Config("SenderAddress=KES"), 0);
    ASSERT_EQ(smpp.AddRecipient(0, "5550001"), 0);
    ASSERT_EQ(smpp.AddRecipient(0, "9990002"), 0);
    ASSERT_EQ(smpp.AddRecipient(1, "friends"), 0);
    // Not bound: the message binds, goes and unbinds.
    ASSERT_EQ(smpp.Send("to all"), 0) << smpp->LastError();
    EXPECT_FALSE(smpp->GetBool(kSmppConnected));
    const string id = smpp->GetText(kSmppMessageId);
    EXPECT_EQ(LastLogged("messages.log"), "submit_multi|" + id + "|KES|5550001,9990002,friends|0|" + Hex("to all"));
    const auto errors = smpp.Events().Of(kSmppEventError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].values[0], 660);
    EXPECT_EQ(errors[0].texts[1], "invalid desination address");

    // One recipient of type 1 is a distribution list: submit_multi too.
    ASSERT_EQ(smpp->Set(kSmppRecipientCount, 1), 0);
    ASSERT_EQ(smpp->Set(kSmppRecipientType, 1, 1), 0);
    ASSERT_EQ(smpp.Send("list only"), 0) << smpp->LastError();
    EXPECT_EQ(LastLogged("messages.log").substr(0, 13), "submit_multi|");

    // data_sm carries bytes, NULs and all, as its message payload.
    ASSERT_EQ(smpp->SetText(kSmppRecipient, "5550003"), 0);
    const string data("bin\0ary", 7);
    ASSERT_EQ(smpp.Call(kSmppSendData, {Smpp::Text(data.data())}, {int(data.size())}), 0) << smpp->LastError();
    EXPECT_EQ(LastLogged("messages.log"),
              "data_sm|" + string(smpp->GetText(kSmppMessageId)) + "|KES|5550003|2|" + Hex(data));
    const string tooLong(65536, 'd');
    EXPECT_EQ(smpp.Call(kSmppSendData, {Smpp::Text(tooLong.data())}, {int(tooLong.size())}), 667);
    EXPECT_STREQ(smpp->LastError(), "Message parameter too long (data body cannot be longer than 0x0FFFF).");
}

TEST(SmppPeer, BoundsOfWhatTheCallerSets)
{
    Smpp smpp;
    EXPECT_EQ(smpp->Set(kSmppRecipientCount, 256), 664);
    EXPECT_STREQ(smpp->LastError(), "Field value out of range (recipient count must be between 0 and 255).");
    EXPECT_EQ(smpp->Set(kSmppRecipientCount, -1), 664);
    ASSERT_EQ(smpp->Set(kSmppRecipientCount, 2), 0);
    ASSERT_EQ(smpp->SetText(kSmppRecipientAddress, "5550002", 2), 0);
    EXPECT_EQ(smpp->GetText(kSmppRecipientAddress, 2), "5550002");
    EXPECT_EQ(smpp->SetText(kSmppRecipientAddress, "x", 3), 666);
    EXPECT_STREQ(smpp->LastError(), "Recipient index out of bounds.");
    EXPECT_EQ(smpp->GetText(kSmppRecipientAddress, 0), "");
    EXPECT_EQ(smpp->LastErrorCode(), 666);
    EXPECT_EQ(smpp->CheckIndex(kSmppRecipientType, 2), 0);
    EXPECT_NE(smpp->CheckIndex(kSmppRecipientType, 3), 0);
    EXPECT_EQ(smpp->Set(kSmppRecipientType, 2, 1), 664);
    EXPECT_STREQ(smpp->LastError(), "Field value out of range (recipient type can only be 0 or 1).");
    ASSERT_EQ(smpp->SetText(kSmppRecipient, "5550001"), 0);
    EXPECT_EQ(smpp->GetInt(kSmppRecipientCount), 1);
    ASSERT_EQ(smpp->Set(kSmppRecipientCount, 255), 0);
    EXPECT_EQ(smpp.AddRecipient(0, "one too many"), 664);
    EXPECT_STREQ(smpp->LastError(), "Field value out of range (already at max recipient count).");

    EXPECT_EQ(smpp->Set(kSmppMessagePriority, 4), 664);
    EXPECT_STREQ(smpp->LastError(), "Field value out of range (Message Priority must be between 0 and 3).");
    EXPECT_EQ(smpp->GetInt(kSmppMessagePriority), 1);
    EXPECT_EQ(smpp->Set(kSmppServiceType, 8), 664);
    EXPECT_STREQ(smpp->LastError(), "Field value out of range (service type must be between 0 and 7).");
    EXPECT_EQ(smpp->SetText(kSmppSystemType, "thirteen byte"), 664);
    EXPECT_EQ(smpp->SetText(kSmppSystemType, "twelve bytes"), 0);
    EXPECT_EQ(smpp->Set(kSmppSMPPVersion, 3), 665);
    EXPECT_STREQ(smpp->LastError(), "Unsupported SMPP Version.");
    EXPECT_EQ(smpp->Config("SourceTON=256"), -1);
    ASSERT_EQ(smpp->Config("DestinationNPI=9"), 0);
    string answer;
    ASSERT_EQ(smpp->Query("DestinationNPI", answer), 0);
    EXPECT_EQ(answer, "9");
    EXPECT_EQ(smpp->GetInt(kSmppTimeout), 10);
    EXPECT_EQ(smpp->GetInt(kSmppSMPPPort), kSmppPort);
    EXPECT_EQ(smpp->Set(kSmppConnected, 1), -1);
}

// The scripted message centre's port for one session.
struct Scripted {
    ScriptedServer server;
    int Port()
    {
        EXPECT_TRUE(server.Start());
        return server.Port();
    }
};

string Pdu(uint32_t command, uint32_t status, uint32_t sequence, const string& body = string())
{
    smpp::Writer w;
    w.Bytes(body.data(), body.size());
    return w.Pdu(command, status, sequence);
}

string EnquireLink(uint32_t sequence)
{
    return Pdu(smpp::kEnquireLink, 0, sequence);
}

TEST(SmppScripted, CommandLengthsOutOfBoundsEndTheStream)
{
    // 0x7FFFFFFF would ask for 2 GB: refused at the header, the connection closed.
    for (const char* kind : {"huge", "short"}) {
        Scripted s;
        string header = Pdu(0x80000015, 0, 1);
        header[0] = string(kind) == "huge" ? '\x7f' : '\0';
        header[1] = header[2] = string(kind) == "huge" ? '\xff' : '\0';
        header[3] = string(kind) == "huge" ? '\xff' : '\x08';
        s.server.ExpectBytes(EnquireLink(1)).Send(header + "and some more").ExpectClose();
        Smpp smpp(s.Port());
        EXPECT_EQ(smpp.Call(kSmppSendCommand, {smpp::kEnquireLink, 0, 0}), 500) << kind;
        EXPECT_STREQ(smpp->LastError(), string(kind) == "huge" ? "pdu is of invalid length. Too long."
                                                               : "pdu is of invalid length. Header missing.");
        const auto errors = smpp.Events().Of(kSmppEventError);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].values[0], 500);
        EXPECT_EQ("", s.server.Finish());
    }
}

TEST(SmppScripted, ServerRequestsResponsesAndCloses)
{
    // The centre's own enquire_link is answered while a request waits; the
    // raw response body comes back; a response cut short is refused; a close
    // ends the wait.
    Scripted s;
    s.server.ExpectBytes(EnquireLink(1))
        .Send(EnquireLink(77))
        .ExpectBytes(Pdu(0x80000015, 0, 77))
        .Send(Pdu(0x80000015, 0, 1, string("raw\0body", 8)))
        .ExpectBytes(Pdu(smpp::kBindTransmitter, 0, 2,
                         string("kes\0secret\0\0\x50\0\0"
                                "127.0.0.1\0",
                                25)))
        .Send(Pdu(0x80000002, 0, 2, string("SMSC\0", 5)))
        .ExpectBytes(Pdu(smpp::kSubmitMulti, 0, 3,
                         string("\0\0\0S\0\x02\x01\0\0"
                                "1\0\x01\0\0"
                                "2\0\0\0\x01\0\0\0\0\0\0\x01m",
                                27)))
        .Send(Pdu(0x80000021, 0, 3,
                  string("id\0\x05\x01\x01"
                         "1\0\0\0\0",
                         11)))
        .ExpectBytes(EnquireLink(4))
        .Disconnect();
    Smpp smpp(s.Port());
    ASSERT_EQ(smpp.Call(kSmppSendCommand, {smpp::kEnquireLink, 0, 0}), 0) << smpp->LastError();
    EXPECT_EQ(smpp.Answer(2), string("raw\0body", 8));
    ASSERT_EQ(smpp->Config("SenderAddress=S"), 0);
    ASSERT_EQ(smpp.AddRecipient(0, "1"), 0);
    ASSERT_EQ(smpp.AddRecipient(0, "2"), 0);
    ASSERT_EQ(smpp.Connect(), 0) << smpp->LastError();
    EXPECT_EQ(smpp.Send("m"), 660);
    EXPECT_STREQ(smpp->LastError(), "SMPP protocol error (malformed response).");
    EXPECT_EQ(smpp.Call(kSmppCheckLink, {}), 671);
    EXPECT_STREQ(smpp->LastError(), "Server disconnected.");
    EXPECT_FALSE(smpp->GetBool(kSmppConnected));
    EXPECT_EQ("", s.server.Finish());
}

} // namespace
