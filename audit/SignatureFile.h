// The identity file of an audited computer: "pardovel.sig" holding the
// computer's GUID text, at the root of this computer's system drive or on the
// "C$" share of another computer.
#pragma once

#include <string>

class SignatureFile {
public:
    SignatureFile(const std::string& computer, const bool& remote);

    bool Exists() const;
    // Makes the folder and a new GUID text in a read-only, hidden file.
    bool Create(std::string& guid);
    // The whole content, nothing trimmed.
    bool Read(std::string& guid) const;

    std::string GetFolder() const;
    std::string GetPath() const;

private:
    bool m_remote;
    std::string m_computer;
};
