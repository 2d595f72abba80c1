#include "app/ComputerListCollector.h"

#include "common/MessageBoxHook.h"

#include <cctype>

bool ComputerListCollector::OnResource(const NETRESOURCEA& resource)
{
    if (resource.dwDisplayType != RESOURCEDISPLAYTYPE_SERVER || resource.lpRemoteName == nullptr) {
        return true;
    }
    std::string name = resource.lpRemoteName;
    name.erase(0, name.find_first_not_of('\\'));
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (!name.empty()) {
        m_names.push_back(name);
    }
    return true;
}

bool ComputerListCollector::OnError(DWORD code, const char* callName)
{
    if (code == ERROR_BAD_NETPATH || code == ERROR_NO_NETWORK) {
        return true;
    }
    return NetworkEnumerator::OnError(code, callName);
}

bool NetworkBrowsingSource::Scan(HWND owner, const std::function<void()>& beforeOperator,
                                 std::vector<std::string>& names)
{
    WaitCursor wait;
    ComputerListCollector collector(names, m_api);
    if (collector.Run(NetworkEnumerator::kGlobalNetwork | NetworkEnumerator::kAnyType)) {
        return true;
    }
    beforeOperator();
    ShowMessageBox(owner, "Enumeration of the network failed.\r\n" + collector.ErrorText(), "Kestrova",
                   MB_OK | MB_ICONERROR);
    return false;
}
