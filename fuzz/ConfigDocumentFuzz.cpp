// kestrova.cfg above the XML parser: any document is read as the program
// reads its configuration (elements found by name, credentials decoded from
// hexadecimal text and deciphered, numbers and switches checked). What was
// read, written back as the program saves it, reads back the same.
//
// The cipher here is a byte-wise XOR (RC4 under the system's provider in
// the program); what matters is the text layer around it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/ConfigDocument.h"
#include "common/XmlDocument.h"

namespace {

bool Xor(std::vector<unsigned char>& bytes)
{
    for (unsigned char& b : bytes) {
        b ^= 0x5A;
    }
    return true;
}

bool Same(const ConfigValues& a, const ConfigValues& b)
{
    return a.m_server == b.m_server && a.m_port == b.m_port && a.m_db == b.m_db && a.m_user == b.m_user &&
           a.m_pwd == b.m_pwd && a.m_logErrors == b.m_logErrors && a.m_logNameOption == b.m_logNameOption &&
           a.m_logPath == b.m_logPath;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    XmlDocument doc;
    if (!doc.SetDocument(text.c_str())) {
        return 0;
    }
    ConfigValues values;
    if (!ReadConfigDocument(doc, Xor, values)) {
        return 0;
    }
    std::string written;
    if (!BuildConfigDocument(values, Xor, written)) {
        std::abort();
    }
    XmlDocument again;
    ConfigValues back;
    back.m_port = -1;
    back.m_logNameOption = -1;
    if (!again.SetDocument(written.c_str()) || !ReadConfigDocument(again, Xor, back) || !Same(values, back)) {
        std::abort();
    }
    return 0;
}
