#include "netcomp/core/tcp/ReplyReader.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int ReplyReader::LeadingCode(const char* line, uint32_t n)
{
    if (n < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2]))
        return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

void ReplyReader::Start()
{
    m_text.Clear();
    m_final.Clear();
    m_open = false;
    m_complete = false;
    m_positive = false;
    m_overflowed = false;
    m_code = 0;
    m_lines = 0;
    m_error = 0;
}

ReplyReader::Step ReplyReader::Take(const char* line, uint32_t n, Hint hint)
{
    if (!line)
        n = 0;
    if (m_complete)
        Start();
    ++m_lines;
    if (m_maxSize == 0) {
        // Nothing is kept, so nothing overflows.
    } else if (!m_overflowed && uint64_t(m_text.Length()) + n + 2 <= m_maxSize) {
        if (m_text.Append(line, n) != kResultOk || m_text.Append("\r\n", 2) != kResultOk)
            m_error = kOutOfMemory;
    } else {
        m_overflowed = true;
    }
    if (m_final.Assign(n, line) != kResultOk) {
        m_final.Clear();
        m_error = kOutOfMemory;
    }
    const bool ends = hint == Hint::Rules ? EndsReply(line, n) : hint == Hint::Final;
    if (!ends)
        return Step::More;
    Judge(line, n);
    // A preliminary reply (1xx) announces the real one.
    if (hint == Hint::Rules && m_rules.form == ReplyForm::Coded && m_rules.preliminaryWaits && n > 0 &&
        line[0] == '1') {
        m_positive = false;
        return Step::More;
    }
    m_complete = true;
    return Step::Done;
}

bool ReplyReader::Ends(const char* line, uint32_t n) const
{
    if (!line)
        n = 0;
    if (m_rules.form != ReplyForm::Coded)
        return true;
    // Inside an "NNN-" reply only "NNN " or "NNN" alone ends it.
    if (m_open && !m_complete)
        return n >= 3 && std::memcmp(line, m_openCode, 3) == 0 && (n == 3 || line[3] == ' ');
    return n < 4 || line[3] != '-';
}

bool ReplyReader::EndsReply(const char* line, uint32_t n)
{
    const bool ends = Ends(line, n);
    if (ends) {
        m_open = false;
    } else if (!m_open && m_rules.sameCodeEnds) {
        std::memcpy(m_openCode, line, 3);
        m_open = true;
    }
    return ends;
}

void ReplyReader::Judge(const char* line, uint32_t n)
{
    m_code = LeadingCode(line, n);
    switch (m_rules.form) {
    case ReplyForm::SingleLine:
        m_positive = true;
        break;
    case ReplyForm::Status:
        m_positive = n > 0 && line[0] == '+';
        break;
    case ReplyForm::Coded:
        m_positive = m_code != 0 && m_rules.positiveDigits && std::strchr(m_rules.positiveDigits, line[0]) != nullptr;
        break;
    }
}
