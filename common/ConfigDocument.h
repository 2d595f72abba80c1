// The settings of "kestrova.cfg" as its document holds them: the server
// element "Ondelmark" (credentials enciphered, as hexadecimal text) and
// "Logging". Reading and writing the text is portable; the cipher under the
// hexadecimal text comes from outside.
#pragma once

#include <functional>
#include <string>
#include <vector>

class XmlDocument;

struct ConfigValues {
    std::string m_server;
    int m_port = 80;
    std::string m_db;
    std::string m_user;
    std::string m_pwd;
    bool m_logErrors = false;
    int m_logNameOption = 0; // 0: computer name + ".log"; 1: "kestrova.log"
    std::string m_logPath;
};

// Enciphers or deciphers bytes in place; false when it cannot.
typedef std::function<bool(std::vector<unsigned char>& bytes)> ConfigByteCipher;

// One enciphered value: hexadecimal text to bytes, deciphered, the text up
// to the first zero byte. False (plain untouched) when the cipher fails.
bool DecipherConfigValue(const std::string& hex, const ConfigByteCipher& decipher, std::string& plain);
// The hexadecimal text of a value enciphered; false when the cipher fails.
bool EncipherConfigValue(const std::string& plain, const ConfigByteCipher& encipher, std::string& hex);

// Reads a loaded document into values. False when the server element is
// missing, a credential cannot be deciphered (both credentials are then
// left alone) or "Logging" is missing (the server values are read by then).
// A number or switch that is not one leaves its value as it was.
bool ReadConfigDocument(XmlDocument& doc, const ConfigByteCipher& decipher, ConfigValues& values);
// The whole text of the file for values; false when a credential cannot be
// enciphered.
bool BuildConfigDocument(const ConfigValues& values, const ConfigByteCipher& encipher, std::string& text);
