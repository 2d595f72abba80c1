/* Downloads a URL into a file with the HTTP component, without blocking.
 *
 * Components report through window messages of the thread that created
 * them, so their events arrive only while that thread takes its messages.
 * A blocking call (a Timeout of 0 or more) does that itself while it waits;
 * here a negative Timeout makes HTTP_Do(Get) only start the request, and
 * the message loop below is what lets the response arrive and its events
 * run. Where a program has no message loop of its own, each component's
 * DoEvents method takes the waiting messages once.
 *
 * Built against the SDK folder alone:
 *   x86_64-w64-mingw32-gcc -I<sdk>/include http_example.c -L<sdk>/lib -lnetcomp
 * and run with netcomp.dll beside the program:
 *   http_example http://127.0.0.1:8080/file.bin file.bin
 * Exits with 0 when the server answered 200 and the whole body is in the
 * file. */
#include <stdio.h>

#include "netcomp.h"
#include "netcomp_http.h"

struct Download {
    int status;       /* the response's status code */
    long long bytes;  /* body bytes so far, as the component counts them */
    long long blocks; /* the lengths of the blocks added up */
    int ended;        /* EndTransfer of the response came */
    int failed;       /* an Error event came */
};

static int WINAPI OnEvent(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
{
    struct Download* d = (struct Download*)user;
    switch (event) {
    case kHttpEventStatus: /* HTTP version, code, description */
        if (count >= 3) {
            d->status = (int)params[1];
            printf("status %d %s\n", d->status, (const char*)params[2]);
        }
        break;
    case kHttpEventTransfer: /* direction, bytes so far, data: a binary parameter with its length */
        if (count >= 3 && params[0] == 1) {
            d->bytes = (long long)params[1];
            d->blocks += lengths[2];
        }
        break;
    case kHttpEventEndTransfer: /* direction */
        if (count >= 1 && params[0] == 1)
            d->ended = 1;
        break;
    case kHttpEventError: /* code, description */
        if (count >= 2) {
            printf("error %d: %s\n", (int)params[0], (const char*)params[1]);
            d->failed = 1;
        }
        break;
    default:
        break;
    }
    return 0;
}

/* Takes this thread's messages until the component is idle again, or gives
 * up after the given time. */
static int PumpUntilIdle(void* http, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (!HTTP_Get(http, kHttpIdle, 0, NULL)) {
        if (GetTickCount() - start > milliseconds)
            return 0;
        /* Sleeps until a message comes, at most 100 ms. */
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 1;
}

int main(int argc, char** argv)
{
    struct Download d = {0, 0, 0, 0, 0};
    INT_PTR args[1];
    int lengths[1] = {0};
    void* http;
    int rc;

    if (argc < 3) {
        printf("usage: http_example <url> <file>\n");
        return 2;
    }
    HTTP_StaticInit(GetModuleHandleA(NULL));
    http = HTTP_Create(OnEvent, (INT_PTR)&d, NULL);
    if (!http) {
        printf("HTTP_Create failed\n");
        return 2;
    }
    /* Text properties are NUL-terminated texts, set with a length of 0. */
    HTTP_Set(http, kHttpLocalFile, 0, (INT_PTR)argv[2], 0);
    HTTP_Set(http, kHttpTimeout, 0, -1, 0); /* negative: asynchronous */
    args[0] = (INT_PTR)argv[1];
    rc = HTTP_Do(http, kHttpMethodGet, 1, args, lengths);
    if (rc != NETCOMP_OK) {
        printf("GET %s failed: [%d] %s\n", argv[1], rc, HTTP_GetLastError(http));
    } else if (!PumpUntilIdle(http, 60000)) {
        printf("no answer in time\n");
        HTTP_Do(http, kHttpMethodInterrupt, 0, NULL, NULL);
        rc = NETCOMP_INTERRUPTED;
    } else {
        printf("%lld bytes into %s\n", d.bytes, argv[2]);
    }
    HTTP_Destroy(http);
    HTTP_StaticDestroy();
    return rc == NETCOMP_OK && d.status == 200 && d.ended && !d.failed && d.blocks == d.bytes ? 0 : 1;
}
