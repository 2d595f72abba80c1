// Runs the real Kestrova.exe of the build tree in a folder of the test's own
// and waits for it to end by itself.
#pragma once

#include <windows.h>

#include <string>

// The program, from KES_BINARY_DIR as the Wine drive Z: sees it.
std::string KestrovaExePath();
// A fresh folder under the current one.
std::string MakeFolder(const std::string& name);
// A configuration file in folder for a server on 127.0.0.1:port.
void WriteConfig(const std::string& folder, int port);
bool FileExists(const std::string& path);
std::string ReadFileText(const std::string& path);
// The computer name as Kestrova names its result file.
std::string ComputerName();

// The stand-in asset server of the test set-up: its port, its state folder,
// what it answers next (a JSON text, see asset_server.py), what it received.
constexpr int kServerPort = 20650;
// Services of the test set-up that are no web servers: each sends its banner
// line and closes (tools/peers/banner_server.py).
constexpr int kSshBannerPort = 20651;
constexpr int kMailBannerPort = 20652;
constexpr char kSshBanner[] = "SSH-2.0-OpenSSH_9.2p1 Debian-2+deb12u3";
constexpr char kMailBanner[] = "220 mail.kestrova.test ESMTP ready";
std::string ServerStateFolder();
void Answer(const std::string& json);
// Lets a held answer ({"mode": "hold"}) go.
void ReleaseHeldAnswer();
std::string Requests();
// How many uploads the server has received since the requests were cleared.
int UploadsReceived();
void ClearRequests();

// Starts the program with arguments in folder; returns the process handle
// (the caller waits and closes it), or null.
HANDLE StartKestrova(const std::string& arguments, const std::string& folder);
// Starts and waits up to timeoutMs; the exit code, or -1 on a time-out (the
// process is then ended).
int RunKestrova(const std::string& arguments, const std::string& folder, DWORD timeoutMs = 60000);
