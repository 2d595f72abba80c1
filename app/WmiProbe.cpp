// The start-up WMI probe of this computer: the connection, then the question
// of audit/WmiStartupProbe.
#include "app/KestrovaApp.h"
#include "audit/WmiAccess.h"
#include "audit/WmiStartupProbe.h"
#include "common/AppHelpers.h"

bool ProbeWmiAvailable(std::string& assetTag)
{
    try {
        IDispatchPtr locator = CreateWmiLocator();
        if (!locator) {
            return false;
        }
        IDispatchPtr services = ConnectWmiServer(locator, _bstr_t(IsWindows9x() ? "." : ""), 0);
        return ProbeWmiServices(services, assetTag);
    } catch (const _com_error&) {
        return false;
    }
}
