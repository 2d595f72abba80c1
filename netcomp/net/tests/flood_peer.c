/* A hostile peer on 127.0.0.1 for the socket components' tests: a Linux
 * program, as only a native sender keeps ahead of every reader under Wine.
 *
 *   flood_peer <base port>
 *
 * The UDP ports answer the first datagram of each client with a flood of
 * datagrams that are not the answer, from two senders as fast as each can
 * send, until the client's port is closed (the senders' connected sockets
 * are refused) or 30 s have passed, long after any call under test ends:
 *   base + 0  "<sender> <number>" texts, numbered in the order each sender
 *             sends; a first datagram "size <n>" pads each to n bytes
 *   base + 1  DNS answers to the query, with ids of their own
 *   base + 2  SNMPv2c Responses to a request id no manager uses
 *   base + 3  as base + 1, and among them the real answer, from 300 ms on
 *   base + 4  datagrams of 60,000 bytes, longer than any component's buffer
 *             takes by default
 *   base + 5  no flood: "stream <rate> <count>" asks for count datagrams
 *             "<number>" (from 0) at rate a second, those due sent each
 *             millisecond
 * The TCP port base + 6 answers whatever a client sends with an HTTP reply
 * whose body never ends, sent as fast as the connection takes it; a request
 * for "/small" has a reply of 13 bytes instead, and the peer closes first (so
 * that the TIME-WAITs of many such connections are the peer's, and the
 * client's ports stay free).
 * The TCP port base + 7 takes "crowd <port> <count> <bytes>\n" and sends a
 * crowd of clients to a server on 127.0.0.1:<port>: count connections, all
 * made before any sends, then each sends its bytes (the line "<i>\n" and
 * then CrowdByte (i, j) for j from 0) and closes. The peer answers
 * "connected <n> sent <m>\n" once all have closed, and closes. With
 * "crowd <port> <count> <bytes> hold\n" the clients stay connected once
 * they have sent: the peer answers once all have sent, and closes them when
 * the control connection closes. It takes
 * "flood <port> <count>\n" too: count connections to the server, each
 * sending PatternByte (j) for j from 0 as fast as it takes them, until the
 * server closes it or 30 s have passed.
 * The TCP port base + 8 takes "bytes <n>\n" and sends n bytes PatternByte
 * (j), then closes; for 0, until the client closes or 30 s have passed.
 * The UDP port base + 9 answers each DNS query at once with one A record
 * (10.9.8.7) under the query's id, and floods nobody.
 *
 * Each flood, stream or reply that starts adds a line "<port> <client port>"
 * to the file "floods" in the current folder. Writes the file "ready" there
 * once it listens on every port. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

enum { kPlain, kDns, kSnmp, kDnsAnswered, kOversized, kStream, kHttp, kCrowd, kBytes, kAnswers, kPorts };
enum { kSenders = 2, kFloodSeconds = 30, kOversizedBytes = 60000, kMaxDatagram = 65507 };

static int g_base;

static int IsTcp(int kind)
{
    return kind == kHttp || kind == kCrowd || kind == kBytes;
}
static pthread_mutex_t g_log = PTHREAD_MUTEX_INITIALIZER;

static const unsigned char kSnmpJunk[] = {0x30, 0x1b, 0x02, 0x01, 0x01, 0x04, 0x06, 'p',  'u',  'b',
                                          'l',  'i',  'c',  0xa2, 0x0e, 0x02, 0x04, 0x7f, 0xff, 0xff,
                                          0x00, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x00};

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void Log(int port, const struct sockaddr_in* client)
{
    pthread_mutex_lock(&g_log);
    FILE* f = fopen("floods", "a");
    if (f) {
        fprintf(f, "%d %d\n", port, ntohs(client->sin_port));
        fclose(f);
    }
    pthread_mutex_unlock(&g_log);
}

static int Open(int type, int port)
{
    int s = socket(AF_INET, type, 0);
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (type == SOCK_DGRAM)
        setsockopt(s, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
    struct sockaddr_in local;
    memset(&local, 0, sizeof local);
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    local.sin_port = htons((unsigned short)port);
    if (bind(s, (struct sockaddr*)&local, sizeof local) != 0) {
        perror("bind");
        exit(1);
    }
    return s;
}

struct Flood {
    int kind;
    int sender;
    struct sockaddr_in client;
    unsigned char request[512];
    size_t requestLength;
    size_t padTo;
    double started;
};

/* The query's question answered with one A record, under its own id or another. */
static size_t DnsResponse(const struct Flood* f, unsigned char* out, const unsigned char* id, const unsigned char* a)
{
    size_t n = f->requestLength;
    memcpy(out, f->request, n);
    if (id)
        memcpy(out, id, 2);
    out[2] = 0x85;
    out[3] = 0x80;
    out[6] = 0;
    out[7] = 1;
    static const unsigned char kRecord[] = {0xc0, 0x0c, 0, 1, 0, 1, 0, 0, 0, 0x3c, 0, 4};
    memcpy(out + n, kRecord, sizeof kRecord);
    memcpy(out + n + sizeof kRecord, a, 4);
    return n + sizeof kRecord + 4;
}

static size_t Junk(const struct Flood* f, unsigned long long number, double now, unsigned char* out)
{
    switch (f->kind) {
    case kPlain: {
        size_t n = (size_t)snprintf((char*)out, 64, "%d %llu", f->sender, number);
        if (f->padTo > n) {
            memset(out + n, ' ', f->padTo - n);
            n = f->padTo;
        }
        return n;
    }
    case kSnmp:
        memcpy(out, kSnmpJunk, sizeof kSnmpJunk);
        return sizeof kSnmpJunk;
    case kOversized:
        memset(out, 'o', kOversizedBytes);
        return kOversizedBytes;
    default: {
        /* The senders fill the client's socket whenever the reader frees room
         * in it, so the answer goes out as one of theirs to get in at all. */
        if (f->kind == kDnsAnswered && now - f->started >= 0.3 && number % 1000 == 0) {
            static const unsigned char kAnswer[] = {10, 9, 8, 7};
            return DnsResponse(f, out, NULL, kAnswer);
        }
        const unsigned char id[2] = {(unsigned char)((f->request[0] ^ 0x80) & 0xff), (unsigned char)f->sender};
        const unsigned char a[4] = {10, 0, (unsigned char)(number >> 8), (unsigned char)number};
        return DnsResponse(f, out, id, a);
    }
    }
}

/* A socket of its own on the peer's port, connected to the client, so that a
 * closed client port (ECONNREFUSED) ends this sender. */
static void* Flood(void* arg)
{
    struct Flood* f = arg;
    int s = Open(SOCK_DGRAM, g_base + f->kind);
    unsigned char* out = malloc(kMaxDatagram + 64);
    if (connect(s, (struct sockaddr*)&f->client, sizeof f->client) == 0 && out) {
        unsigned long long number = 0;
        double now = Now();
        while (now - f->started < kFloodSeconds) {
            const size_t n = Junk(f, number, now, out);
            if (send(s, out, n, 0) < 0 && errno != ENOBUFS && errno != EAGAIN)
                break;
            ++number;
            if ((number & 63) == 0)
                now = Now();
        }
    }
    free(out);
    close(s);
    free(f);
    return NULL;
}

/* count datagrams "<number>" at rate a second: each millisecond those that
 * are due go, counted from the start, so a late one does not slow those
 * after it, and the sender sleeps between. */
static void* Stream(void* arg)
{
    struct Flood* f = arg;
    double rate = 0;
    unsigned long long count = 0;
    char text[64];
    size_t n = f->requestLength < sizeof text - 1 ? f->requestLength : sizeof text - 1;
    memcpy(text, f->request, n);
    text[n] = '\0';
    int s = Open(SOCK_DGRAM, g_base + kStream);
    if (sscanf(text, "stream %lf %llu", &rate, &count) == 2 && rate > 0 &&
        connect(s, (struct sockaddr*)&f->client, sizeof f->client) == 0) {
        const double start = Now();
        unsigned long long i = 0;
        while (i < count) {
            const double now = Now();
            for (; i < count && start + (double)i / rate <= now; ++i) {
                n = (size_t)snprintf(text, sizeof text, "%llu", i);
                if (send(s, text, n, 0) < 0 && errno != ENOBUFS && errno != EAGAIN)
                    i = count;
            }
            struct timespec pause = {0, 1000000};
            nanosleep(&pause, NULL);
        }
    }
    close(s);
    free(f);
    return NULL;
}

static void Start(void* (*run)(void*), struct Flood* f)
{
    pthread_t thread;
    if (pthread_create(&thread, NULL, run, f) == 0)
        pthread_detach(thread);
    else
        free(f);
}

struct Client {
    struct sockaddr_in address;
    double until;
};

struct Server {
    int kind;
    int socket;
};

static void* ServeDatagrams(void* arg)
{
    const int kind = ((struct Server*)arg)->kind;
    const int s = ((struct Server*)arg)->socket;
    const int port = g_base + kind;
    struct Client seen[256];
    int next = 0;
    memset(seen, 0, sizeof seen);
    for (;;) {
        struct Flood request;
        memset(&request, 0, sizeof request);
        socklen_t length = sizeof request.client;
        ssize_t got =
            recvfrom(s, request.request, sizeof request.request, 0, (struct sockaddr*)&request.client, &length);
        if (got < 0)
            continue;
        request.requestLength = (size_t)got;
        request.kind = kind;
        if (kind == kAnswers) {
            static const unsigned char kAnswer[] = {10, 9, 8, 7};
            unsigned char answer[sizeof request.request + 32];
            if (request.requestLength >= 12) {
                const size_t n = DnsResponse(&request, answer, NULL, kAnswer);
                sendto(s, answer, n, 0, (struct sockaddr*)&request.client, length);
            }
            continue;
        }
        request.started = Now();
        /* A client asks again while its flood lasts: that is the same flood. */
        int known = 0;
        for (int i = 0; i < 256; ++i) {
            if (seen[i].until > request.started && seen[i].address.sin_port == request.client.sin_port &&
                seen[i].address.sin_addr.s_addr == request.client.sin_addr.s_addr)
                known = 1;
        }
        if (known)
            continue;
        seen[next].address = request.client;
        seen[next].until = request.started + (kind == kStream ? 0 : kFloodSeconds);
        next = (next + 1) % 256;
        Log(port, &request.client);
        if (kind == kPlain && got > 5 && memcmp(request.request, "size ", 5) == 0) {
            request.request[got < 511 ? got : 511] = '\0';
            long size = atol((const char*)request.request + 5);
            request.padTo = size < 0 ? 0 : size > kMaxDatagram ? kMaxDatagram : (size_t)size;
        }
        const int senders = kind == kStream ? 1 : kSenders;
        for (int i = 0; i < senders; ++i) {
            struct Flood* f = malloc(sizeof *f);
            if (!f)
                break;
            *f = request;
            f->sender = i;
            Start(kind == kStream ? Stream : Flood, f);
        }
    }
    return NULL;
}

static void* Reply(void* arg)
{
    const int s = (int)(long)arg;
    char request[4096];
    /* Whatever the request says, once it has come. */
    const int got = (int)recv(s, request, sizeof request - 1, 0);
    if (got > 0) {
        request[got] = 0;
        static const char kSmall[] = "HTTP/1.1 200 OK\r\nContent-Length: 13\r\nConnection: close\r\n\r\nhello, world\n";
        static const char kHead[] = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n";
        static char block[65536];
        memset(block, 'b', sizeof block);
        const double start = Now();
        if (strstr(request, " /small ")) {
            /* Its end first, then whatever else comes until the client closes. */
            (void)send(s, kSmall, sizeof kSmall - 1, MSG_NOSIGNAL);
            shutdown(s, SHUT_WR);
            while (recv(s, request, sizeof request, 0) > 0) {
            }
        } else if (send(s, kHead, sizeof kHead - 1, MSG_NOSIGNAL) > 0) {
            while (Now() - start < kFloodSeconds && send(s, block, sizeof block, MSG_NOSIGNAL) > 0) {
            }
        }
    }
    close(s);
    return NULL;
}

/* The j-th byte that crowd client i sends after its first line; the test's
 * copy is CrowdByte in netcomp/testing/CrowdStream.h. */
static char CrowdByte(int i, int j)
{
    return (char)('a' + (i * 7 + j) % 26);
}

/* The j-th byte of a pattern stream; the tests' copy is PatternByte in
 * netcomp/testing/PatternStream.h. */
static unsigned char PatternByte(unsigned long long j)
{
    return (unsigned char)(j % 251);
}

/* Sends the pattern on s from byte 0, `limit` bytes (0: no limit), until a
 * send fails or 30 s have passed. */
static void SendPattern(int s, unsigned long long limit)
{
    /* A multiple of 251 bytes, so that every block starts the pattern anew. */
    static unsigned char block[251 * 256];
    static int ready;
    if (!ready) {
        for (size_t j = 0; j < sizeof block; ++j)
            block[j] = PatternByte(j);
        ready = 1;
    }
    const double start = Now();
    unsigned long long sent = 0;
    while ((limit == 0 || sent < limit) && Now() - start < kFloodSeconds) {
        size_t n = sizeof block - (size_t)(sent % sizeof block);
        if (limit != 0 && limit - sent < n)
            n = (size_t)(limit - sent);
        const ssize_t w = send(s, block + sent % sizeof block, n, MSG_NOSIGNAL);
        if (w <= 0)
            break;
        sent += (unsigned long long)w;
    }
}

static void* FloodServer(void* arg)
{
    SendPattern((int)(long)arg, 0);
    close((int)(long)arg);
    return NULL;
}

/* A client's request: what it sends up to its first line end, as a text. */
static void ReadRequest(int s, char* line, size_t size)
{
    size_t got = 0;
    while (got < size - 1) {
        const ssize_t n = recv(s, line + got, size - 1 - got, 0);
        if (n <= 0)
            break;
        got += (size_t)n;
        if (memchr(line, '\n', got))
            break;
    }
    line[got] = '\0';
}

static void* SendCrowd(void* arg)
{
    const int control = (int)(long)arg;
    char line[128];
    ReadRequest(control, line, sizeof line);
    int port = 0, count = 0, bytes = 0;
    int connected = 0, sent = 0;
    struct sockaddr_in server;
    memset(&server, 0, sizeof server);
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (sscanf(line, "flood %d %d", &port, &count) == 2 && count > 0 && count <= 256) {
        server.sin_port = htons((unsigned short)port);
        for (int i = 0; i < count; ++i) {
            const int s = socket(AF_INET, SOCK_STREAM, 0);
            pthread_t thread;
            if (s >= 0 && connect(s, (struct sockaddr*)&server, sizeof server) == 0 &&
                pthread_create(&thread, NULL, FloodServer, (void*)(long)s) == 0) {
                pthread_detach(thread);
                ++connected;
            } else if (s >= 0) {
                close(s);
            }
        }
        snprintf(line, sizeof line, "connected %d\n", connected);
        send(control, line, strlen(line), MSG_NOSIGNAL);
        close(control);
        return NULL;
    }
    if (sscanf(line, "crowd %d %d %d", &port, &count, &bytes) == 3 && count > 0 && count <= 4096 && bytes >= 0 &&
        bytes <= (1 << 20)) {
        const int hold = strstr(line, " hold") != NULL;
        int* s = calloc((size_t)count, sizeof *s);
        char* out = malloc((size_t)bytes + 32);
        server.sin_port = htons((unsigned short)port);
        for (int i = 0; s && out && i < count; ++i) {
            s[i] = socket(AF_INET, SOCK_STREAM, 0);
            if (s[i] >= 0 && connect(s[i], (struct sockaddr*)&server, sizeof server) == 0)
                ++connected;
        }
        for (int i = 0; s && out && i < count; ++i) {
            int n = snprintf(out, 32, "%d\n", i);
            for (int j = 0; j < bytes; ++j)
                out[n + j] = CrowdByte(i, j);
            n += bytes;
            int done = 0;
            while (done < n) {
                const ssize_t w = send(s[i], out + done, (size_t)(n - done), MSG_NOSIGNAL);
                if (w <= 0)
                    break;
                done += (int)w;
            }
            sent += done == n;
            if (!hold)
                close(s[i]);
        }
        if (hold && s) {
            snprintf(line, sizeof line, "connected %d sent %d\n", connected, sent);
            send(control, line, strlen(line), MSG_NOSIGNAL);
            char c;
            while (recv(control, &c, 1, 0) > 0) {
            }
            for (int i = 0; i < count; ++i)
                if (s[i] >= 0)
                    close(s[i]);
            free(out);
            free(s);
            close(control);
            return NULL;
        }
        free(out);
        free(s);
    }
    snprintf(line, sizeof line, "connected %d sent %d\n", connected, sent);
    send(control, line, strlen(line), MSG_NOSIGNAL);
    close(control);
    return NULL;
}

static void* SendBytes(void* arg)
{
    const int s = (int)(long)arg;
    char line[64];
    ReadRequest(s, line, sizeof line);
    unsigned long long bytes = 0;
    if (sscanf(line, "bytes %llu", &bytes) == 1)
        SendPattern(s, bytes);
    close(s);
    return NULL;
}

/* Each client of a TCP port is served on a thread of its own. */
static void* ServeConnections(void* arg)
{
    const int s = ((struct Server*)arg)->socket;
    for (;;) {
        struct sockaddr_in client;
        socklen_t length = sizeof client;
        int c = accept(s, (struct sockaddr*)&client, &length);
        if (c < 0)
            continue;
        const int kind = ((struct Server*)arg)->kind;
        Log(g_base + kind, &client);
        void* (*serve)(void*) = kind == kHttp ? Reply : kind == kCrowd ? SendCrowd : SendBytes;
        pthread_t thread;
        if (pthread_create(&thread, NULL, serve, (void*)(long)c) == 0)
            pthread_detach(thread);
        else
            close(c);
    }
    return NULL;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: flood_peer <base port>\n");
        return 2;
    }
    g_base = atoi(argv[1]);
    static struct Server servers[kPorts];
    for (int kind = 0; kind < kPorts; ++kind) {
        servers[kind].kind = kind;
        servers[kind].socket = Open(IsTcp(kind) ? SOCK_STREAM : SOCK_DGRAM, g_base + kind);
    }
    for (int kind = 0; kind < kPorts; ++kind) {
        if (IsTcp(kind))
            listen(servers[kind].socket, 16);
    }
    for (int kind = 0; kind < kPorts; ++kind) {
        pthread_t thread;
        pthread_create(&thread, NULL, IsTcp(kind) ? ServeConnections : ServeDatagrams, &servers[kind]);
    }
    FILE* ready = fopen("ready", "w");
    if (ready)
        fclose(ready);
    for (;;)
        pause();
}
