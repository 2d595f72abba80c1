// The "Ondelmark" page of the options sheet: where the asset server is and
// the login it takes, with a button that tries the login.
#pragma once

#include "winui/OwnerDrawButton.h"
#include "winui/PropertySheet.h"

#include <string>

class OptionPageOndelmark : public PropertyPage {
public:
    OptionPageOndelmark();

    // The Test button: the login on the page against the server on the page.
    void OnTestLogin();

    std::string m_server;
    int m_port = 80;
    std::string m_database;
    std::string m_userName;
    std::string m_password;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool OnApply() override;

private:
    // The required fields the last exchange found empty, as one message;
    // empty after a clean exchange.
    std::string m_pendingMessage;
    OwnerDrawButton m_test;
};
