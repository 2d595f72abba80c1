#include "netcomp/mail/smtp/SmtpText.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Appends data without the white space at both ends.
int AppendTrimmed(const char* data, uint32_t n, NetStringBase& out)
{
    while (n > 0 && IsBlank(data[0])) {
        ++data;
        --n;
    }
    while (n > 0 && IsBlank(data[n - 1]))
        --n;
    return out.Append(data, n);
}

// One entry of an address list, as the splitter walks it.
struct AddressEntry {
    NetString bare;  // the entry without comments
    NetString angle; // what stands inside the first "<" ... ">"
    bool hasAngle = false;
    bool angleClosed = false;

    void Clear()
    {
        bare.Clear();
        angle.Clear();
        hasAngle = false;
        angleClosed = false;
    }

    int AddTo(StringList& out) const
    {
        NetString address;
        const NetString& from = hasAngle ? angle : bare;
        int rc = AppendTrimmed(from.Data(), from.Length(), address);
        if (rc == kResultOk && !address.IsEmpty())
            rc = out.AddBytes(address.Data(), address.Length());
        return rc;
    }
};

int AppendLine(NetStringBase& out, const char* name, const char* value)
{
    if (!value || !*value)
        return kResultOk;
    int rc = out.AppendCStr(name);
    if (rc == kResultOk)
        rc = out.AppendCStr(value);
    if (rc == kResultOk)
        rc = out.Append("\r\n", 2);
    return rc;
}

int AppendChoice(NetStringBase& out, const char* name, int value, const char* const (&texts)[3])
{
    if (value < 1 || value > 3)
        return kResultOk;
    return AppendLine(out, name, texts[value - 1]);
}

} // namespace

int AppendWithOneLineEnd(NetStringBase& out, const char* text)
{
    uint32_t n = text ? uint32_t(std::strlen(text)) : 0;
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n'))
        --n;
    if (n == 0)
        return kResultOk;
    int rc = out.Append(text, n);
    return rc == kResultOk ? out.Append("\r\n", 2) : rc;
}

int SplitAddressList(const char* list, StringList& out)
{
    if (!list)
        return kResultOk;
    AddressEntry entry;
    bool quoted = false;
    int comment = 0;
    int rc = kResultOk;
    for (const char* p = list; *p && rc == kResultOk; ++p) {
        const char c = *p;
        // What the character adds to the entry: to its bare text unless it is
        // inside a comment, and to its bracketed address while that is open.
        auto keep = [&](const char* bytes, uint32_t n) {
            if (comment == 0 && rc == kResultOk)
                rc = entry.bare.Append(bytes, n);
            if (entry.hasAngle && !entry.angleClosed && comment == 0 && rc == kResultOk)
                rc = entry.angle.Append(bytes, n);
        };
        if (c == '\\' && p[1]) {
            keep(p, 2);
            ++p;
            continue;
        }
        if (quoted) {
            if (c == '"')
                quoted = false;
            keep(p, 1);
            continue;
        }
        if (c == '(') {
            ++comment;
            continue;
        }
        if (comment > 0) {
            if (c == ')')
                --comment;
            continue;
        }
        if (entry.hasAngle && !entry.angleClosed) {
            if (c == '>')
                entry.angleClosed = true;
            else
                keep(p, 1);
            continue;
        }
        if (c == '"') {
            quoted = true;
            keep(p, 1);
        } else if (c == '<' && !entry.hasAngle) {
            entry.hasAngle = true;
        } else if (c == ',') {
            rc = entry.AddTo(out);
            entry.Clear();
        } else {
            keep(p, 1);
        }
    }
    if (rc == kResultOk)
        rc = entry.AddTo(out);
    return rc;
}

int ReversePath(const char* from, NetStringBase& out)
{
    out.Clear();
    if (!from)
        return kResultOk;
    NetString text;
    for (const char* p = from; *p; ++p) {
        if (*p != '\r' && *p != '\n' && *p != '\t' && text.AppendChar(*p) != kResultOk)
            return kOutOfMemory;
    }
    const char* data = text.Data();
    uint32_t n = text.Length();
    if (n > 0 && data[0] == '<') {
        ++data;
        --n;
    }
    if (n > 0 && data[n - 1] == '>')
        --n;
    if (n > 0 && data[0] == '\x07')
        return out.Append(data + 1, n - 1);
    const char* open = static_cast<const char*>(std::memchr(data, '<', n));
    if (open) {
        const char* start = open + 1;
        const char* end = data + n;
        const char* close = static_cast<const char*>(std::memchr(start, '>', size_t(end - start)));
        return AppendTrimmed(start, uint32_t((close ? close : end) - start), out);
    }
    return AppendTrimmed(data, n, out);
}

int FormatMailDate(const MailTime& t, NetStringBase& out)
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* day = t.wday >= 0 && t.wday < 7 ? kDays[t.wday] : kDays[0];
    const char* month = t.month >= 1 && t.month <= 12 ? kMonths[t.month - 1] : kMonths[0];
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d GMT", day, t.day, month, t.year, t.hour, t.minute,
                  t.second);
    return out.AssignText(text);
}

int FormatMessageId(unsigned a, unsigned b, unsigned c, unsigned d, const char* from, NetStringBase& out)
{
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "<%ul.%ul%ul%ul", a, b, c, d);
    NetString address;
    int rc = ReversePath(from, address);
    if (rc == kResultOk)
        rc = out.AssignText(numbers);
    const int at = address.Find("@", 0);
    if (rc == kResultOk && at >= 0) {
        // The domain ends where the address does: at a blank, a control byte
        // or a character that cannot stand in it (a stray ">" of a From
        // written by hand would close the identifier early).
        uint32_t end = uint32_t(at);
        while (end < address.Length() && static_cast<unsigned char>(address[end]) > ' ' &&
               !std::strchr("<>()\",;:\\", address[end]))
            ++end;
        rc = out.Append(address.Data() + at, end - uint32_t(at));
    }
    return rc == kResultOk ? out.AppendChar('>') : rc;
}

int BuildMailHeaders(const MailHeaderFields& f, NetStringBase& out)
{
    out.Clear();
    const char* other = f.otherHeaders ? f.otherHeaders : "";
    if (other[0] == '\r' && other[1] == '\n')
        return out.AppendCStr(other + 2);
    static const char* const kPriority[] = {"Normal", "Urgent", "Non-Urgent"};
    static const char* const kImportance[] = {"High", "Normal", "Low"};
    static const char* const kSensitivity[] = {"Personal", "Private", "Company-Confidential"};
    int rc = AppendLine(out, "To: ", f.sendTo);
    rc = rc != kResultOk ? rc : AppendLine(out, "From: ", f.from);
    rc = rc != kResultOk ? rc : AppendLine(out, "Subject: ", f.subject);
    rc = rc != kResultOk ? rc : AppendLine(out, "Reply-To: ", f.replyTo);
    rc = rc != kResultOk ? rc : AppendLine(out, "Date: ", f.date);
    rc = rc != kResultOk ? rc : AppendLine(out, "Message-Id: ", f.messageId);
    rc = rc != kResultOk ? rc : AppendLine(out, "Cc: ", f.cc);
    rc = rc != kResultOk ? rc : AppendLine(out, "Disposition-Notification-To: ", f.readReceiptTo);
    rc = rc != kResultOk ? rc : AppendLine(out, "Return-Receipt-To: ", f.deliveryNotificationTo);
    rc = rc != kResultOk ? rc : AppendChoice(out, "Priority: ", f.priority, kPriority);
    rc = rc != kResultOk ? rc : AppendChoice(out, "Importance: ", f.importance, kImportance);
    rc = rc != kResultOk ? rc : AppendChoice(out, "Sensitivity: ", f.sensitivity, kSensitivity);
    rc = rc != kResultOk ? rc : AppendWithOneLineEnd(out, other);
    if (rc == kResultOk && f.japanese && !StrIStr(other, "Content-Type:"))
        rc = out.AppendCStr("Content-Type: text/plain; charset=iso-2022-jp\r\n");
    return rc;
}

int DotStuffer::Stuff(const char* data, uint32_t n, NetStringBase& out)
{
    uint32_t start = 0;
    for (uint32_t i = 0; i < n; ++i) {
        if (m_lineStart && data[i] == '.') {
            // The run up to here, then the extra dot; the dot itself starts the next run.
            if (out.Append(data + start, i - start) != kResultOk || out.AppendChar('.') != kResultOk)
                return kOutOfMemory;
            start = i;
        }
        m_lineStart = data[i] == '\n';
    }
    return out.Append(data + start, n - start);
}

const char* ReplyTextAfterCode(const char* line, uint32_t n, uint32_t* length)
{
    *length = n > 4 ? n - 4 : 0;
    return n > 4 ? line + 4 : "";
}

const char* ReplyTextAfterBlank(const char* line, uint32_t n, uint32_t* length)
{
    const char* blank = static_cast<const char*>(std::memchr(line, ' ', n));
    if (!blank) {
        *length = 0;
        return "";
    }
    *length = uint32_t(line + n - blank - 1);
    return blank + 1;
}

int QueueFileName(const char* folder, unsigned a, unsigned b, NetStringBase& out)
{
    out.Clear();
    const char* f = folder ? folder : "";
    uint32_t n = uint32_t(std::strlen(f));
    while (n > 0 && (f[n - 1] == '\\' || f[n - 1] == '/'))
        --n;
    char name[64];
    std::snprintf(name, sizeof name, "\\%ul_%ul0.queued", a, b);
    int rc = out.Append(f, n);
    return rc == kResultOk ? out.AppendCStr(name) : rc;
}

bool QueueFileVariant(NetStringBase& name, int i)
{
    if (name.Length() < 8 || i < 0 || i > 25)
        return false;
    name.Data()[name.Length() - 8] = char('a' + i);
    return true;
}

int ReplaceExtension(const char* path, const char* extension, NetStringBase& out)
{
    out.Clear();
    const char* p = path ? path : "";
    const char* slash = StrRChr(p, '\\');
    const char* dot = StrRChr(slash ? slash : p, '.');
    const uint32_t keep = dot ? uint32_t(dot - p) : uint32_t(std::strlen(p));
    int rc = out.Append(p, keep);
    if (rc == kResultOk)
        rc = out.AppendChar('.');
    return rc == kResultOk ? out.AppendCStr(extension) : rc;
}

int QueueLineReader::Feed(const char* data, uint32_t n)
{
    if (m_read > 0 && m_read == m_buffer.Length()) {
        m_buffer.Clear();
        m_read = 0;
    }
    return m_buffer.Append(data, n);
}

QueueLineReader::Result QueueLineReader::Next(const char** line, uint32_t* length)
{
    const char* start = m_buffer.Data() + m_read;
    const uint32_t held = m_buffer.Length() - m_read;
    const char* lf = static_cast<const char*>(std::memchr(start, '\n', held));
    if (!lf)
        return held > kMaxLine ? Result::TooLong : Result::None;
    uint32_t n = uint32_t(lf - start);
    m_read += n + 1;
    if (n > kMaxLine)
        return Result::TooLong;
    if (n > 0 && start[n - 1] == '\r')
        --n;
    if (m_line.Assign(n, start) != kResultOk)
        return Result::TooLong;
    *line = m_line.CStr();
    *length = n;
    return Result::Line;
}

const char* QueueLineReader::Rest(uint32_t* length) const
{
    *length = m_buffer.Length() - m_read;
    return m_buffer.Data() + m_read;
}

void QueueLineReader::Clear()
{
    m_buffer.Clear();
    m_read = 0;
    m_line.Clear();
}
