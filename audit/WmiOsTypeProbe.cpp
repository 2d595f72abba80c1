// The OS-type probe of the network audit.
//
// The probe runs on a thread of its own so that a computer that accepts the
// WMI connection but answers slowly cannot hold up the network audit: the
// waiter gives up after its wait and counts the computer as not auditable.
// The probe writes its result before its finished mark, and the waiter reads
// the result only after the thread has ended within the wait, so the two
// share the record without a lock; a late probe writes only its own record.
#include "audit/WmiOsTypeProbe.h"

#include "asset/Exceptions.h"
#include "audit/WmiAccess.h"

#include <memory>

namespace {

// wbemConnectFlagUseMaxWait: the connection gives up within two minutes.
const long kUseMaxWait = 0x80;
// In the CIM operating-system codes 16 is Windows 95, 17 Windows 98 and
// everything above an NT-family system.
const int kWindows98 = 17;

IDispatchPtr ConnectToComputer(const std::string& computer)
{
    IDispatchPtr locator = CreateWmiLocator();
    return ConnectWmiServer(locator, _bstr_t(computer.c_str()), kUseMaxWait);
}

int AskOsType(const OsTypeProbe& probe)
{
    IDispatchPtr services = probe.connect ? probe.connect(probe.target) : ConnectToComputer(probe.target);
    WmiDispatchAccess wmi(services);
    return wmi.ReadWmiPropertyInt("Win32_OperatingSystem", "OSType") > kWindows98 ? 1 : 0;
}

} // namespace

DWORD WINAPI WmiOsTypeProbeThread(LPVOID parameter)
{
    std::unique_ptr<boost::shared_ptr<OsTypeProbe>> holder(static_cast<boost::shared_ptr<OsTypeProbe>*>(parameter));
    OsTypeProbe& probe = **holder;
    const HRESULT initialized = CoInitialize(nullptr);
    LONG result = 0;
    try {
        result = AskOsType(probe);
    } catch (const _com_error& error) {
        result = 0;
        // Told by the waiter, if it still waits: a box from this thread would
        // belong to no window, and come again for every computer.
        probe.failure = t_exception(error).what();
    } catch (...) {
        result = 0;
    }
    InterlockedExchange(&probe.result, result);
    InterlockedExchange(&probe.finished, 1);
    if (SUCCEEDED(initialized)) {
        CoUninitialize();
    }
    return 1;
}

int ProbeOsType(const std::string& computer, DWORD waitMs, const OsTypeConnector& connect,
                boost::shared_ptr<OsTypeProbe>* record, std::string* failure)
{
    boost::shared_ptr<OsTypeProbe> probe(new OsTypeProbe());
    probe->target = computer;
    probe->connect = connect;
    if (record != nullptr) {
        *record = probe;
    }
    auto* parameter = new boost::shared_ptr<OsTypeProbe>(probe);
    HANDLE thread = CreateThread(nullptr, 0, WmiOsTypeProbeThread, parameter, 0, nullptr);
    if (thread == nullptr) {
        delete parameter;
        return 0;
    }
    const bool ended = WaitForSingleObject(thread, waitMs) == WAIT_OBJECT_0;
    CloseHandle(thread);
    if (!ended) {
        return 0;
    }
    if (failure != nullptr) {
        *failure = probe->failure;
    }
    return static_cast<int>(probe->result);
}
