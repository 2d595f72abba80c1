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

} // namespace

SoftwareTitleList::SoftwareTitleList(SoftwareCollection& software) : m_software(software)
{
    for (const auto& member : software.Members()) {
        m_listed.insert(member.get());
    }
}

bool SoftwareTitleList::SameTitle::operator()(const AssetSoftwareImpl* left, const AssetSoftwareImpl* right) const
{
    for (SoftwareProp p : {kSoftwareDescription, kSoftwareManufacturer, kSoftwareVersion}) {
        const int order = left->Property(p).GetString().compare(right->Property(p).GetString());
        if (order != 0) {
            return order < 0;
        }
    }
    return false;
}

void SoftwareTitleList::AddUnlessListed(const boost::shared_ptr<AssetSoftwareImpl>& title)
{
    if (m_listed.insert(title.get()).second) {
        m_pending.push_back(title);
    }
}

void SoftwareTitleList::Flush()
{
    SoftwareCollection::PartVector pending;
    pending.swap(m_pending);
    m_software.AddAll(pending);
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
    hotfixes->Clear();
    hotfixes->SetModified(true);

    RegistryKey uninstall;
    uninstall.Open(machine, AuditConstants::kUninstallKey, false, KEY_READ);
    std::vector<std::string> names;
    uninstall.GetSubKeyNames(names);

    SoftwareTitleList titles(*computer.GetSoftware());
    try {
        for (const std::string& name : names) {
            RegistryKey entry;
            entry.Open(uninstall.Handle(), name, false, KEY_READ);
            if (WmiAuditRules::IsHotfixName(name)) {
                const std::string description = entry.GetStringValue("DisplayName", "");
                hotfixes->Add(SanitizeText(description.empty() ? name : description));
                continue;
            }
            boost::shared_ptr<AssetSoftwareImpl> title = TitleFromEntry(name, entry);
            if (title) {
                titles.AddUnlessListed(title);
            }
        }
    } catch (...) {
        titles.Flush();
        throw;
    }
    titles.Flush();
}
