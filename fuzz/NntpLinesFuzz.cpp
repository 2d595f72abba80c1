// The lines of a news server's answers (GROUP reply, group list, overview and
// header-search lines): each parser cuts its own copy and must stay inside it,
// every text it points at lying within the line.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/mail/nntp/NntpLines.h"

namespace {

void Within(const std::string& line, const char* text)
{
    if (text < line.data() || text > line.data() + line.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    NntpGroupCounts counts;
    const bool read = ParseGroupReply(input.c_str(), counts);
    if (counts.count < 0 || counts.first < 0 || counts.last < 0 ||
        (!read && (counts.count || counts.first || counts.last)))
        std::abort();

    std::string line = input;
    NntpGroupLine group;
    SplitGroupLine(&line[0], group);
    Within(line, group.name);

    line = input;
    NntpOverviewLine o;
    SplitOverviewLine(&line[0], o);
    for (const char* text : {o.subject, o.from, o.date, o.messageId, o.references, o.rest})
        Within(line, text);
    if (o.number < 0 || o.bytes < 0 || o.lines < 0)
        std::abort();

    line = input;
    NntpSearchLine found;
    SplitSearchLine(&line[0], found);
    Within(line, found.rest);
    return 0;
}
