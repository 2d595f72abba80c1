// The program's command line as switch names and values: "/name" or
// "-name", optionally ":value" (a value in double quotes may hold spaces).
// Names are compared case-insensitively when asked for; values keep their
// case. The first value of a name that occurs twice wins.
#pragma once

#include <map>
#include <string>

class CommandLineSwitches {
public:
    CommandLineSwitches(const std::string& commandLine, bool caseSensitive);

    bool HasSwitch(const std::string& name) const;
    // False (value untouched) when the switch is absent.
    bool GetSwitchValue(const std::string& name, std::string& value) const;

private:
    std::string Key(const std::string& name) const;
    void Store(const std::string& name, const std::string& value);

    std::string m_commandLine;
    std::map<std::string, std::string> m_switches;
    bool m_caseSensitive;
};

// What the switches ask of one run.
struct StartupSwitches {
    int m_runMode = 0; // 0 interactive, 1 hidden (/H), 2 minimal (/M)
    bool m_apiAudit = false;
    bool m_remoteMenu = false;
    std::string m_location;
    std::string m_department;
    bool m_hasSaveFolder = false;
    std::string m_saveFolder;
};

StartupSwitches ReadStartupSwitches(const CommandLineSwitches& switches);

// The result file of an unattended save: the folder, one backslash, the
// computer's name and ".kes"; "" when the folder is shorter than two
// characters (then nothing is saved).
std::string UnattendedResultPath(const std::string& folder, const std::string& computerName);
