/* Pings a host (127.0.0.1 unless one is named) with the Ping component and
 * prints the answer. Built against the SDK folder alone:
 *   x86_64-w64-mingw32-gcc -I<sdk>/include ping_example.c -L<sdk>/lib -lnetcomp
 * and run with netcomp.dll beside the program. Exits with 0 when the host
 * answered. */
#include <stdio.h>

#include "netcomp.h"
#include "netcomp_ping.h"

static int WINAPI OnEvent(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
{
    int* answers = (int*)user;
    (void)lengths;
    if (event == kPingEventResponse && count >= 4) {
        printf("answer from %s: %s (%d ms)\n", (const char*)params[1], (const char*)params[2], (int)params[3]);
        ++*answers;
    } else if (event == kPingEventError && count >= 2) {
        printf("error %d: %s\n", (int)params[0], (const char*)params[1]);
    }
    return 0;
}

int main(int argc, char** argv)
{
    const char* host = argc > 1 ? argv[1] : "127.0.0.1";
    int answers = 0;
    INT_PTR args[1];
    int lengths[1] = {0};
    void* ping;
    int rc;

    Ping_StaticInit(GetModuleHandleA(NULL));
    ping = Ping_Create(OnEvent, (INT_PTR)&answers, NULL);
    if (!ping) {
        printf("Ping_Create failed\n");
        return 2;
    }
    Ping_Set(ping, kPingTimeout, 0, 5, 0); /* seconds */
    args[0] = (INT_PTR)host;
    rc = Ping_Do(ping, kPingPingHost, 1, args, lengths);
    if (rc != NETCOMP_OK)
        printf("ping %s failed: [%d] %s\n", host, rc, Ping_GetLastError(ping));
    else
        printf("%s answered in %d ms\n", host, (int)Ping_Get(ping, kPingResponseTime, 0, NULL));
    Ping_Destroy(ping);
    Ping_StaticDestroy();
    return rc == NETCOMP_OK && answers == 1 ? 0 : 1;
}
