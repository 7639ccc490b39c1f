#!/usr/bin/python3
"""A local SMTP server for the connection tests, on 127.0.0.1 and a free port.

Prints "READY <port>" once it takes connections and runs until stdin closes.
Modes: plain, starttls and tls (TLS from the first byte; both with --cert/--key), silent
(accepts and never says a word).
With --user/--password it accepts AUTH for that one pair, after TLS only; --auth-reply
answers every AUTH with that line instead.
With --dir it logs each command's name to DIR/events; with --capture it takes mail and
writes the message bytes to DIR/message and the envelope ("from" then each "to", one a
line) to DIR/envelope. --refuse mail|rcpt|data answers that step with a 5xx.
"""
import os
import argparse
import random
import socket
import ssl
import sys
import threading


def bound_socket():
    """A socket bound to a free port that the window's port field can hold (up to 9999)."""
    for _ in range(500):
        sock = socket.socket()
        try:
            sock.bind(("127.0.0.1", random.randint(2000, 9999)))
            return sock
        except OSError:
            sock.close()
    raise SystemExit("no free port below 10000")


def free_port():
    with bound_socket() as probe:
        return probe.getsockname()[1]


def run_silent():
    listener = bound_socket()
    listener.listen(8)
    held = []

    def accept():
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            held.append(conn)  # kept open, never written to

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1], listener.close


def run_smtp(args):
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult, LoginPassword

    refusals = {
        "mail": "553 5.7.1 Sender address rejected: not owned by user",
        "rcpt": "550 5.1.1 Recipient address rejected: User unknown",
        "data": "552 5.3.4 Message size exceeds fixed limit",
    }

    def note(*words):
        if args.dir:
            with open(os.path.join(args.dir, "events"), "a") as events:
                events.write(" ".join(words) + "\n")

    class Sink:
        async def handle_EHLO(self, server, session, envelope, hostname, responses):
            note("EHLO")
            session.host_name = hostname
            return responses

        async def handle_MAIL(self, server, session, envelope, address, options):
            note("MAIL")
            if args.refuse == "mail":
                return refusals["mail"]
            envelope.mail_from = address
            return "250 OK"

        async def handle_RCPT(self, server, session, envelope, address, options):
            note("RCPT")
            if args.refuse == "rcpt":
                return refusals["rcpt"]
            envelope.rcpt_tos.append(address)
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            note("DATA")
            if args.refuse == "data":
                return refusals["data"]
            if not args.capture:
                return "554 5.7.1 This test server takes no mail"
            with open(os.path.join(args.dir, "message"), "wb") as message:
                message.write(envelope.original_content)
            with open(os.path.join(args.dir, "envelope"), "w") as lines:
                lines.write("\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
            return "250 2.0.0 Ok: queued as 4TestQ1d"

        async def handle_QUIT(self, server, session, envelope):
            note("QUIT")
            return "221 Bye"

    def authenticate(server, session, envelope, mechanism, auth_data):
        note("AUTH")
        if args.auth_reply:
            return AuthResult(success=False, handled=False, message=args.auth_reply)
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        return AuthResult(success=ok, handled=False)  # else no 535 is sent

    options = {}
    if args.mode in ("starttls", "tls"):
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        options["tls_context" if args.mode == "starttls" else "ssl_context"] = context
    if args.user is not None:
        options["authenticator"] = authenticate
        options["auth_require_tls"] = args.mode != "tls"  # there, TLS came first
    else:
        # No AUTH offered at all, rather than offered and always refused.
        options["auth_exclude_mechanism"] = ["LOGIN", "PLAIN"]
    port = free_port()
    controller = Controller(Sink(), hostname="127.0.0.1", port=port, **options)
    controller.start()
    return port, controller.stop


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mode", choices=["plain", "starttls", "tls", "silent"], required=True)
    parser.add_argument("--auth-reply")
    parser.add_argument("--dir")
    parser.add_argument("--capture", action="store_true")
    parser.add_argument("--refuse", choices=["mail", "rcpt", "data"])
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user")
    parser.add_argument("--password")
    args = parser.parse_args()
    port, stop = run_silent() if args.mode == "silent" else run_smtp(args)
    print("READY", port, flush=True)
    sys.stdin.read()
    stop()


if __name__ == "__main__":
    main()
