#include <fstream>
#include <iterator>
#include <string>

#include "netcomp/mail/tests/MailPeers.h"

std::string ReadFileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
