// The value rules of the WMI engine's steps, apart from WMI itself: clock and
// memory rounding, asset and drive kinds, names of Uninstall entries.
#pragma once

#include <string>
#include <vector>

namespace WmiAuditRules {

// The multiple of the external clock nearest to the maximum clock (or the
// current one when no maximum is known); without an external clock the
// current clock as it stands.
long CpuSpeed(int extClock, int currentClock, int maxClock);
// Megabytes of a byte count, rounded to the nearest multiple of 8.
long RamMegabytes(long long bytes);
// A byte count in megabytes, truncated; the low 32 bits of the quotient.
long Megabytes(long long bytes);
// Whole number at the start of a text, as the C library's _atoi64 reads it.
long long ParseInt64(const std::string& text);

// Portable, Laptop, Notebook or Sub Notebook in the SMBIOS chassis list.
bool IsPortableChassis(int chassisType);
// "Server" for server and domain-controller roles, else "Workstation".
std::string AssetTypeFromDomainRole(int role);

std::string CdDriveType(const std::string& caption);
std::string DiskDriveType(const std::string& mediaType);
std::string FloppyDriveType(const std::string& caption);
// The bus part of a plug-and-play id: the text before its first backslash.
std::string PnpInterface(const std::string& pnpDeviceId);
// The user part of "DOMAIN\user".
std::string UserNameWithoutDomain(const std::string& text);
// "C:" gives "C": only the first colon goes.
std::string DriveLetterFromName(std::string name);

// Uninstall subkey names: "Q" + 6 characters, or "KB" + 6 characters.
bool IsHotfixShaped(const std::string& name);
// A hotfix-shaped name with the digits of a hotfix number, or "KB" and more
// than six digits.
bool IsHotfixName(const std::string& name);
// The Windows 2000 hotfix names before Service Pack 3: "Q" and six digits.
bool IsQHotfixName(const std::string& name);
// Windows 2000 before Service Pack 3 keeps its hotfixes only in the registry.
bool IsWindows2000BeforeSp3(const std::string& osDescription, const std::string& servicePack);
// What a fix is listed by: its description where that names the fix (holds
// its id, in any case) or where there is no id, else the id.
std::string HotfixText(const std::string& description, const std::string& hotfixId);

// A dotted IPv4 address: four decimal numbers up to 255.
bool IsIpv4Address(const std::string& text);

struct AdapterAddress {
    std::string address;
    std::string subnet;
};
// The address an adapter is recorded with, from the elements of its address
// and subnet lists (empty ones included, in order): the first IPv4 address
// with the subnet at its place (where that is empty, the first IPv4 mask of
// the list); without one, the first non-empty address and subnet.
AdapterAddress ChooseAdapterAddress(const std::vector<std::string>& addresses, const std::vector<std::string>& subnets);

} // namespace WmiAuditRules
