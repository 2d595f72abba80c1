/* Sends one message through the SMTP component to a mail server on the
 * loopback, built from the SDK folder alone (as a C developer's program is):
 *   smtp_send_check.exe <port> <subject>
 * Prints the component's error and exits with 1 when the send fails. */
#include <stdio.h>
#include <stdlib.h>

#include "netcomp.h"
#include "netcomp_smtp.h"

static int WINAPI OnEvent(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
{
    (void)user;
    (void)lengths;
    if (event == kSmtpEventError && count >= 2)
        printf("error event %d: %s\n", (int)params[0], (const char*)params[1]);
    return 0;
}

static int SetText(void* smtp, int property, const char* text)
{
    return SMTP_Set(smtp, property, 0, (INT_PTR)text, 0);
}

int main(int argc, char** argv)
{
    void* smtp;
    int rc;
    if (argc < 3) {
        printf("usage: smtp_send_check <port> <subject>\n");
        return 2;
    }
    SMTP_StaticInit(GetModuleHandleA(NULL));
    smtp = SMTP_Create(OnEvent, 0, NULL);
    if (!smtp) {
        printf("SMTP_Create failed\n");
        return 2;
    }
    /* The defaults hold before anything is set. */
    printf("defaults: FirewallPort %d, MailPort %d\n", (int)SMTP_Get(smtp, kSmtpFirewallPort, 0, NULL),
           (int)SMTP_Get(smtp, kSmtpMailPort, 0, NULL));
    rc = SetText(smtp, kSmtpMailServer, "127.0.0.1");
    if (rc == NETCOMP_OK)
        rc = SMTP_Set(smtp, kSmtpMailPort, 0, atoi(argv[1]), 0);
    if (rc == NETCOMP_OK)
        printf("MailServer reads back as \"%s\"\n", (const char*)SMTP_Get(smtp, kSmtpMailServer, 0, NULL));
    if (rc == NETCOMP_OK)
        rc = SMTP_Set(smtp, kSmtpTimeout, 0, 20, 0);
    if (rc == NETCOMP_OK)
        rc = SetText(smtp, kSmtpFrom, "alice@kes.test");
    if (rc == NETCOMP_OK)
        rc = SetText(smtp, kSmtpSendTo, "bob@kes.test");
    if (rc == NETCOMP_OK)
        rc = SetText(smtp, kSmtpSubject, argv[2]);
    if (rc == NETCOMP_OK)
        rc = SetText(smtp, kSmtpMessageText, "Sent from a fresh Wine prefix.\r\n");
    if (rc == NETCOMP_OK)
        rc = SMTP_Do(smtp, kSmtpSend, 0, NULL, NULL);
    if (rc != NETCOMP_OK)
        printf("send failed: [%d] %s\n", rc, SMTP_GetLastError(smtp));
    else
        printf("sent \"%s\"\n", argv[2]);
    SMTP_Destroy(smtp);
    SMTP_StaticDestroy();
    return rc == NETCOMP_OK ? 0 : 1;
}
