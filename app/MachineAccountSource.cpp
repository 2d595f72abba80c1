// A domain controller answers for the domain; without one the local
// computer's own accounts are asked. Each page asks for 100 accounts and
// the next starts where the last entry of this one points.
#include "app/MachineAccountSource.h"

#include "common/MessageBoxHook.h"
#include "common/TextHelpers.h"

#include <lm.h>

#include <algorithm>
#include <cctype>

namespace {

const char kNoDomainControllerText[] = "Unable to contact the domain controller";
const char kQueryFailedText[] = "NetQueryDisplayInformation() returned an error.";
const DWORD kAccountsPerPage = 100;
const DWORD kMachineAccountLevel = 2;

class NetApiMachineAccounts : public MachineAccountApi {
public:
    DWORD GetAnyDcName(std::wstring& name) override
    {
        LPBYTE buffer = nullptr;
        const DWORD status = NetGetAnyDCName(nullptr, nullptr, &buffer);
        if (status == NERR_Success && buffer != nullptr) {
            name = reinterpret_cast<const wchar_t*>(buffer);
        }
        if (buffer != nullptr) {
            NetApiBufferFree(buffer);
        }
        return status;
    }

    DWORD QueryMachines(const std::wstring& server, DWORD index, std::vector<MachineAccount>& page) override
    {
        DWORD count = 0;
        void* buffer = nullptr;
        const DWORD status = NetQueryDisplayInformation(server.empty() ? nullptr : server.c_str(), kMachineAccountLevel,
                                                        index, kAccountsPerPage, MAX_PREFERRED_LENGTH, &count, &buffer);
        if ((status == NERR_Success || status == ERROR_MORE_DATA) && buffer != nullptr) {
            const auto* entries = static_cast<const NET_DISPLAY_MACHINE*>(buffer);
            for (DWORD i = 0; i < count; ++i) {
                page.push_back(
                    {entries[i].usri2_name != nullptr ? entries[i].usri2_name : L"", entries[i].usri2_next_index});
            }
        }
        if (buffer != nullptr) {
            NetApiBufferFree(buffer);
        }
        return status;
    }
};

} // namespace

std::string ComputerOfMachineAccount(const std::wstring& account)
{
    std::string name = ToNarrowString(account.c_str());
    name.erase(std::remove(name.begin(), name.end(), '$'), name.end());
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

MachineAccountApi& SystemMachineAccounts()
{
    static NetApiMachineAccounts accounts;
    return accounts;
}

bool MachineAccountSource::Scan(HWND owner, const std::function<void()>& beforeOperator,
                                std::vector<std::string>& names)
{
    std::wstring server;
    if (m_api.GetAnyDcName(server) != NERR_Success) {
        beforeOperator();
        ShowMessageBox(owner, kNoDomainControllerText, "Kestrova", MB_OK | MB_ICONERROR);
        server.clear();
    }
    WaitCursor wait;
    DWORD index = 0;
    for (;;) {
        std::vector<MachineAccount> page;
        const DWORD status = m_api.QueryMachines(server, index, page);
        if (status != NERR_Success && status != ERROR_MORE_DATA) {
            beforeOperator();
            ShowMessageBox(owner, kQueryFailedText, "Kestrova", MB_OK | MB_ICONERROR);
            return false;
        }
        for (const MachineAccount& account : page) {
            names.push_back(ComputerOfMachineAccount(account.m_name));
        }
        if (status == NERR_Success) {
            return true;
        }
        // "More" with an empty page, or with a page that points to where it
        // started, would have the same page asked for again and again.
        if (page.empty() || page.back().m_nextIndex == index) {
            beforeOperator();
            ShowMessageBox(owner, kQueryFailedText, "Kestrova", MB_OK | MB_ICONERROR);
            return false;
        }
        index = page.back().m_nextIndex;
    }
}
