#!/usr/bin/python3
"""A local SMTP server for the connection tests, on 127.0.0.1 and a free port.

Prints "READY <port>" once it takes connections and runs until stdin closes.
Modes: plain, starttls (with --cert/--key), silent (accepts and never says a word).
With --user/--password it accepts AUTH for that one pair, after STARTTLS only.
"""
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

    class Sink:
        async def handle_DATA(self, server, session, envelope):
            return "554 5.7.1 This test server takes no mail"

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        return AuthResult(success=ok, handled=False)  # else no 535 is sent

    options = {}
    if args.mode == "starttls":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        options["tls_context"] = context
    if args.user is not None:
        options["authenticator"] = authenticate
        options["auth_require_tls"] = True
    else:
        # No AUTH offered at all, rather than offered and always refused.
        options["auth_exclude_mechanism"] = ["LOGIN", "PLAIN"]
    port = free_port()
    controller = Controller(Sink(), hostname="127.0.0.1", port=port, **options)
    controller.start()
    return port, controller.stop


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mode", choices=["plain", "starttls", "silent"], required=True)
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
