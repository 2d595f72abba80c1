// A logical drive (local volume or mapped network drive) of a computer.
#pragma once

#include "asset/AssetPropertyIndex.h"
#include "asset/AssetPropertyValue.h"

#include <string>

// winbase.h keeps a 16-bit-era GetFreeSpace macro that would swallow the
// accessor's name.
#ifdef GetFreeSpace
#undef GetFreeSpace
#endif

namespace AssetIMPL {

class LogicalDriveImpl {
public:
    LogicalDriveImpl();
    // From a logical-drive record of the asset record type library.
    explicit LogicalDriveImpl(const VARIANT& record);
    virtual ~LogicalDriveImpl() = default;

    AssetPropertyVector& Properties() { return m_properties; }
    const AssetPropertyVector& Properties() const { return m_properties; }
    AssetPropertyValue& Property(LogicalDriveProp index) { return m_properties[index]; }
    const AssetPropertyValue& Property(LogicalDriveProp index) const { return m_properties[index]; }

    // The key; stored in upper case.
    void SetDriveLetter(std::string letter);
    long GetFreeSpace() const;
    void SetFreeSpace(long megabytes);
    long GetTotalSize() const;
    void SetTotalSize(long megabytes);

    VARIANT ToRecord();
    void FromRecord(const VARIANT& record);

private:
    AssetPropertyVector m_properties;
};

bool operator<(const LogicalDriveImpl& left, const LogicalDriveImpl& right);

} // namespace AssetIMPL
