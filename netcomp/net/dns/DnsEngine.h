#pragma once
// The DNS component's engine: queries of any type below 256 and the records
// of the last response, read field by field as text.
#include <string>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/net/dns/MxEngine.h"

class DnsEngine : public MxEngine {
public:
    DnsEngine();

    [[nodiscard]] int SetQuery(const char* name) { return Resolve(name); }
    const char* GetQuery() const { return GetDomain(); }
    int GetQueryType() const { return m_queryType; }
    void SetQueryType(int type) { m_queryType = type; }
    bool GetRecursionDesired() const { return m_recursionDesired; }
    void SetRecursionDesired(bool on) { m_recursionDesired = on; }
    int GetFieldIndex() const { return m_fieldIndex; }
    void SetFieldIndex(int field) { m_fieldIndex = field; }
    int GetRecordSource() const { return m_recordSource; }
    [[nodiscard]] int SetRecordSource(int source);
    int GetStatusCode() const { return m_statusCode; }

    int RecordCount() const { return Answer().SectionCount(m_recordSource); }
    [[nodiscard]] int CheckRecordIndex(int index);
    ByteView RecordData(int index);
    std::string RecordDomain(int index);
    int RecordFieldCount(int index);
    const char* RecordFieldName(int index);
    ByteView RecordFieldValue(int index);
    int RecordTtl(int index);
    int RecordType(int index);
    const char* RecordTypeName(int index);

protected:
    int QueryType() const override { return m_queryType; }
    bool RecursionDesired() const override { return m_recursionDesired; }
    std::string NameToAsk(const std::string& name) const override { return name; }
    void OnResponse() override;
    void OnUnusableResponse(int code, const char* text) override;
    void ClearResults() override;

private:
    const dns::Record* Record(int index) const { return Answer().Find(m_recordSource, index); }

    int m_queryType = dns::kTypeA;
    bool m_recursionDesired = true;
    int m_fieldIndex = 1;
    int m_recordSource = 0;
    int m_statusCode = 0;
    std::string m_field;
};
