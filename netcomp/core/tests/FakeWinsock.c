/* A stand-in for WSOCK32.DLL whose start-up answers what a test asks for, and
 * which counts start-ups and clean-ups so tests can see that they balance.
 * Exported by ordinal under the Winsock 1.1 numbers (see FakeWinsock.def). */
#include <winsock2.h>
#include <windows.h>

#include <string.h>

static int g_startupResult = 0;
static WORD g_version = 0x0101;
static int g_startups = 0;
static int g_cleanups = 0;

void WINAPI FakeConfigure(int startupResult, int version)
{
    g_startupResult = startupResult;
    g_version = (WORD)version;
}

int WINAPI FakeStartups(void)
{
    return g_startups;
}

int WINAPI FakeCleanups(void)
{
    return g_cleanups;
}

int WINAPI FakeWSAStartup(WORD requested, WSADATA* data)
{
    (void)requested;
    if (g_startupResult != 0)
        return g_startupResult;
    memset(data, 0, sizeof *data);
    data->wVersion = g_version;
    data->wHighVersion = g_version;
    data->iMaxSockets = 100;
    data->iMaxUdpDg = 512;
    strcpy(data->szDescription, "Fake Winsock");
    strcpy(data->szSystemStatus, "Running");
    ++g_startups;
    return 0;
}

int WINAPI FakeWSACleanup(void)
{
    ++g_cleanups;
    return 0;
}

int WINAPI FakeWSAGetLastError(void)
{
    return 0;
}

int WINAPI FakeWSACancelBlockingCall(void)
{
    return 0;
}
