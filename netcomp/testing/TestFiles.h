#pragma once
// Files for the component tests under Wine: whole files read and written in
// the test's folder, and the state folder of a test peer (tools/peer.sh) as
// Wine sees it, through the drive that maps the Linux root.
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testfiles {

inline std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A peer's state folder (peers/<fixture> of the build tree), as Wine sees it.
inline std::string PeerFolder(const char* peer)
{
    const char* build = std::getenv("KES_BINARY_DIR");
    std::string path = std::string("Z:") + (build ? build : "") + "/peers/" + peer;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

} // namespace testfiles
