// The "Error Log" page of the options sheet: whether errors go to a log file,
// the folder it lives in and how it is named.
#pragma once

#include "winui/OwnerDrawButton.h"
#include "winui/PropertySheet.h"

#include <string>

class OptionPageLogging : public PropertyPage {
public:
    OptionPageLogging();

    void OnLogErrorsClicked();
    void OnBrowse();

    bool m_logEnabled = false;
    std::string m_logFolder;
    int m_nameOption = 0; // 0: the computer's name, 1: the default name

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool OnApply() override;

private:
    // Greys or enables the controls that only matter while logging is on.
    void ShowLogEnabled(bool enabled);

    OwnerDrawButton m_browse;
};
