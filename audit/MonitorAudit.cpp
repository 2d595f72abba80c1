// Monitor description and serial number from the display devices' EDID
// blocks.
//
// Windows 95/98/Me keep the block in the device key under Enum\MONITOR; NT
// systems keep it in the "Device Parameters" subkey of the instance under the
// display enumeration. Instances are visited in enumeration order and the
// first EDID 1.x block that is long enough decides; a key that cannot be
// opened ends the walk quietly (an instance without "Device Parameters" does
// that on a real system, so the order of instances matters).
#include "audit/MonitorAudit.h"

#include "asset/Exceptions.h"
#include "audit/EdidSerial.h"
#include "audit/RegistryKey.h"
#include "audit/SanitizeText.h"
#include "common/AppHelpers.h"

#include <vector>

namespace {

const char k9xMonitorRoot[] = "Enum\\MONITOR";
const char kNtDisplayRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";
const char kDeviceParameters[] = "\\Device Parameters";

// Where the device key lies is decided by what the system reports itself,
// not by the 9x override that tests may set.
bool ReportsWindows9xPlatform()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// True when this device key decided the serial number.
bool ReadDevice(HKEY machine, const std::string& path, bool windows9x, std::string& description, std::string& serialNo)
{
    RegistryKey device;
    device.Open(machine, path, false, KEY_READ);
    std::vector<char> edid;
    if (!device.GetBinaryValue("EDID", edid)) {
        device.Close();
        return false;
    }
    if (windows9x) {
        description = SanitizeText(device.GetStringValue("DeviceDesc", ""));
    }
    device.Close();

    const EdidSerial result = ReadEdidSerial(reinterpret_cast<const unsigned char*>(edid.data()), edid.size());
    if (result.outcome != EdidOutcome::Decided) {
        return false;
    }
    serialNo = SanitizeText(result.serial);
    return true;
}

} // namespace

void MonitorAudit::Run(HKEY machine, std::string& description, std::string& serialNo)
{
    description = "Monitor";
    serialNo.clear();
    try {
        const bool windows9x = IsWindows9x();
        const std::string root = windows9x ? k9xMonitorRoot : kNtDisplayRoot;
        RegistryKey rootKey;
        rootKey.Open(machine, root, false, KEY_READ);
        std::vector<std::string> classes;
        rootKey.GetSubKeyNames(classes);
        for (const std::string& deviceClass : classes) {
            const std::string classPath = root + "\\" + deviceClass;
            RegistryKey classKey;
            classKey.Open(machine, classPath, false, KEY_READ);
            std::vector<std::string> instances;
            classKey.GetSubKeyNames(instances);
            for (const std::string& instance : instances) {
                std::string path = classPath + "\\" + instance;
                if (!ReportsWindows9xPlatform()) {
                    path += kDeviceParameters;
                }
                if (ReadDevice(machine, path, windows9x, description, serialNo)) {
                    return;
                }
            }
        }
    } catch (const t_exception&) {
        // The step is optional: what was found so far stands.
    }
}
