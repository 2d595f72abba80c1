// The OS-type probe of the network audit.
//
// The probe runs on a thread of its own so that a computer that accepts the
// WMI connection but answers slowly cannot hold up the network audit: the
// waiter gives up after its wait and counts the computer as not auditable.
// The probe writes its result before its finished mark, and the waiter reads
// the result only after the thread has ended within the wait, so the two
// share the record without a lock; a late probe writes only its own record.
//
// A COM error is told in a message box of the probe's thread, owned by no
// window, so the network audit goes on while it is open: the waiter's time
// runs out and the computer counts as not auditable. A probe that fails after
// the waiter gave up shows its box all the same. The box may still be open
// when the batch, or the whole program, has ended; the probe touches nothing
// but its own record (kept alive by its reference) and its COM apartment.
// The network audit runs only while someone works the program, who answers
// the box.
#include "audit/WmiOsTypeProbe.h"

#include "asset/Exceptions.h"
#include "audit/WmiAccess.h"
#include "common/MessageBoxHook.h"

#include <memory>

namespace {

const char kCaption[] = "Kestrova";
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

// The error's own description, or the system's text for its code. By now
// the WMI objects are released; the operator answers at leisure.
void TellFailure(const _com_error& error) noexcept
{
    try {
        ShowUnownedMessageBox(t_exception(error).what(), kCaption, MB_OK | MB_ICONERROR);
    } catch (...) {
        // No way left to tell it; the computer is listed as not auditable.
    }
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
        TellFailure(error);
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
                boost::shared_ptr<OsTypeProbe>* record)
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
    return ended ? static_cast<int>(probe->result) : 0;
}
