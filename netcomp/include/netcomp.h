/* The flat C interface of the internet components: ten functions for every
 * component <C>, such as Ping_Create or SOAP_Do. Values that may hold a
 * pointer (texts, byte buffers, the user value, the object) are INT_PTR;
 * numbers are int. Properties, methods and events are addressed by number.
 * No function lets an exception out; failures are result codes (0 = success)
 * with an English text per object (<C>_GetLastError).
 *
 * Texts and bytes. A text property is a pointer to NUL-terminated 8-bit text
 * (in the program's ANSI code page unless the component's header says
 * otherwise), set with a length of 0 (the length is not read). A property
 * marked "binary" in its component's header holds bytes that may contain NUL:
 * <C>_Set takes the pointer and the byte count in `length`, and <C>_Get
 * writes the byte count to *lengthOut (the bytes are followed by a NUL that
 * is not counted). A binary property set with a length of 0 is empty, however
 * many bytes the pointer points at, unless its mark says "length 0: a text"
 * (then the NUL-terminated text is taken). Binary event parameters come with
 * their byte count in the callback's `lengths` in the same way.
 *
 * Events. Each object delivers its socket notifications as window messages
 * to a hidden window of the thread that created it, and fires its events
 * from there. A blocking call (Connect, Get, Send ...) takes the thread's
 * messages while it waits, so its events arrive during the call. Anything
 * that happens between calls (data arriving on a connection, an incoming
 * message, the progress of an asynchronous request) is seen only while the
 * thread takes its messages: a Windows message loop (GetMessage or
 * PeekMessage, then DispatchMessage), or the component's DoEvents method
 * called now and then. Objects are used on the thread that created them;
 * http_example.c in the SDK's example folder shows such a loop.
 *
 * Numbers and indexes. <C>_Get of a property the component does not have
 * reads 0. <C>_CheckIndex tells whether an index of an indexed property is
 * good (0, or NETCOMP_INDEX_OUT_OF_RANGE with a text that says why). <C>_Get
 * at a bad index reads 0, an empty text for a text or bytes (null in SOAP
 * and XMLp; DNS's binary reads give the code as their length; a header names
 * any other exception), and leaves the index check's code and text as the
 * last error; <C>_Set at a bad index fails with that code. <C>_Do of a method
 * number the component does not have does nothing and returns the object's
 * last result code (0 after a <C>_Get, which starts afresh).
 *
 * System libraries. The first object that starts Windows Sockets loads
 * WSOCK32.DLL (with ws2_32.dll), which then stays loaded and started until
 * the process ends, also when netcomp.dll is unloaded; so do the remote
 * access libraries once NetDial has used them. Threads of the system may
 * still run in them after the objects that used them are gone (the one that
 * answered a host look-up, the one that sends dial notifications). */
#ifndef NETCOMP_H
#define NETCOMP_H

#include <winsock2.h>
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Called for each event: parameters holds one value per event parameter (an
 * integer, a boolean as 0/1, or a pointer to text or data), lengths the byte
 * length of binary parameters and 0 otherwise. Both arrays live only during
 * the call; the owner may change answerable parameters in place. */
typedef int(WINAPI* ComponentEventCallback)(INT_PTR user, int event, int count, INT_PTR* params, int* lengths);

/* Codes with a fixed meaning for every component. */
#define NETCOMP_OK 0
#define NETCOMP_UNKNOWN_SETTING (-1) /* unknown or read-only property in _Set, unknown Config key; a null object */
#define NETCOMP_OUT_OF_MEMORY 200
#define NETCOMP_INDEX_OUT_OF_RANGE 280
#define NETCOMP_INTERRUPTED 301
#define NETCOMP_NO_NOTIFY_WINDOW 298 /* the hidden window could not be made: nothing can wait for a socket */

/* Method 1 of every component is Config: args[0] is "key=value" to set or
 * "key" to query; a query's answer text comes back in args[1]. */
#define NETCOMP_METHOD_CONFIG 1

/* Time-outs of the components that wait on the network: by default Timeout
 * limits the time without data, so a peer that sends now and then holds a
 * call. With Config "AbsoluteTimeout=True" a call (a method, or a property
 * set that talks to the server) ends within its Timeout however many waits
 * it is made of and whatever the peer sends. What a component holds of
 * what a server sends is bounded whatever the time-outs; each component's
 * header names its bounds.
 *
 * The datagram components (UDPPort, DNS, MX, TFTP, SysLog, NetClock,
 * SNMPMgr, SNMPAgent, MCast, and ICMPPort, IPMonitor, Ping and TraceRoute on
 * a socket) read what arrives in rounds of at most 64 datagrams or 10 ms,
 * each datagram in its order; one longer than MaxPacketSize leaves the socket
 * as the others do, with an Error event. A peer that sends more than the
 * owner takes is read round by round: between rounds a waiting call sees its
 * Timeout and an Interrupt. Closing such a component delivers what has come
 * and ends within 100 ms, however much keeps coming; the rest goes with the
 * socket.
 *
 * The sockets of one thread, TCP and datagram alike, take turns with its
 * input, painting and timers: at most once in every 3 ms of reading they
 * look whether such messages wait, and when they do, the sockets stand in
 * line until the thread's message loop has taken one of them, then read in
 * their order, a few ms at a time (beside an owner whose messages take
 * longer, as long as those took), each stretch followed by another look. A
 * socket whose turn has come reads: however many sockets a thread has and
 * however often its timers come, every byte that arrives is delivered and
 * every connection that the peer closes ends. So the owner's timers and
 * windows wait some tens of ms at most for sockets whose peers never stop
 * sending, and longer only while other posted messages (a crowd of new
 * connections, say) keep coming, as those are taken first. */

#define NETCOMP_DECLARE_COMPONENT(C)                                                                                   \
    int WINAPI C##_StaticInit(HINSTANCE instance);                                                                     \
    int WINAPI C##_StaticDestroy(void);                                                                                \
    void* WINAPI C##_Create(ComponentEventCallback callback, INT_PTR user, const char* reserved);                      \
    int WINAPI C##_Destroy(void* obj);                                                                                 \
    INT_PTR WINAPI C##_Get(void* obj, int property, int index, int* lengthOut);                                        \
    int WINAPI C##_Set(void* obj, int property, int index, INT_PTR value, int length);                                 \
    int WINAPI C##_Do(void* obj, int method, int count, INT_PTR* args, int* lengths);                                  \
    int WINAPI C##_CheckIndex(void* obj, int property, int index);                                                     \
    const char* WINAPI C##_GetLastError(void* obj);                                                                    \
    int WINAPI C##_GetLastErrorCode(void* obj);

/* The components, in the order of the export list. The numbers
 * of each component's properties, methods and events are in its own header
 * beside this one (netcomp_ping.h, netcomp_ipinfo.h, ...). */
#include "netcomp_components.h"

#ifdef __cplusplus
}
#endif

#endif /* NETCOMP_H */
