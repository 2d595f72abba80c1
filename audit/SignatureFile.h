// The identity file of an audited computer: "pardovel.sig" holding the
// computer's GUID text, at the root of this computer's system drive or on the
// "C$" share of another computer.
#pragma once

#include <string>

class SignatureFile {
public:
    SignatureFile(const std::string& computer, const bool& remote);
    virtual ~SignatureFile() = default;

    // A GUID text, a line end and room to spare; a longer file is no
    // signature file.
    static constexpr size_t kMaxFileSize = 64;

    bool Exists() const;
    // Makes the folder and a new GUID text in a read-only, hidden file. The
    // file is written whole or not at all.
    bool Create(std::string& guid);
    // The whole content, nothing trimmed; false for a file longer than
    // kMaxFileSize.
    bool Read(std::string& guid) const;

    std::string GetFolder() const;
    std::string GetPath() const;

protected:
    // A new GUID text; "" when none can be made.
    virtual std::string MakeGuidText();

private:
    bool m_remote;
    std::string m_computer;
};
