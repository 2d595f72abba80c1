// The server thread plays the steps in order, each on its channel. Every
// wait (for a client, for a command, for a datagram, for room to send) is
// cut into 50 ms slices so that Finish or the destructor can stop it at any
// point; a command that takes longer than the step time-out fails. A
// connection has no time of its own: when a client connects, or connects
// again, is the test's and the component's affair (a reconnect comes once
// the component has seen the drop, which may take its whole time-out), so
// the wait for it ends when it comes or when Finish's time has run out.
#include "netcomp/testing/ScriptedServer.h"

#include <cstdio>

namespace {

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

std::string ShownWhole(const std::string& bytes);

// Bytes as a failure shows them: quoted when they are printable, else in
// hex; of a long block only the start, and its length.
std::string Shown(const std::string& bytes)
{
    constexpr std::size_t kShownBytes = 64;
    if (bytes.size() <= kShownBytes)
        return ShownWhole(bytes);
    return ShownWhole(bytes.substr(0, kShownBytes)) + "... (" + std::to_string(bytes.size()) + " bytes)";
}

std::string ShownWhole(const std::string& bytes)
{
    bool printable = true;
    for (unsigned char c : bytes)
        printable = printable && c >= 0x20 && c < 0x7F;
    if (printable)
        return Quoted(bytes);
    std::string hex;
    char digits[4];
    for (unsigned char c : bytes) {
        std::snprintf(digits, sizeof digits, hex.empty() ? "%02x" : " %02x", c);
        hex += digits;
    }
    return "<" + hex + ">";
}

} // namespace

ScriptedServer::ScriptedServer(ScriptTransport transport)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    m_channels.push_back(std::make_unique<ScriptedChannel>(transport, m_stop));
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    m_channels.clear();
    WSACleanup();
}

int ScriptedServer::AddChannel(ScriptTransport transport)
{
    auto channel = std::make_unique<ScriptedChannel>(transport, m_stop);
    if (!channel->Open(0))
        return -1;
    m_channels.push_back(std::move(channel));
    return int(m_channels.size()) - 1;
}

ScriptedServer& ScriptedServer::On(int channel)
{
    m_current = channel;
    return *this;
}

unsigned short ScriptedServer::Port(int channel) const
{
    return channel >= 0 && std::size_t(channel) < m_channels.size() ? m_channels[std::size_t(channel)]->Port() : 0;
}

ScriptedServer& ScriptedServer::Add(Step step)
{
    step.channel = m_current;
    m_steps.push_back(std::move(step));
    return *this;
}

ScriptedServer& ScriptedServer::Reply(const std::string& line)
{
    return Add(Step(Kind::Reply, line + "\r\n"));
}

ScriptedServer& ScriptedServer::Send(const std::string& bytes)
{
    return Add(Step(Kind::Send, bytes));
}

ScriptedServer& ScriptedServer::SendWith(Make make)
{
    Step step(Kind::SendWith);
    step.make = std::move(make);
    return Add(std::move(step));
}

ScriptedServer& ScriptedServer::Expect(const std::string& line)
{
    return Add(Step(Kind::Expect, line));
}

ScriptedServer& ScriptedServer::ExpectPrefix(const std::string& prefix)
{
    return Add(Step(Kind::ExpectPrefix, prefix));
}

ScriptedServer& ScriptedServer::ExpectUntil(const std::string& terminator)
{
    return Add(Step(Kind::ExpectUntil, terminator));
}

ScriptedServer& ScriptedServer::ExpectBytes(const std::string& bytes)
{
    Step step(Kind::ExpectBytes, bytes);
    step.count = bytes.size();
    return Add(std::move(step));
}

ScriptedServer& ScriptedServer::ExpectBytes(std::size_t count, Check check)
{
    Step step(Kind::ExpectBytes);
    step.count = count;
    step.check = std::move(check);
    return Add(std::move(step));
}

ScriptedServer& ScriptedServer::Trickle(const std::string& bytes, DWORD intervalMs, std::size_t times)
{
    Step step(Kind::Trickle, bytes);
    step.interval = intervalMs;
    step.count = times;
    return Add(std::move(step));
}

ScriptedServer& ScriptedServer::ExpectQuiet(DWORD milliseconds)
{
    Step step(Kind::ExpectQuiet);
    step.interval = milliseconds;
    return Add(std::move(step));
}

ScriptedServer& ScriptedServer::Reset()
{
    return Add(Step(Kind::Reset));
}

ScriptedServer& ScriptedServer::Disconnect()
{
    return Add(Step(Kind::Disconnect));
}

ScriptedServer& ScriptedServer::ExpectClose()
{
    return Add(Step(Kind::ExpectClose));
}

ScriptedServer& ScriptedServer::Accept()
{
    return Add(Step(Kind::Accept));
}

ScriptedServer& ScriptedServer::ConnectBack(PortOf portOf)
{
    Step step(Kind::ConnectBack);
    step.portOf = std::move(portOf);
    return Add(std::move(step));
}

ScriptedServer& ScriptedServer::Silence()
{
    return Add(Step(Kind::Silence));
}

bool ScriptedServer::Start(unsigned short port)
{
    if (m_started || !m_channels[0]->Open(port))
        return false;
    m_started = true;
    m_thread = std::thread([this] { Play(); });
    return true;
}

std::string ScriptedServer::Finish(DWORD timeoutMs)
{
    if (!m_started)
        return "the server was not started";
    const DWORD start = GetTickCount();
    while (!m_played && GetTickCount() - start < timeoutMs)
        Sleep(10);
    const bool played = m_played;
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_failure.empty() && !played)
        m_failure = "the script did not end within " + std::to_string(timeoutMs) + " ms";
    return m_failure;
}

std::vector<std::string> ScriptedServer::Received() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_received;
}

std::string ScriptedServer::Captured(std::size_t i) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return i < m_captured.size() ? m_captured[i] : std::string();
}

void ScriptedServer::Record(const std::string& item)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_received.push_back(item);
}

void ScriptedServer::Fail(std::size_t index, const std::string& what)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_failure.empty())
        m_failure = "step " + std::to_string(index + 1) + ": " + what;
}

void ScriptedServer::Play()
{
    bool silent = false;
    bool failed = false;
    // A TCP script starts with the client's first connection.
    if (m_channels[0]->Transport() == ScriptTransport::Tcp && !m_channels[0]->Accept(INFINITE)) {
        Fail(0, "no client connected before the server stopped");
        failed = true;
    }
    for (std::size_t i = 0; i < m_steps.size() && !failed && !silent; ++i) {
        if (m_steps[i].kind == Kind::Silence)
            silent = true;
        else
            failed = !PlayStep(i, m_steps[i]);
    }
    m_played = true;
    if (failed) {
        CloseAll();
        return;
    }
    WatchAfterScript(silent);
}

bool ScriptedServer::PlayStep(std::size_t index, const Step& step)
{
    if (step.channel < 0 || std::size_t(step.channel) >= m_channels.size()) {
        Fail(index, "there is no channel " + std::to_string(step.channel));
        return false;
    }
    ScriptedChannel& channel = *m_channels[std::size_t(step.channel)];
    const bool udp = channel.Transport() == ScriptTransport::Udp;
    auto notOnDatagrams = [&](const char* what) {
        Fail(index, std::string(what) + " has no meaning on a datagram channel");
        return false;
    };
    switch (step.kind) {
    case Kind::Reply:
    case Kind::Send:
        return SendBytes(index, channel, step.text);
    case Kind::SendWith:
        return SendBytes(index, channel, step.make(m_last));
    case Kind::Expect:
    case Kind::ExpectPrefix:
        return ExpectLine(index, step, channel);
    case Kind::ExpectUntil:
        return udp ? notOnDatagrams("ExpectUntil") : ExpectLines(index, step, channel);
    case Kind::ExpectBytes:
        return ExpectData(index, step, channel);
    case Kind::Trickle:
        return udp ? notOnDatagrams("Trickle") : PlayTrickle(index, step, channel);
    case Kind::ExpectQuiet:
        return udp ? notOnDatagrams("ExpectQuiet") : ExpectNothing(index, step, channel);
    case Kind::Disconnect:
        if (udp)
            return notOnDatagrams("Disconnect");
        channel.CloseConnection();
        return true;
    case Kind::Reset:
        if (udp)
            return notOnDatagrams("Reset");
        channel.ResetConnection();
        return true;
    case Kind::ExpectClose: {
        if (udp)
            return notOnDatagrams("ExpectClose");
        std::string line;
        bool bareLf = false;
        const Read read = channel.ReadLine(line, m_stepTimeout, &bareLf);
        if (read == Read::Closed) {
            channel.CloseConnection();
            return true;
        }
        if (read == Read::Done)
            Record(line);
        Fail(index, read == Read::Done ? "expected the client to close, got " + Quoted(line)
                                       : "expected the client to close, it stayed connected");
        return false;
    }
    case Kind::Accept:
        if (udp)
            return notOnDatagrams("Accept");
        if (!channel.Accept(INFINITE)) {
            Fail(index, "no client connected again before the server stopped");
            return false;
        }
        return true;
    case Kind::ConnectBack: {
        if (udp)
            return notOnDatagrams("ConnectBack");
        const unsigned short port = step.portOf(m_last);
        if (!channel.ConnectTo(port)) {
            Fail(index, "could not connect to the client's port " + std::to_string(port));
            return false;
        }
        return true;
    }
    case Kind::Silence:
        break;
    }
    return true;
}

bool ScriptedServer::SendBytes(std::size_t index, ScriptedChannel& channel, const std::string& bytes)
{
    const bool udp = channel.Transport() == ScriptTransport::Udp;
    if (udp && !m_clientKnown) {
        Fail(index, "no datagram came yet to answer");
        return false;
    }
    if (!channel.Send(bytes, udp ? &m_client : nullptr)) {
        Fail(index, "could not send " + Shown(bytes));
        return false;
    }
    return true;
}

// One command line (TCP) or datagram (UDP); false with the failure noted.
bool ScriptedServer::ReadCommand(std::size_t index, ScriptedChannel& channel, const std::string& wanted,
                                 std::string& line)
{
    bool bareLf = false;
    Read read;
    if (channel.Transport() == ScriptTransport::Udp) {
        read = channel.ReadDatagram(line, m_client, m_stepTimeout);
        m_clientKnown = m_clientKnown || read == Read::Done;
    } else {
        read = channel.ReadLine(line, m_stepTimeout, &bareLf);
    }
    if (read == Read::Done) {
        Record(line);
        m_last = line;
    }
    if (read == Read::Done && bareLf)
        Fail(index, Quoted(line) + " ends in LF without CR");
    else if (read == Read::Closed)
        Fail(index, "expected " + wanted + ", the client closed the connection");
    else if (read == Read::TimedOut)
        Fail(index, "expected " + wanted + ", nothing came within " + std::to_string(m_stepTimeout) + " ms");
    else if (read == Read::Stopped)
        Fail(index, "expected " + wanted + ", the server was stopped first");
    return read == Read::Done && !bareLf;
}

bool ScriptedServer::ExpectLine(std::size_t index, const Step& step, ScriptedChannel& channel)
{
    const bool prefix = step.kind == Kind::ExpectPrefix;
    const std::string wanted = prefix ? "a line starting " + Quoted(step.text) : Quoted(step.text);
    std::string line;
    if (!ReadCommand(index, channel, wanted, line))
        return false;
    const bool matches = prefix ? line.compare(0, step.text.size(), step.text) == 0 : line == step.text;
    if (!matches)
        Fail(index, "expected " + wanted + ", got " + Quoted(line));
    return matches;
}

bool ScriptedServer::ExpectLines(std::size_t index, const Step& step, ScriptedChannel& channel)
{
    std::string block;
    std::string line;
    do {
        if (!ReadCommand(index, channel, "lines up to " + Quoted(step.text), line))
            return false;
        block += line + "\r\n";
    } while (line != step.text);
    std::lock_guard<std::mutex> lock(m_lock);
    m_captured.push_back(block);
    return true;
}

// Between two sends the step watches for the client's close; a send that
// fails other than by the server's stop found the connection reset.
bool ScriptedServer::PlayTrickle(std::size_t index, const Step& step, ScriptedChannel& channel)
{
    for (std::size_t i = 0; i < step.count; ++i) {
        if (i > 0) {
            const Read read = channel.WaitClosed(step.interval);
            if (read == Read::Closed) {
                channel.CloseConnection();
                return true;
            }
            if (read == Read::Stopped) {
                Fail(index, "the server was stopped after " + std::to_string(i) + " of " + std::to_string(step.count) +
                                " sends of " + Shown(step.text));
                return false;
            }
        }
        if (!channel.Send(step.text, nullptr)) {
            if (m_stop || !channel.Connected()) {
                Fail(index, "could not send " + Shown(step.text));
                return false;
            }
            channel.CloseConnection();
            return true;
        }
    }
    return true;
}

// The interval is waited out, unless the client closes first; what came in
// it is recorded.
bool ScriptedServer::ExpectNothing(std::size_t index, const Step& step, ScriptedChannel& channel)
{
    const Read read = channel.WaitClosed(step.interval);
    const std::string wanted = "nothing for " + std::to_string(step.interval) + " ms";
    const std::string came = channel.Pending();
    if (read == Read::TimedOut && came.empty())
        return true;
    if (!came.empty()) {
        Record(came);
        Fail(index, "expected " + wanted + ", got " + Shown(came));
    } else if (read == Read::Closed) {
        Fail(index, "expected " + wanted + ", the client closed the connection");
    } else {
        Fail(index, "expected " + wanted + ", the server was stopped first");
    }
    return false;
}

// count bytes of the connection, or one datagram.
bool ScriptedServer::ReadData(std::size_t index, const Step& step, ScriptedChannel& channel, std::string& bytes)
{
    const std::string wanted = step.check ? std::to_string(step.count) + " bytes" : Shown(step.text);
    if (channel.Transport() == ScriptTransport::Udp)
        return ReadCommand(index, channel, wanted, bytes);
    const Read read = channel.ReadBytes(step.count, bytes, m_stepTimeout);
    if (read == Read::Done) {
        Record(bytes);
        m_last = bytes;
        return true;
    }
    if (read == Read::Closed)
        Fail(index, "expected " + wanted + ", the client closed the connection");
    else if (read == Read::TimedOut)
        Fail(index, "expected " + wanted + ", they did not come within " + std::to_string(m_stepTimeout) + " ms");
    else
        Fail(index, "expected " + wanted + ", the server was stopped first");
    return false;
}

bool ScriptedServer::ExpectData(std::size_t index, const Step& step, ScriptedChannel& channel)
{
    std::string bytes;
    if (!ReadData(index, step, channel, bytes))
        return false;
    if (!step.check) {
        if (bytes == step.text)
            return true;
        Fail(index, "expected " + Shown(step.text) + ", got " + Shown(bytes));
        return false;
    }
    if (channel.Transport() == ScriptTransport::Udp && step.count != 0 && bytes.size() != step.count) {
        Fail(index, "expected a datagram of " + std::to_string(step.count) + " bytes, got " + Shown(bytes));
        return false;
    }
    const std::string complaint = step.check(bytes);
    if (!complaint.empty())
        Fail(index, complaint + " in " + Shown(bytes));
    return complaint.empty();
}

// After the script: whatever still comes on any channel is recorded, and is
// a failure unless the script ended in Silence. Ends when every connection
// has closed, or the server stops.
void ScriptedServer::WatchAfterScript(bool silent)
{
    for (;;) {
        fd_set ready;
        FD_ZERO(&ready);
        for (const auto& channel : m_channels) {
            if (channel->Watched() != INVALID_SOCKET)
                FD_SET(channel->Watched(), &ready);
        }
        const bool stopping = m_stop;
        if (ready.fd_count == 0)
            break;
        timeval wait = {0, stopping ? 0 : 50 * 1000};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0) {
            if (stopping)
                break;
            continue;
        }
        for (const auto& channel : m_channels) {
            std::string item;
            sockaddr_in from = {};
            while (channel->Watched() != INVALID_SOCKET && channel->TakeAvailable(item, from) == Read::Done) {
                Record(item);
                if (!silent)
                    Fail(m_steps.size(), "after the script, unexpected " + Shown(item));
            }
        }
    }
    CloseAll();
}

void ScriptedServer::CloseAll()
{
    for (const auto& channel : m_channels)
        channel->CloseConnection();
}
