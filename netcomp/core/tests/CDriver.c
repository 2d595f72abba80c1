/* Drives a component the way a C program does: load the DLL, look the
 * functions up by name, create, set, get, call, read the errors, destroy.
 * The probe component lives in netcomp_probe.dll, made by the same export
 * machinery as netcomp.dll; netcomp.dll itself must load and must not carry
 * the probe. Prints each failed check and exits with the number of failures. */
#include <stdio.h>
#include <string.h>

#include "netcomp/core/netcomp.h"
#include "netcomp/core/tests/netcomp_probe.h"

typedef int(WINAPI* StaticInitFn)(HINSTANCE);
typedef int(WINAPI* StaticDestroyFn)(void);
typedef void*(WINAPI* CreateFn)(ComponentEventCallback, INT_PTR, const char*);
typedef int(WINAPI* DestroyFn)(void*);
typedef INT_PTR(WINAPI* GetFn)(void*, int, int, int*);
typedef int(WINAPI* SetFn)(void*, int, int, INT_PTR, int);
typedef int(WINAPI* DoFn)(void*, int, int, INT_PTR*, int*);
typedef int(WINAPI* CheckIndexFn)(void*, int, int);
typedef const char*(WINAPI* GetLastErrorFn)(void*);
typedef int(WINAPI* GetLastErrorCodeFn)(void*);

static int g_failures = 0;

#define CHECK(cond)                                                                                                    \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);                                            \
            ++g_failures;                                                                                              \
        }                                                                                                              \
    } while (0)

static FARPROC Lookup(HMODULE module, const char* name)
{
    FARPROC p = GetProcAddress(module, name);
    if (!p) {
        printf("missing export %s\n", name);
        ++g_failures;
    }
    return p;
}

static void* Fn(HMODULE module, const char* name)
{
    union {
        FARPROC proc;
        void* data;
    } u;
    u.proc = Lookup(module, name);
    return u.data;
}

struct EventLog {
    int events;
    int lastEvent;
    INT_PTR firstParam;
};

static int WINAPI OnEvent(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
{
    struct EventLog* log = (struct EventLog*)user;
    (void)lengths;
    ++log->events;
    log->lastEvent = event;
    log->firstParam = count > 0 ? params[0] : 0;
    if (event == kProbeEventNotify)
        params[0] = 1234;
    return 0;
}

int main(void)
{
    HMODULE product = LoadLibraryA("netcomp.dll");
    CHECK(product != NULL);
    if (product) {
        CHECK(GetProcAddress(product, "Probe_Create") == NULL);
        FreeLibrary(product);
    }

    HMODULE dll = LoadLibraryA("netcomp_probe.dll");
    CHECK(dll != NULL);
    if (!dll)
        return 1;
    StaticInitFn staticInit = (StaticInitFn)Fn(dll, "Probe_StaticInit");
    StaticDestroyFn staticDestroy = (StaticDestroyFn)Fn(dll, "Probe_StaticDestroy");
    CreateFn create = (CreateFn)Fn(dll, "Probe_Create");
    DestroyFn destroy = (DestroyFn)Fn(dll, "Probe_Destroy");
    GetFn get = (GetFn)Fn(dll, "Probe_Get");
    SetFn set = (SetFn)Fn(dll, "Probe_Set");
    DoFn doMethod = (DoFn)Fn(dll, "Probe_Do");
    CheckIndexFn checkIndex = (CheckIndexFn)Fn(dll, "Probe_CheckIndex");
    GetLastErrorFn lastError = (GetLastErrorFn)Fn(dll, "Probe_GetLastError");
    GetLastErrorCodeFn lastErrorCode = (GetLastErrorCodeFn)Fn(dll, "Probe_GetLastErrorCode");
    if (g_failures)
        return g_failures;

    CHECK(staticInit(dll) == 0);
    struct EventLog log = {0, 0, 0};
    void* obj = create(OnEvent, (INT_PTR)&log, NULL);
    CHECK(obj != NULL);

    /* Properties: text, number, array index check. */
    CHECK(set(obj, kProbeLabel, 0, (INT_PTR) "from C", 0) == 0);
    CHECK(strcmp((const char*)get(obj, kProbeLabel, 0, NULL), "from C") == 0);
    CHECK(set(obj, kProbeTimeout, 0, 30, 0) == 0);
    CHECK(get(obj, kProbeTimeout, 0, NULL) == 30);
    CHECK(checkIndex(obj, kProbeValues, 5) == NETCOMP_INDEX_OUT_OF_RANGE);
    CHECK(set(obj, 12345, 0, 0, 0) == NETCOMP_UNKNOWN_SETTING);

    /* Config through method 1. */
    {
        INT_PTR args[2] = {(INT_PTR) "WinsockLoaded", 0};
        int lengths[2] = {0, 0};
        CHECK(doMethod(obj, NETCOMP_METHOD_CONFIG, 2, args, lengths) == 0);
        CHECK(args[1] != 0 && strcmp((const char*)args[1], "True") == 0);
        args[0] = (INT_PTR) "NoSuchKey";
        CHECK(doMethod(obj, NETCOMP_METHOD_CONFIG, 2, args, lengths) == -1);
        CHECK(strcmp(lastError(obj), "Unknown config setting.") == 0);
    }

    /* An event with an answer, and a failure with its code and text. */
    {
        INT_PTR args[1] = {7};
        int lengths[1] = {0};
        CHECK(doMethod(obj, kProbeNotify, 1, args, lengths) == 0);
        CHECK(log.events == 1 && log.lastEvent == kProbeEventNotify && log.firstParam == 7);
        CHECK(args[0] == 1234);
        args[0] = 10061;
        CHECK(doMethod(obj, kProbeFail, 1, args, lengths) == 10061);
        CHECK(strcmp(lastError(obj), "[10061] Connection refused") == 0);
        CHECK(lastErrorCode(obj) == 10061);
        CHECK(doMethod(obj, kProbeThrow, 0, NULL, NULL) == NETCOMP_OUT_OF_MEMORY);
        CHECK(strcmp(lastError(obj), "Out of memory.") == 0);
    }

    /* A wait that an event interrupts is covered by the C++ tests; here the
       wait ends on its own condition. */
    CHECK(doMethod(obj, kProbePostDone, 0, NULL, NULL) == 0);
    CHECK(doMethod(obj, kProbeWait, 0, NULL, NULL) == 0);

    HWND window = (HWND)get(obj, kProbeWindow, 0, NULL);
    CHECK(IsWindow(window));
    CHECK(destroy(obj) == 0);
    CHECK(!IsWindow(window));
    CHECK(destroy(NULL) == 0);
    CHECK(staticDestroy() == 0);
    FreeLibrary(dll);

    printf("%s: %d failure(s)\n", g_failures ? "FAILED" : "PASSED", g_failures);
    return g_failures;
}
