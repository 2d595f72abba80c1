// The picker is a COM object of the directory services; it hands the
// selection back as a data object holding one DS_SELECTION_LIST in global
// memory, under a clipboard format of its own.
#include "app/ObjectPickerSource.h"

#include "asset/Exceptions.h"
#include "common/MessageBoxHook.h"
#include "common/TextHelpers.h"

#include <comdef.h>

#include <cstddef>

namespace {

const char kNoPickerText[] =
    "The Kestrova Network Audit (ADSI) scan requires you be running on Microsoft Windows 2000, Windows XP or later.";
const char kInitializeFailedText[] = "Unable to initialize the Directory Services Object Picker dialog.";
const char kShowFailedText[] = "Unable to display the Directory Services Object Picker dialog.";

struct ComRelease {
    void operator()(IUnknown* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};

void ShowError(HWND owner, const char* text)
{
    ShowMessageBox(owner, text, "Kestrova", MB_OK | MB_ICONERROR);
}

// The selection of the data object; a failure to read it raises a COM error.
std::vector<std::string> ReadSelection(IDataObject& data)
{
    FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA("CFSTR_DSOP_DS_SELECTION_LIST")), nullptr,
                        DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    HRESULT hr = data.GetData(&format, &medium);
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
    std::vector<std::string> names;
    const auto* list = static_cast<const DS_SELECTION_LIST*>(GlobalLock(medium.hGlobal));
    if (list != nullptr) {
        names = SelectedComputerNames(*list, GlobalSize(medium.hGlobal));
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return names;
}

} // namespace

std::vector<std::string> SelectedComputerNames(const DS_SELECTION_LIST& list, size_t bytes)
{
    std::vector<std::string> names;
    const size_t header = offsetof(DS_SELECTION_LIST, aDsSelection);
    if (bytes < header) {
        return names;
    }
    const size_t room = (bytes - header) / sizeof(DS_SELECTION);
    const size_t count = list.cItems < room ? list.cItems : room;
    for (size_t i = 0; i < count; ++i) {
        const wchar_t* name = list.aDsSelection[i].pwzName;
        if (name != nullptr && *name != L'\0') {
            names.push_back(ToNarrowString(name));
        }
    }
    return names;
}

bool ObjectPickerSource::Scan(HWND owner, const std::function<void()>& beforeOperator, std::vector<std::string>& names)
{
    // Everything the operator sees from here on is a message or the picker.
    beforeOperator();
    try {
        DSOP_SCOPE_INIT_INFO scope = {};
        scope.cbSize = sizeof(scope);
        scope.flType = static_cast<ULONG>(m_scopeTypes);
        scope.flScope = static_cast<ULONG>(m_scopeFlags);
        scope.FilterFlags.Uplevel.flBothModes = DSOP_FILTER_COMPUTERS;
        scope.FilterFlags.Uplevel.flMixedModeOnly = DSOP_FILTER_COMPUTERS;
        scope.FilterFlags.Uplevel.flNativeModeOnly = DSOP_FILTER_COMPUTERS;
        scope.FilterFlags.flDownlevel = DSOP_DOWNLEVEL_FILTER_COMPUTERS;
        DSOP_INIT_INFO init = {};
        init.cbSize = sizeof(init);
        init.cDsScopeInfos = 1;
        init.aDsScopeInfos = &scope;
        init.flOptions = DSOP_FLAG_MULTISELECT;

        IDsObjectPicker* created = nullptr;
        if (FAILED(CoCreateInstance(CLSID_DsObjectPicker, nullptr, CLSCTX_SERVER, IID_IDsObjectPicker,
                                    reinterpret_cast<void**>(&created)))) {
            ShowError(owner, kNoPickerText);
            return false;
        }
        std::unique_ptr<IDsObjectPicker, ComRelease> picker(created);
        if (FAILED(picker->Initialize(&init))) {
            ShowError(owner, kInitializeFailedText);
            return false;
        }
        IDataObject* chosen = nullptr;
        const HRESULT shown = picker->InvokeDialog(owner, &chosen);
        std::unique_ptr<IDataObject, ComRelease> data(chosen);
        if (FAILED(shown)) {
            ShowError(owner, kShowFailedText);
            return false;
        }
        if (shown == S_FALSE || !data) {
            return false; // the operator cancelled
        }
        for (std::string& name : ReadSelection(*data)) {
            names.push_back(std::move(name));
        }
        return true;
    } catch (const _com_error& error) {
        ShowError(owner, t_exception(error).what());
        return false;
    }
}
