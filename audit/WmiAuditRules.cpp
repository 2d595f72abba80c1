#include "audit/WmiAuditRules.h"

#include "audit/AsciiCase.h"
#include "audit/AuditConstants.h"

#include <cstdint>

namespace WmiAuditRules {

namespace {

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

bool AllDigits(const std::string& text, size_t from, size_t to)
{
    for (size_t i = from; i < to && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

// The record holds 32-bit numbers: larger results keep their low 32 bits, as
// a signed number.
long Low32(long long value)
{
    return static_cast<long>(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))));
}

bool ContainsNoCase(const std::string& text, const std::string& part)
{
    if (part.size() > text.size()) {
        return false;
    }
    for (size_t at = 0; at + part.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < part.size() && LowerAscii(text[at + i]) == LowerAscii(part[i])) {
            ++i;
        }
        if (i == part.size()) {
            return true;
        }
    }
    return false;
}

std::string FirstNonEmpty(const std::vector<std::string>& texts)
{
    for (const std::string& text : texts) {
        if (!text.empty()) {
            return text;
        }
    }
    return std::string();
}

} // namespace

long CpuSpeed(int extClock, int currentClock, int maxClock)
{
    if (extClock == 0) {
        return currentClock;
    }
    const long long base = maxClock != 0 ? maxClock : currentClock;
    const long long ext = extClock;
    return Low32(((base + ext / 2) / ext) * ext);
}

long RamMegabytes(long long bytes)
{
    const long long megabytes = Low32(bytes / 1048576);
    return Low32(((megabytes + 4) / 8) * 8);
}

long Megabytes(long long bytes)
{
    return Low32(bytes / 1048576);
}

long long ParseInt64(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    return static_cast<long long>(negative ? 0 - value : value);
}

bool IsPortableChassis(int chassisType)
{
    return chassisType == 8 || chassisType == 9 || chassisType == 10 || chassisType == 14;
}

std::string AssetTypeFromDomainRole(int role)
{
    return role > 1 ? "Server" : "Workstation";
}

std::string CdDriveType(const std::string& caption)
{
    if (Contains(caption, "RW")) {
        return AuditConstants::kCdrwDrive;
    }
    if (Contains(caption, "DVD")) {
        return AuditConstants::kDvdDrive;
    }
    if (Contains(caption, "CD-R") && !Contains(caption, "CD-ROM")) {
        return AuditConstants::kCdrDrive;
    }
    return AuditConstants::kCdromDrive;
}

std::string DiskDriveType(const std::string& mediaType)
{
    if (Contains(mediaType, "Fixed hard disk media")) {
        return AuditConstants::kHardDrive;
    }
    if (Contains(mediaType, "ZIP")) {
        return AuditConstants::kZipDrive;
    }
    if (Contains(mediaType, "LS-120") || Contains(mediaType, "LS120")) {
        return AuditConstants::kLs120Drive;
    }
    return AuditConstants::kOtherDrive;
}

std::string FloppyDriveType(const std::string& caption)
{
    if (Contains(caption, "LS-120") || Contains(caption, "LS120")) {
        return AuditConstants::kLs120Drive;
    }
    return AuditConstants::kFloppyDrive;
}

std::string PnpInterface(const std::string& pnpDeviceId)
{
    return pnpDeviceId.substr(0, pnpDeviceId.find('\\'));
}

std::string UserNameWithoutDomain(const std::string& text)
{
    const size_t slash = text.rfind('\\');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string DriveLetterFromName(std::string name)
{
    const size_t colon = name.find(':');
    if (colon != std::string::npos) {
        name.erase(colon, 1);
    }
    return name;
}

bool IsHotfixShaped(const std::string& name)
{
    return (name.size() == 7 && name[0] == 'Q') || (name.size() == 8 && name.compare(0, 2, "KB") == 0);
}

// Positions 2 to 7 (counted from 1) all digits, or positions 3 to the end.
// Knowledge-base numbers grew past six digits (KB4012212): "KB" and six or
// more digits is a hotfix too.
bool IsHotfixName(const std::string& name)
{
    if (name.size() > 8 && name.compare(0, 2, "KB") == 0) {
        return AllDigits(name, 2, name.size());
    }
    return IsHotfixShaped(name) && (AllDigits(name, 1, 7) || AllDigits(name, 2, name.size()));
}

bool IsQHotfixName(const std::string& name)
{
    return name.size() == 7 && name[0] == 'Q' && AllDigits(name, 1, 7);
}

bool IsWindows2000BeforeSp3(const std::string& osDescription, const std::string& servicePack)
{
    return osDescription.compare(0, AuditConstants::kWindows2000.size(), AuditConstants::kWindows2000) == 0 &&
           servicePack.compare(AuditConstants::kServicePack3) < 0;
}

// Current Windows describes every fix as "Update" or "Security Update"; the
// id (the KB number) is what tells one fix from another.
std::string HotfixText(const std::string& description, const std::string& hotfixId)
{
    if (hotfixId.empty() || ContainsNoCase(description, hotfixId)) {
        return description;
    }
    return hotfixId;
}

bool IsIpv4Address(const std::string& text)
{
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') {
                return false;
            }
            ++at;
        }
        const size_t start = at;
        unsigned value = 0;
        while (at < text.size() && at - start < 3 && text[at] >= '0' && text[at] <= '9') {
            value = value * 10 + static_cast<unsigned>(text[at] - '0');
            ++at;
        }
        if (at == start || value > 255) {
            return false;
        }
    }
    return at == text.size();
}

// An adapter's IPAddress and IPSubnet lists go side by side, IPv6 entries
// among them (Wine lists them first); the IPv4 address is the one to record.
AdapterAddress ChooseAdapterAddress(const std::vector<std::string>& addresses, const std::vector<std::string>& subnets)
{
    AdapterAddress chosen;
    for (size_t i = 0; i < addresses.size(); ++i) {
        if (!IsIpv4Address(addresses[i])) {
            continue;
        }
        chosen.address = addresses[i];
        if (i < subnets.size() && !subnets[i].empty()) {
            chosen.subnet = subnets[i];
        } else {
            for (const std::string& subnet : subnets) {
                if (IsIpv4Address(subnet)) {
                    chosen.subnet = subnet;
                    break;
                }
            }
        }
        return chosen;
    }
    chosen.address = FirstNonEmpty(addresses);
    chosen.subnet = FirstNonEmpty(subnets);
    return chosen;
}

} // namespace WmiAuditRules
