// Installed software and hotfixes from the Uninstall key.
//
// Every subkey of the Uninstall key is one entry, sorted by the name rules
// the WMI engine uses too. A name like Q123456 or KB123456 is a hotfix, and
// only its name (or display name) is listed. A name of that shape that is not
// a number (Q12345A) is an installer's own entry: it is a title unless it
// carries a value named "@", which marks the leftovers some installers write
// there. Any other entry is a title only when it has a display name.
#include "audit/SoftwareAudit.h"

#include "audit/AuditConstants.h"
#include "audit/RegistryKey.h"
#include "audit/SanitizeText.h"
#include "audit/WmiAuditRules.h"

#include <boost/shared_ptr.hpp>

#include <vector>

using namespace AssetIMPL;

namespace {

// GetStringValue's answer for a value that is not there.
const char kAbsent[] = "default value";

bool SameTitle(const AssetSoftwareImpl& left, const AssetSoftwareImpl& right)
{
    return left.Property(kSoftwareDescription).GetString() == right.Property(kSoftwareDescription).GetString() &&
           left.Property(kSoftwareManufacturer).GetString() == right.Property(kSoftwareManufacturer).GetString() &&
           left.Property(kSoftwareVersion).GetString() == right.Property(kSoftwareVersion).GetString();
}

} // namespace

void SoftwareAudit::AddUnlessListed(SoftwareCollection& software, const boost::shared_ptr<AssetSoftwareImpl>& title)
{
    for (const auto& member : software.Members()) {
        if (SameTitle(*member, *title)) {
            return;
        }
    }
    software.Add(title);
}

boost::shared_ptr<AssetSoftwareImpl> SoftwareAudit::TitleFromEntry(const std::string& name, RegistryKey& entry)
{
    // A leftover entry is passed over before anything else of it is read: a
    // value there that is not text must not end the listing.
    if (WmiAuditRules::IsHotfixShaped(name) && entry.GetStringValue("@", kAbsent) != kAbsent) {
        return boost::shared_ptr<AssetSoftwareImpl>();
    }
    std::string description = entry.GetStringValue("DisplayName", "");
    if (WmiAuditRules::IsHotfixShaped(name)) {
        if (description.empty()) {
            description = name;
        }
    } else if (description.empty()) {
        return boost::shared_ptr<AssetSoftwareImpl>();
    }
    boost::shared_ptr<AssetSoftwareImpl> title(new AssetSoftwareImpl());
    title->SetId(name);
    title->Property(kSoftwareDescription).SetString(SanitizeText(description));
    title->Property(kSoftwareVersion).SetString(entry.GetStringValue("DisplayVersion", ""));
    title->Property(kSoftwareManufacturer).SetString(SanitizeText(entry.GetStringValue("Publisher", "")));
    return title;
}

void SoftwareAudit::Run(HKEY machine, AssetComputerImpl& computer)
{
    boost::shared_ptr<StringCollectionImpl> hotfixes = computer.GetHotfixes();
    boost::shared_ptr<SoftwareCollection> software = computer.GetSoftware();
    hotfixes->Clear();
    hotfixes->SetModified(true);

    RegistryKey uninstall;
    uninstall.Open(machine, AuditConstants::kUninstallKey, false, KEY_READ);
    std::vector<std::string> names;
    uninstall.GetSubKeyNames(names);

    for (const std::string& name : names) {
        RegistryKey entry;
        entry.Open(machine, AuditConstants::kUninstallKey + "\\" + name, false, KEY_READ);
        if (WmiAuditRules::IsHotfixName(name)) {
            const std::string description = entry.GetStringValue("DisplayName", "");
            hotfixes->Add(SanitizeText(description.empty() ? name : description));
            continue;
        }
        boost::shared_ptr<AssetSoftwareImpl> title = TitleFromEntry(name, entry);
        if (!title) {
            continue;
        }
        AddUnlessListed(*software, title);
    }
}
