#include "app/tests/KestrovaRun.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

std::string KestrovaExePath()
{
    const char* binary = getenv("KES_BINARY_DIR");
    std::string path = std::string("Z:") + (binary != nullptr ? binary : "") + "/bin/Kestrova.exe";
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string MakeFolder(const std::string& name)
{
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    std::string folder = std::string(current) + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteConfig(const std::string& folder, int port)
{
    std::ofstream out(folder + "\\kestrova.cfg", std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Kestrova><Ondelmark user=\"\" pwd=\"\" "
           "server=\"127.0.0.1\" port=\""
        << port << "\" db=\"assets\"/><Logging logerrors=\"1\" lognameoption=\"1\" logpath=\"" << folder
        << "\\\"/></Kestrova>\r\n";
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof(name);
    GetComputerNameA(name, &size);
    return name;
}

HANDLE StartKestrova(const std::string& arguments, const std::string& folder)
{
    std::string commandLine = "\"" + KestrovaExePath() + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int RunKestrova(const std::string& arguments, const std::string& folder, DWORD timeoutMs)
{
    HANDLE process = StartKestrova(arguments, folder);
    if (process == nullptr) {
        return -2;
    }
    int code = -1;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(process, &exitCode);
        code = static_cast<int>(exitCode);
    } else {
        TerminateProcess(process, 99);
    }
    CloseHandle(process);
    return code;
}

std::string ServerStateFolder()
{
    const char* binary = getenv("KES_BINARY_DIR");
    std::string path = std::string("Z:") + (binary != nullptr ? binary : "") + "/peers/asset_server";
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

void Answer(const std::string& json)
{
    // A release left by an earlier test would let the next hold go at once.
    DeleteFileA((ServerStateFolder() + "\\release").c_str());
    std::ofstream(ServerStateFolder() + "\\answer", std::ios::binary | std::ios::trunc) << json;
}

void ReleaseHeldAnswer()
{
    std::ofstream(ServerStateFolder() + "\\release", std::ios::binary | std::ios::trunc) << "go";
}

std::string Requests()
{
    return ReadFileText(ServerStateFolder() + "\\requests.jsonl");
}

int UploadsReceived()
{
    const std::string requests = Requests();
    const std::string upload = "\"method\": \"UploadAuditResults\"";
    int count = 0;
    for (size_t at = requests.find(upload); at != std::string::npos; at = requests.find(upload, at + 1)) {
        ++count;
    }
    return count;
}

void ClearRequests()
{
    DeleteFileA((ServerStateFolder() + "\\requests.jsonl").c_str());
}
