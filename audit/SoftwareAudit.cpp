// Installed software and hotfixes from the Uninstall key.
//
// Every subkey of the Uninstall key is one entry, sorted by the name rules
// the WMI engine uses too. A name like Q123456 or KB123456 is a hotfix, and
// only its name (or display name) is listed. A name of that shape that is not
// a number (Q12345A) is an installer's own entry: it is a title unless it
// carries a value named "@", which marks the leftovers some installers write
// there. Any other entry is a title only when it has a display name.
//
// 64-bit Windows keeps two views of the key: this 64-bit program opens the
// 64-bit one by default, and 32-bit installers (most desktop software)
// register in the 32-bit one (WOW6432Node). Both are read, each entry name
// once: a system with one view shows the same key in both, and on one with
// two, a name (a product code, a KB number) in both views is one program
// registered twice, which counts from the 64-bit view.
#include "audit/SoftwareAudit.h"

#include "asset/Exceptions.h"
#include "audit/AuditConstants.h"
#include "audit/RegistryKey.h"
#include "audit/SanitizeText.h"
#include "audit/WmiAuditRules.h"

#include <boost/shared_ptr.hpp>

#include <cstring>
#include <vector>

using namespace AssetIMPL;

namespace {

// GetStringValue's answer for a value that is not there.
const char kAbsent[] = "default value";

// Registry key names compare without regard to case.
struct NameLess {
    bool operator()(const std::string& left, const std::string& right) const
    {
        return _stricmp(left.c_str(), right.c_str()) < 0;
    }
};

// The Uninstall key of the 32-bit view; false when the machine has none: a
// system without 32-bit programs, or one older than the registry views that
// refuses the view flag (Windows 2000 does not know it).
bool OpenWow32View(HKEY machine, RegistryKey& key)
{
    try {
        key.Open(machine, AuditConstants::kUninstallKey, false, KEY_READ | KEY_WOW64_32KEY);
    } catch (const t_exception& error) {
        if (error.Code() == HRESULT(ERROR_FILE_NOT_FOUND) || error.Code() == HRESULT(ERROR_ACCESS_DENIED)) {
            return false;
        }
        throw;
    }
    return true;
}

} // namespace

void SoftwareAudit::ForEachEntry(HKEY machine, RegistryKey& uninstall, const EntryVisitor& visit)
{
    std::vector<std::string> names;
    uninstall.GetSubKeyNames(names);
    std::set<std::string, NameLess> seen(names.begin(), names.end());
    for (const std::string& name : names) {
        RegistryKey entry;
        entry.Open(uninstall.Handle(), name, false, KEY_READ);
        visit(name, entry);
    }

    RegistryKey wow32;
    if (!OpenWow32View(machine, wow32)) {
        return;
    }
    names.clear();
    wow32.GetSubKeyNames(names);
    for (const std::string& name : names) {
        if (!seen.insert(name).second) {
            continue;
        }
        RegistryKey entry;
        entry.Open(wow32.Handle(), name, false, KEY_READ | KEY_WOW64_32KEY);
        visit(name, entry);
    }
}

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

    SoftwareTitleList titles(*computer.GetSoftware());
    try {
        ForEachEntry(machine, uninstall, [&](const std::string& name, RegistryKey& entry) {
            if (WmiAuditRules::IsHotfixName(name)) {
                const std::string description = entry.GetStringValue("DisplayName", "");
                hotfixes->Add(SanitizeText(description.empty() ? name : description));
                return;
            }
            boost::shared_ptr<AssetSoftwareImpl> title = TitleFromEntry(name, entry);
            if (title) {
                titles.AddUnlessListed(title);
            }
        });
    } catch (...) {
        titles.Flush();
        throw;
    }
    titles.Flush();
}
