#include "app/AdsiDirectorySource.h"

#include "common/TextHelpers.h"

#include <activeds.h>
#include <comdef.h>

namespace {

// ADS_SECURE_AUTHENTICATION | ADS_READONLY_SERVER
const DWORD kShippedBindFlags = 5;

void Check(HRESULT result)
{
    if (FAILED(result)) {
        throw _com_error(result);
    }
}

// Releases an interface pointer when the scope ends.
template <typename T>
class Held {
public:
    Held() = default;
    ~Held()
    {
        if (m_pointer != nullptr) {
            m_pointer->Release();
        }
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    T* operator->() const { return m_pointer; }
    void** Out() { return reinterpret_cast<void**>(&m_pointer); }

private:
    T* m_pointer = nullptr;
};

class SearchHandle {
public:
    explicit SearchHandle(IDirectorySearch* search) : m_search(search) {}
    ~SearchHandle()
    {
        if (m_handle != nullptr) {
            m_search->CloseSearchHandle(m_handle);
        }
    }
    SearchHandle(const SearchHandle&) = delete;
    SearchHandle& operator=(const SearchHandle&) = delete;
    ADS_SEARCH_HANDLE& Handle() { return m_handle; }

private:
    IDirectorySearch* m_search;
    ADS_SEARCH_HANDLE m_handle = nullptr;
};

// The first value of a column as text; every string syntax shares one member.
bool ColumnText(const ADS_SEARCH_COLUMN& column, std::string& text)
{
    if (column.dwNumValues == 0 || column.pADsValues == nullptr) {
        return false;
    }
    const ADSVALUE& value = column.pADsValues[0];
    switch (value.dwType) {
    case ADSTYPE_DN_STRING:
    case ADSTYPE_CASE_EXACT_STRING:
    case ADSTYPE_CASE_IGNORE_STRING:
    case ADSTYPE_PRINTABLE_STRING:
    case ADSTYPE_NUMERIC_STRING:
        text = value.CaseIgnoreString != nullptr ? ToNarrowString(value.CaseIgnoreString) : std::string();
        return true;
    case ADSTYPE_INTEGER:
        text = std::to_string(value.Integer);
        return true;
    default:
        return false;
    }
}

} // namespace

AdsiDirectorySource::AdsiDirectorySource() : m_bindFlags(kShippedBindFlags) {}

AdsiDirectorySource::AdsiDirectorySource(std::string domainPath, DWORD bindFlags)
    : m_domainPath(std::move(domainPath)), m_bindFlags(bindFlags)
{
}

std::string AdsiDirectorySource::GetDefaultNamingContext()
{
    if (!m_domainPath.empty()) {
        return m_domainPath;
    }
    Held<IADs> root;
    Check(ADsOpenObject(L"LDAP://RootDSE", nullptr, nullptr, m_bindFlags, IID_IADs, root.Out()));
    _variant_t context;
    _bstr_t name(L"defaultNamingContext");
    Check(root->Get(name, &context));
    Check(VariantChangeType(&context, &context, 0, VT_BSTR));
    return "LDAP://" + BstrToStdString(V_BSTR(&context));
}

bool AdsiDirectorySource::FindFirst(const std::string& domainPath, const std::string& filter,
                                    const std::vector<std::string>& attributes, DirectoryEntry& entry)
{
    Held<IDirectorySearch> search;
    const std::wstring path = ToWideString(domainPath);
    Check(ADsOpenObject(path.c_str(), nullptr, nullptr, m_bindFlags, IID_IDirectorySearch, search.Out()));

    // A subtree search below the domain finds every user the filter names.
    ADS_SEARCHPREF_INFO scope = {};
    scope.dwSearchPref = ADS_SEARCHPREF_SEARCH_SCOPE;
    scope.vValue.dwType = ADSTYPE_INTEGER;
    scope.vValue.Integer = ADS_SCOPE_SUBTREE;
    Check(search->SetSearchPreference(&scope, 1));

    std::vector<std::wstring> names;
    for (const auto& attribute : attributes) {
        names.push_back(ToWideString(attribute));
    }
    std::vector<LPWSTR> namePointers;
    for (auto& name : names) {
        namePointers.push_back(&name[0]);
    }
    std::wstring wideFilter = ToWideString(filter);
    SearchHandle handle(search.operator->());
    Check(search->ExecuteSearch(&wideFilter[0], namePointers.data(), static_cast<DWORD>(namePointers.size()),
                                &handle.Handle()));
    const HRESULT row = search->GetFirstRow(handle.Handle());
    Check(row);
    if (row == S_ADS_NOMORE_ROWS) {
        return false;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        ADS_SEARCH_COLUMN column = {};
        const HRESULT got = search->GetColumn(handle.Handle(), namePointers[i], &column);
        if (got == E_ADS_COLUMN_NOT_SET) {
            continue;
        }
        Check(got);
        std::string text;
        const bool isText = ColumnText(column, text);
        search->FreeColumn(&column);
        if (isText) {
            entry[attributes[i]] = text;
        }
    }
    return true;
}
