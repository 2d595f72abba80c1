#include "app/AppOptions.h"

#include "common/ConfigFile.h"

AppOptions::AppOptions() : PropertySheetDlg("Kestrova Options")
{
    AddPage(&m_ondelmark);
    AddPage(&m_logging);
}

void AppOptions::TakeFrom(const ConfigFile& config)
{
    m_ondelmark.m_server = config.GetServer();
    m_ondelmark.m_database = config.GetDatabase();
    m_ondelmark.m_userName = config.GetUserName();
    m_ondelmark.m_password = config.GetPassword();
    m_ondelmark.m_port = config.m_port;
    m_logging.m_logFolder = config.GetLogPath();
    m_logging.m_nameOption = config.m_logNameOption;
    m_logging.m_logEnabled = config.m_logErrors;
}

void AppOptions::StoreInto(ConfigFile& config) const
{
    config.m_server = m_ondelmark.m_server;
    config.m_db = m_ondelmark.m_database;
    config.m_user = m_ondelmark.m_userName;
    config.m_pwd = m_ondelmark.m_password;
    config.m_port = m_ondelmark.m_port;
    config.m_logPath = m_logging.m_logFolder;
    config.m_logNameOption = m_logging.m_nameOption;
    config.m_logErrors = m_logging.m_logEnabled;
}
