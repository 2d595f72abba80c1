# The yardstick of the mail benchmark: Python's smtplib doing what
# mail_send_bench does, against the same server.
#
#   /usr/bin/python3 smtp_load.py many <port> <messages> <bytes>
#   /usr/bin/python3 smtp_load.py attach <port> <file>
#
# Prints "<what> <seconds> maxrss-kb=<peak resident size>".
import resource
import smtplib
import sys
import time
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText


def many(port, count, size):
    body = ""
    while len(body) < size:
        body += chr(ord("a") + len(body) // 80 % 26) * 78 + "\r\n"
    message = ("To: sink@kes.test\r\nFrom: bench@kes.test\r\nSubject: bench\r\n\r\n" + body[:size]).encode()
    start = time.perf_counter()
    s = smtplib.SMTP("127.0.0.1", port, timeout=60)
    s.ehlo("client.kes.test")
    for _ in range(count):
        s.sendmail("bench@kes.test", ["sink@kes.test"], message)
    s.quit()
    return time.perf_counter() - start


def attach(port, path):
    start = time.perf_counter()
    message = MIMEMultipart()
    message["From"], message["To"] = "bench@kes.test", "sink@kes.test"
    message.attach(MIMEText("The file is attached.\r\n"))
    with open(path, "rb") as f:
        part = MIMEApplication(f.read(), Name=path.rsplit("/", 1)[-1])
    message.attach(part)
    s = smtplib.SMTP("127.0.0.1", port, timeout=600)
    s.send_message(message)
    s.quit()
    return time.perf_counter() - start


def main():
    what, port = sys.argv[1], int(sys.argv[2])
    seconds = many(port, int(sys.argv[3]), int(sys.argv[4])) if what == "many" else attach(port, sys.argv[3])
    print(f"{what} {seconds:.3f} maxrss-kb={resource.getrusage(resource.RUSAGE_SELF).ru_maxrss}")


if __name__ == "__main__":
    main()
