// The first computer source of the network audit: the machine accounts of
// the domain, read page by page from a domain controller's display
// information.
#pragma once

#include "app/ComputerSource.h"

struct MachineAccount {
    std::wstring m_name;   // "PC01$"
    DWORD m_nextIndex = 0; // where the page after this entry starts
};

// The two NetAPI calls of the scan; tests script them.
class MachineAccountApi {
public:
    virtual ~MachineAccountApi() = default;
    // A domain controller of this computer's primary domain.
    virtual DWORD GetAnyDcName(std::wstring& name) = 0;
    // One page of the machine accounts that server ("" for this computer)
    // holds, from index on: NERR_Success for the last page, ERROR_MORE_DATA
    // when more follow, else the failure.
    virtual DWORD QueryMachines(const std::wstring& server, DWORD index, std::vector<MachineAccount>& page) = 0;
};

// The system's NetAPI.
MachineAccountApi& SystemMachineAccounts();

class MachineAccountSource : public ComputerSource {
public:
    explicit MachineAccountSource(MachineAccountApi& api = SystemMachineAccounts()) : m_api(api) {}
    bool Scan(HWND owner, const std::function<void()>& beforeOperator, std::vector<std::string>& names) override;

private:
    MachineAccountApi& m_api;
};

// The computer a machine account stands for: "PC01$" is "pc01".
std::string ComputerOfMachineAccount(const std::wstring& account);
