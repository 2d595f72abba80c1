#include "netcomp/net/dns/DnsEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_dns.h"

namespace {

constexpr EventTable kDnsEvents = {{SharedEvent::Error, kDnsEventError}};

constexpr int kNoRecords = 100;

} // namespace

DnsEngine::DnsEngine() : MxEngine("DNS")
{
    SetEventTable(kDnsEvents);
}

int DnsEngine::SetRecordSource(int source)
{
    SetLastErrorText("");
    if (source < 0 || source > 3) {
        SetLastErrorText("Invalid record source.");
        return dns::kBadRecordSource;
    }
    m_recordSource = source;
    return kResultOk;
}

void DnsEngine::ClearResults()
{
    MxEngine::ClearResults();
    m_statusCode = 0;
}

void DnsEngine::OnResponse()
{
    const dns::Header& header = Answer().GetHeader();
    int id = int(header.id);
    const char* domain = Answer().Domain().c_str();
    int authoritative = header.authoritative;
    const char* text = "OK";
    m_statusCode = 0;
    if (header.rcode != 0) {
        text = dns::RcodeText(header.rcode);
        m_statusCode = header.rcode;
    } else if (Answer().SectionCount(0) == 0) {
        text = "No records were found.";
        m_statusCode = kNoRecords;
    }
    int status = m_statusCode;
    SetStatus(text);
    Fire(kDnsEventResponse, {EventParam::Int(&id), EventParam::Text(&domain), EventParam::Int(&status),
                             EventParam::Text(&text), EventParam::Int(&authoritative)});
}

// StatusCode says it too, beside Status, as it says the server's codes.
void DnsEngine::OnUnusableResponse(int code, const char* text)
{
    m_statusCode = code;
    MxEngine::OnUnusableResponse(code, text);
}

int DnsEngine::CheckRecordIndex(int index)
{
    if (Record(index))
        return kResultOk;
    SetLastErrorText("Invalid record index (out of range).");
    return kIndexOutOfRange;
}

ByteView DnsEngine::RecordData(int index)
{
    const dns::Record* r = Record(index);
    return r ? ByteView{Answer().Data(*r), int(r->dataLength)} : ByteView{"", 0};
}

std::string DnsEngine::RecordDomain(int index)
{
    const dns::Record* r = Record(index);
    return r ? Answer().OwnerName(*r) : std::string();
}

int DnsEngine::RecordFieldCount(int index)
{
    const dns::Record* r = Record(index);
    return r ? dns::FieldCount(r->type) : 0;
}

const char* DnsEngine::RecordFieldName(int index)
{
    const dns::Record* r = Record(index);
    return r ? dns::FieldName(r->type, m_fieldIndex) : "";
}

// Field 0 is the record's data as received; a field that cannot be read
// gives no data and leaves its code and text as the last error.
ByteView DnsEngine::RecordFieldValue(int index)
{
    const dns::Record* r = Record(index);
    if (!r)
        return {"", 0};
    if (m_fieldIndex == 0)
        return RecordData(index);
    const int rc = Answer().FieldValue(*r, m_fieldIndex, m_field);
    if (rc != kResultOk) {
        SetLastErrorText(rc == dns::kUnknownRecordType ? "Unknown record type (can't parse fields)."
                         : rc == dns::kBadFieldIndex   ? "Invalid field index for record type."
                                                       : "Record data too short for the field.");
        SetLastCode(rc);
        return {"", 0};
    }
    return {m_field.data(), int(m_field.size())};
}

int DnsEngine::RecordTtl(int index)
{
    const dns::Record* r = Record(index);
    return r ? int(r->ttl) : 0;
}

int DnsEngine::RecordType(int index)
{
    const dns::Record* r = Record(index);
    return r ? r->type : 0;
}

const char* DnsEngine::RecordTypeName(int index)
{
    const dns::Record* r = Record(index);
    return r ? dns::TypeName(r->type) : "";
}
