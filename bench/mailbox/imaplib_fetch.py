"""The baseline: Python's imaplib fetching every mail of the folder in one
UID FETCH 1:* BODY.PEEK[] over TLS. Prints the seconds it took, login included."""
import imaplib
import ssl
import sys
import time

host, port, user, password, cafile = sys.argv[1:6]
started = time.monotonic()
imap = imaplib.IMAP4_SSL(host, int(port), ssl_context=ssl.create_default_context(cafile=cafile))
imap.login(user, password)
imap.select("INBOX", readonly=True)
status, data = imap.uid("FETCH", "1:*", "(BODY.PEEK[])")
count = sum(1 for item in data if isinstance(item, tuple))
imap.logout()
print(f"{time.monotonic() - started:.6f} {count}")
