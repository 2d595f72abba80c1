// DNS responses as the DNS and MX components receive them: the header,
// every record of every section with each of its fields, owner names and
// mail exchanges, and names read at every offset of the message. A response
// that does not read keeps no record; one that does keeps only records whose
// fields all read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/net/dns/DnsMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dns::Response response;
    if (!response.Parse(reinterpret_cast<const char*>(data), size))
        return 0;
    int total = 0;
    for (int section = 0; section < 4; ++section) {
        const int count = response.SectionCount(section);
        total += count;
        for (int number = 0; number <= count + 1; ++number) {
            const dns::Record* record = response.Find(section, number);
            if (!record)
                continue;
            if (record->dataOffset + record->dataLength > size)
                std::abort();
            (void)response.OwnerName(*record);
            for (int field = 0; field <= 8; ++field) {
                std::string text;
                // A record is kept only when every field of its type reads.
                if (response.FieldValue(*record, field, text) == dns::kMalformedRecord)
                    std::abort();
            }
            int preference = 0;
            std::string exchange;
            (void)response.MailExchange(*record, preference, exchange);
        }
    }
    if (total > dns::kMaxRecords || (!response.Readable() && total != 0))
        std::abort();
    for (size_t offset = 0; offset < size && offset < 512; ++offset) {
        std::string name;
        const dns::NameRead read = dns::ReadName(data, size, offset, name);
        if (read.ok && (read.next > size || name.size() > 255))
            std::abort();
    }
    return 0;
}
