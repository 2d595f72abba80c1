// The server thread plays the steps in order on one connection at a time.
// Every wait (for a client, for a command line) is cut into 50 ms slices so
// that Finish or the destructor can stop it at any point; a step that waits
// longer than the step time-out fails.
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr DWORD kSlice = 50;

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

} // namespace

ScriptedServer::ScriptedServer()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    CloseConnection();
    if (m_listener != INVALID_SOCKET)
        closesocket(m_listener);
    WSACleanup();
}

ScriptedServer& ScriptedServer::Add(Kind kind, const std::string& text)
{
    m_steps.push_back({kind, text});
    return *this;
}

ScriptedServer& ScriptedServer::Reply(const std::string& line)
{
    return Add(Kind::Reply, line + "\r\n");
}

ScriptedServer& ScriptedServer::Send(const std::string& bytes)
{
    return Add(Kind::Send, bytes);
}

ScriptedServer& ScriptedServer::Expect(const std::string& line)
{
    return Add(Kind::Expect, line);
}

ScriptedServer& ScriptedServer::ExpectPrefix(const std::string& prefix)
{
    return Add(Kind::ExpectPrefix, prefix);
}

ScriptedServer& ScriptedServer::ExpectUntil(const std::string& terminator)
{
    return Add(Kind::ExpectUntil, terminator);
}

ScriptedServer& ScriptedServer::Disconnect()
{
    return Add(Kind::Disconnect, "");
}

ScriptedServer& ScriptedServer::ExpectClose()
{
    return Add(Kind::ExpectClose, "");
}

ScriptedServer& ScriptedServer::Accept()
{
    return Add(Kind::Accept, "");
}

ScriptedServer& ScriptedServer::Silence()
{
    return Add(Kind::Silence, "");
}

bool ScriptedServer::Start(unsigned short port)
{
    if (m_started)
        return false;
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_listener == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof address;
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(m_listener, 4) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(m_listener);
        m_listener = INVALID_SOCKET;
        return false;
    }
    m_port = ntohs(address.sin_port);
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
    if (!AcceptConnection()) {
        Fail(0, "no client connected");
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
        CloseConnection();
        return;
    }
    WatchAfterScript(silent);
}

bool ScriptedServer::PlayStep(std::size_t index, const Step& step)
{
    std::string line;
    bool bareLf = false;
    auto readCommand = [&](const std::string& wanted) {
        const Read read = ReadLine(line, m_stepTimeout, &bareLf);
        if (read == Read::Line) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_received.push_back(line);
        }
        if (read == Read::Line && bareLf)
            Fail(index, Quoted(line) + " ends in LF without CR");
        else if (read == Read::Closed)
            Fail(index, "expected " + wanted + ", the client closed the connection");
        else if (read == Read::TimedOut)
            Fail(index, "expected " + wanted + ", nothing came within " + std::to_string(m_stepTimeout) + " ms");
        else if (read == Read::Stopped)
            Fail(index, "expected " + wanted + ", the server was stopped first");
        return read == Read::Line && !bareLf;
    };

    switch (step.kind) {
    case Kind::Reply:
    case Kind::Send:
        if (!SendAll(step.text)) {
            Fail(index, "could not send " + Quoted(step.text));
            return false;
        }
        return true;
    case Kind::Expect:
        if (!readCommand(Quoted(step.text)))
            return false;
        if (line != step.text) {
            Fail(index, "expected " + Quoted(step.text) + ", got " + Quoted(line));
            return false;
        }
        return true;
    case Kind::ExpectPrefix:
        if (!readCommand("a line starting " + Quoted(step.text)))
            return false;
        if (line.compare(0, step.text.size(), step.text) != 0) {
            Fail(index, "expected a line starting " + Quoted(step.text) + ", got " + Quoted(line));
            return false;
        }
        return true;
    case Kind::ExpectUntil: {
        std::string block;
        do {
            if (!readCommand("lines up to " + Quoted(step.text)))
                return false;
            block += line + "\r\n";
        } while (line != step.text);
        std::lock_guard<std::mutex> lock(m_lock);
        m_captured.push_back(block);
        return true;
    }
    case Kind::Disconnect:
        CloseConnection();
        return true;
    case Kind::ExpectClose: {
        const Read read = ReadLine(line, m_stepTimeout, &bareLf);
        if (read == Read::Closed) {
            CloseConnection();
            return true;
        }
        if (read == Read::Line) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_received.push_back(line);
        }
        Fail(index, read == Read::Line ? "expected the client to close, got " + Quoted(line)
                                       : "expected the client to close, it stayed connected");
        return false;
    }
    case Kind::Accept:
        CloseConnection();
        if (!AcceptConnection()) {
            Fail(index, "no client connected again");
            return false;
        }
        return true;
    case Kind::Silence:
        break;
    }
    return true;
}

void ScriptedServer::WatchAfterScript(bool silent)
{
    while (m_connection != INVALID_SOCKET) {
        std::string line;
        bool bareLf = false;
        const Read read = ReadLine(line, INFINITE, &bareLf);
        if (read != Read::Line)
            break;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_received.push_back(line);
        }
        if (!silent)
            Fail(m_steps.size(), "after the script, unexpected " + Quoted(line));
    }
    CloseConnection();
}

bool ScriptedServer::AcceptConnection()
{
    const DWORD start = GetTickCount();
    while (!m_stop && GetTickCount() - start < m_stepTimeout) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_listener, &ready);
        timeval wait = {0, long(kSlice) * 1000};
        if (select(0, &ready, nullptr, nullptr, &wait) > 0) {
            m_connection = accept(m_listener, nullptr, nullptr);
            m_pending.clear();
            return m_connection != INVALID_SOCKET;
        }
    }
    return false;
}

void ScriptedServer::CloseConnection()
{
    if (m_connection == INVALID_SOCKET)
        return;
    shutdown(m_connection, SD_SEND);
    closesocket(m_connection);
    m_connection = INVALID_SOCKET;
}

ScriptedServer::Read ScriptedServer::ReadLine(std::string& line, DWORD timeout, bool* bareLf)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            *bareLf = line.empty() || line.back() != '\r';
            if (!*bareLf)
                line.pop_back();
            return Read::Line;
        }
        if (m_connection == INVALID_SOCKET)
            return Read::Closed;
        // Once stopping, what the client sent before is still taken in (and
        // judged), but nothing is waited for any more.
        const bool stopping = m_stop;
        if (!stopping && timeout != INFINITE && GetTickCount() - start >= timeout)
            return Read::TimedOut;
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_connection, &ready);
        timeval wait = {0, stopping ? 0 : long(kSlice) * 1000};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0) {
            if (stopping)
                return Read::Stopped;
            continue;
        }
        char buffer[4096];
        const int n = recv(m_connection, buffer, sizeof buffer, 0);
        if (n <= 0)
            return Read::Closed;
        m_pending.append(buffer, std::size_t(n));
    }
}

bool ScriptedServer::SendAll(const std::string& bytes)
{
    if (m_connection == INVALID_SOCKET)
        return false;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(m_connection, bytes.data() + sent, int(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += std::size_t(n);
    }
    return true;
}
