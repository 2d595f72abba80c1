#include "netcomp/mail/tests/CoderTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "netcomp/mail/coders/CoderErrors.h"

PiecewiseStream::PiecewiseStream(const std::string& data, std::vector<size_t> pieces)
    : m_end(data.data() + data.size()), m_pieces(std::move(pieces))
{
    m_readPos = m_readEnd = data.data();
}

bool PiecewiseStream::Refill()
{
    if (m_readEnd == m_end)
        return false;
    size_t n = m_pieces.empty() ? size_t(m_end - m_readEnd) : m_pieces[m_next++ % m_pieces.size()];
    if (n == 0)
        n = 1;
    if (n > size_t(m_end - m_readEnd))
        n = size_t(m_end - m_readEnd);
    m_readEnd += n;
    return true;
}

std::string RunCoder(const CoderFn& coder, const std::string& input, int* rc, std::vector<size_t> pieces)
{
    std::string out(input.size() * 5 + 4096, '\0');
    CoderMemoryStream sink(kCoderOutput, &out[0], out.size());
    int result;
    if (pieces.empty()) {
        CoderMemoryStream in(input.data(), input.size());
        result = coder(in, sink);
    } else {
        PiecewiseStream in(input, pieces);
        result = coder(in, sink);
    }
    if (rc)
        *rc = result;
    out.resize(size_t(sink.Written()));
    return out;
}

std::string RandomBytes(std::mt19937& rng, size_t n, bool text)
{
    static const char kText[] = "abcdefghij KLMNOP=.\t\r\n\n0123456789~!";
    std::string s(n, '\0');
    for (auto& c : s)
        c = text ? kText[rng() % (sizeof kText - 1)] : char(rng() & 0xFF);
    return s;
}

std::string ScratchFile(const std::string& name, const std::string& bytes)
{
    std::ofstream(name, std::ios::binary) << bytes;
    return name;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string RunCommand(const std::string& command, int* status)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        if (status)
            *status = -1;
        return out;
    }
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, p))
        out.append(buffer, n);
    const int rc = pclose(p);
    if (status)
        *status = rc;
    return out;
}

std::string RunPython(const std::string& script, const std::vector<std::string>& args, int* status)
{
    ScratchFile("check.py", script);
    std::string command = "/usr/bin/python3 check.py";
    for (const auto& a : args)
        command += " '" + a + "'";
    return RunCommand(command + " 2>&1", status);
}
