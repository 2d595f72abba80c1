#include "app/ComputerSource.h"

#include "app/ComputerListCollector.h"
#include "app/MachineAccountSource.h"
#include "app/ObjectPickerSource.h"

std::unique_ptr<ComputerSource> MakeComputerSource(int method, int pickerScopeTypes, int pickerScopeFlags)
{
    switch (method) {
    case kMethodMachineAccounts:
        return std::make_unique<MachineAccountSource>();
    case kMethodNetworkBrowsing:
        return std::make_unique<NetworkBrowsingSource>();
    case kMethodObjectPicker:
        return std::make_unique<ObjectPickerSource>(pickerScopeTypes, pickerScopeFlags);
    default:
        return nullptr;
    }
}
