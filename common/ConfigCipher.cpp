#include "common/ConfigCipher.h"

#include "common/CryptHandles.h"
#include "common/HexCodec.h"

#include <vector>

namespace {

const char* g_provider = nullptr;

const char* ProviderName()
{
    return g_provider != nullptr ? g_provider : MS_DEF_PROV_A;
}

// Its handles are released with it, whatever was acquired.
class CipherContext : private CryptHandles {
public:
    bool Acquire(const std::string& passPhrase)
    {
        if (!CryptAcquireContextA(&m_provider, nullptr, ProviderName(), PROV_RSA_FULL, 0)) {
            // A new profile has no key container yet.
            if (GetLastError() != static_cast<DWORD>(NTE_BAD_KEYSET) ||
                !CryptAcquireContextA(&m_provider, nullptr, ProviderName(), PROV_RSA_FULL, CRYPT_NEWKEYSET)) {
                m_provider = 0;
                return false;
            }
        }
        return DeriveRc4Key(passPhrase, 0);
    }

    // RC4 keeps the length, so one call does either direction.
    bool Run(std::vector<unsigned char>& bytes, bool encipher)
    {
        DWORD length = static_cast<DWORD>(bytes.size());
        if (bytes.empty()) {
            return true;
        }
        return encipher ? CryptEncrypt(m_key, 0, TRUE, 0, bytes.data(), &length, length) != FALSE
                        : CryptDecrypt(m_key, 0, TRUE, 0, bytes.data(), &length) != FALSE;
    }
};

} // namespace

const char* SetConfigCipherProvider(const char* provider)
{
    const char* previous = g_provider;
    g_provider = provider;
    return previous;
}

const std::string& GetConfigPassPhrase()
{
    static const std::string kPassPhrase = "{5C81F2A6-93D0-4b7e-B2F4-0E6A9D31C758}";
    return kPassPhrase;
}

// Every value is enciphered from the start of the key stream with the same
// key, which is what files written by earlier versions hold.
bool CipherConfigValue(const std::string& text, const std::string& passPhrase, bool encipher, std::string& out)
{
    CipherContext context;
    if (!context.Acquire(passPhrase)) {
        return false;
    }
    const ConfigByteCipher cipher = [&](std::vector<unsigned char>& bytes) { return context.Run(bytes, encipher); };
    return encipher ? EncipherConfigValue(text, cipher, out) : DecipherConfigValue(text, cipher, out);
}

ConfigByteCipher ConfigFileCipher(bool encipher)
{
    return [encipher](std::vector<unsigned char>& bytes) {
        CipherContext context;
        return context.Acquire(GetConfigPassPhrase()) && context.Run(bytes, encipher);
    };
}
