#include "app/ExceptionReportTagReplacer.h"

namespace {

const char* const kTags[] = {"UnresponsiveComputers", "Win9xComputers"};

} // namespace

// The names come from the network's own lists and go out as page text.
void ExceptionReportTagReplacer::WriteRows(const std::vector<std::string>& names, TemplateOutputStream& out)
{
    static const char kRowStart[] = "<tr><td class=\"L\" colspan=\"2\">";
    static const char kRowEnd[] = "</td></tr>";
    for (const std::string& name : names) {
        out.Write(kRowStart, sizeof(kRowStart) - 1);
        WriteHtmlText(out, name);
        out.Write(kRowEnd, sizeof(kRowEnd) - 1);
    }
}

int ExceptionReportTagReplacer::FindHandler(const std::string& name) const
{
    for (int i = 0; i < 2; ++i) {
        if (name == kTags[i]) {
            return i;
        }
    }
    return -1;
}

bool ExceptionReportTagReplacer::CallHandler(int handler, TemplateOutputStream& out)
{
    WriteRows(handler == 0 ? m_unresponsive : m_nonNt, out);
    return true;
}
