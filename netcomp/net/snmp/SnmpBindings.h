#pragma once
// The variable bindings of one SNMP message: up to 256 entries of an object
// identifier, a value and the value's type code, which the components'
// ObjId, ObjValue and ObjType properties edit and every message fills.
#include <string>
#include <vector>

// Type codes of the binding values; the code is also the tag on the wire.
enum SnmpValueType : int {
    kSnmpInteger = 2,
    kSnmpOctetString = 4,
    kSnmpNull = 5,
    kSnmpObjectId = 6,
    kSnmpIpAddress = 64,
    kSnmpCounter32 = 65,
    kSnmpGauge32 = 66,
    kSnmpTimeTicks = 67,
    kSnmpCounter64 = 70,
    kSnmpUnsigned32 = 71,
    kSnmpNoSuchObject = 128,
    kSnmpNoSuchInstance = 129,
    kSnmpEndOfMibView = 130,
};

struct SnmpBinding {
    std::string oid;
    std::string value;
    int type = kSnmpOctetString;
};

class SnmpBindings {
public:
    static constexpr int kMaxCount = 256;
    static constexpr int kTooMany = 302;

    int Count() const { return int(m_entries.size()); }
    // 302 for a count outside 0..256; entries past the count are dropped,
    // new ones start empty with type 4.
    [[nodiscard]] int SetCount(int count);
    // 0-based; the caller has checked the index against Count().
    SnmpBinding& At(int index) { return m_entries[size_t(index)]; }
    const SnmpBinding& At(int index) const { return m_entries[size_t(index)]; }
    // False when the table is full.
    bool Add(SnmpBinding binding);
    // The first entry whose identifier equals oid in any ASCII case, or null.
    const SnmpBinding* Find(const char* oid) const;
    void Clear() { m_entries.clear(); }
    void Swap(SnmpBindings& other) { m_entries.swap(other.m_entries); }

private:
    std::vector<SnmpBinding> m_entries;
};
