// Times the mail components against a loopback SMTP server: many messages
// over one connection with the SMTP component, and one message with a large
// attachment with FileMailer, whose peak memory must not follow the file's
// size. Run by tools/mail-bench.sh, which starts the server and times
// Python's smtplib on the same work.
//   mail_send_bench many <port> <messages> <bytes>
//   mail_send_bench attach <port> <file>
// Prints "<what> <seconds> rc=<result> peak-private-kb=<kb>".
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_filemailer.h"
#include "netcomp/include/netcomp_smtp.h"
#include "bench/WallClock.h"

namespace {

size_t PeakPrivateKb()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage / 1024;
}

INT_PTR Text(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

int Many(int port, int count, int bytes)
{
    SMTP_StaticInit(GetModuleHandleA(nullptr));
    void* smtp = SMTP_Create(nullptr, 0, nullptr);
    // Lines of 78 characters and CR LF, as a text mail has them.
    std::string body;
    while (int(body.size()) < bytes)
        body += std::string(78, char('a' + body.size() / 80 % 26)) + "\r\n";
    body.resize(size_t(bytes));
    SMTP_Set(smtp, kSmtpMailServer, 0, Text("127.0.0.1"), 0);
    SMTP_Set(smtp, kSmtpMailPort, 0, port, 0);
    SMTP_Set(smtp, kSmtpFrom, 0, Text("bench@kes.test"), 0);
    SMTP_Set(smtp, kSmtpSendTo, 0, Text("sink@kes.test"), 0);
    SMTP_Set(smtp, kSmtpSubject, 0, Text("bench"), 0);
    SMTP_Set(smtp, kSmtpMessageText, 0, Text(body.c_str()), 0);
    const double start = Now();
    int rc = SMTP_Do(smtp, kSmtpConnect, 0, nullptr, nullptr);
    int sent = 0;
    for (; sent < count && rc == 0; ++sent)
        rc = SMTP_Do(smtp, kSmtpSend, 0, nullptr, nullptr);
    if (rc == 0)
        rc = SMTP_Do(smtp, kSmtpDisconnect, 0, nullptr, nullptr);
    const double seconds = Now() - start;
    std::printf("many %.3f rc=%d sent=%d peak-private-kb=%zu\n", seconds, rc, sent, PeakPrivateKb());
    if (rc != 0)
        std::printf("error %s\n", SMTP_GetLastError(smtp));
    SMTP_Destroy(smtp);
    return rc;
}

int Attach(int port, const char* file)
{
    FileMailer_StaticInit(GetModuleHandleA(nullptr));
    void* mailer = FileMailer_Create(nullptr, 0, nullptr);
    FileMailer_Set(mailer, kFileMailerMailServer, 0, Text("127.0.0.1"), 0);
    FileMailer_Set(mailer, kFileMailerMailPort, 0, port, 0);
    FileMailer_Set(mailer, kFileMailerTimeout, 0, 600, 0);
    FileMailer_Set(mailer, kFileMailerFrom, 0, Text("bench@kes.test"), 0);
    FileMailer_Set(mailer, kFileMailerSendTo, 0, Text("sink@kes.test"), 0);
    FileMailer_Set(mailer, kFileMailerMessageText, 0, Text("The file is attached.\r\n"), 0);
    INT_PTR args[1] = {Text(file)};
    FileMailer_Do(mailer, kFileMailerAddAttachment, 1, args, nullptr);
    const size_t before = PeakPrivateKb();
    const double start = Now();
    const int rc = FileMailer_Do(mailer, kFileMailerSend, 0, nullptr, nullptr);
    const double seconds = Now() - start;
    std::printf("attach %.3f rc=%d peak-private-kb-before=%zu peak-private-kb=%zu\n", seconds, rc, before,
                PeakPrivateKb());
    if (rc != 0)
        std::printf("error %s\n", FileMailer_GetLastError(mailer));
    FileMailer_Destroy(mailer);
    return rc;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && std::string(argv[1]) == "many")
        return Many(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc >= 4 && std::string(argv[1]) == "attach")
        return Attach(std::atoi(argv[2]), argv[3]);
    std::fprintf(stderr, "usage: mail_send_bench many <port> <messages> <bytes> | attach <port> <file>\n");
    return 2;
}
