// The "Kestrova Options" sheet: the asset server page and the error log page,
// filled from the configuration record and written back into it.
#pragma once

#include "app/OptionPageLogging.h"
#include "app/OptionPageOndelmark.h"
#include "winui/PropertySheet.h"

class ConfigFile;

class AppOptions : public PropertySheetDlg {
public:
    AppOptions();

    void TakeFrom(const ConfigFile& config);
    void StoreInto(ConfigFile& config) const;

    OptionPageOndelmark m_ondelmark;
    OptionPageLogging m_logging;
};
