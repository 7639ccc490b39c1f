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
import time


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


def listen_in_background(handle):
    """Hands each connection to `handle` on a thread of its own; returns the port and stop."""
    listener = bound_socket()
    listener.listen(8)

    def accept():
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=handle, args=(conn,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1], listener.close


def run_silent():
    held = []
    return listen_in_background(held.append)  # kept open, never written to


class Channel:
    """One client connection as the script sees it: lines in, pieces out."""

    def __init__(self, conn, args):
        self.conn = conn
        self.args = args
        self.pending = b""
        self.cuts = random.Random(20)

    def pieces(self, data):
        if self.args.split == "bytes":
            return [data[i:i + 1] for i in range(len(data))]
        if self.args.split == "random" and len(data) > 1:
            cuts = sorted(self.cuts.sample(range(1, len(data)), min(20, len(data) - 1)))
            return [data[a:b] for a, b in zip([0] + cuts, cuts + [len(data)])]
        return [data]

    def send(self, data):
        for piece in self.pieces(data):
            self.conn.sendall(piece)
            if self.args.split != "whole":
                time.sleep(0.0002)  # each piece a packet of its own

    def read_until(self, end):
        while end not in self.pending:
            chunk = self.conn.recv(4096)
            if not chunk:
                raise EOFError
            self.pending += chunk
        at = self.pending.index(end) + len(end)
        taken, self.pending = self.pending[:at], self.pending[at:]
        return taken

    def note(self, name, data):
        if self.args.dir:
            with open(os.path.join(self.args.dir, name), "ab") as out:
                out.write(data)

    def read_line(self):
        line = self.read_until(b"\n")
        self.note("received", line.rstrip(b"\r\n") + b"\n")

    def read_data(self):
        self.note("message", self.read_until(b"\r\n.\r\n"))

    def start_tls(self):
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(self.args.cert, self.args.key)
        self.conn = context.wrap_socket(self.conn, server_side=True)

    def hang_up(self):
        self.conn.close()
        raise EOFError

    def repeat(self, data):
        until = time.monotonic() + 30
        while time.monotonic() < until:
            self.conn.sendall(data)
            time.sleep(0.5)


def run_script(args):
    with open(args.script) as lines:
        steps = [(line[0], bytes.fromhex(line[1:].strip())) for line in lines if line.strip()]

    def serve(conn):
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        channel = Channel(conn, args)
        actions = {
            "S": channel.send,
            "E": lambda _: channel.read_line(),
            "D": lambda _: channel.read_data(),
            "T": lambda _: channel.start_tls(),
            "W": lambda data: time.sleep(float(data)),
            "R": channel.repeat,
            "C": lambda _: channel.hang_up(),
        }
        try:
            for letter, data in steps:
                actions[letter](data)
            # Whatever else the client says is kept too.
            while True:
                channel.read_line()
        except (OSError, EOFError, ValueError):
            pass
        finally:
            channel.conn.close()

    return listen_in_background(serve)


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
    parser.add_argument("--mode", choices=["plain", "starttls", "tls", "silent", "script"],
                        required=True)
    parser.add_argument("--script")
    parser.add_argument("--split", choices=["whole", "bytes", "random"], default="whole")
    parser.add_argument("--auth-reply")
    parser.add_argument("--dir")
    parser.add_argument("--capture", action="store_true")
    parser.add_argument("--refuse", choices=["mail", "rcpt", "data"])
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user")
    parser.add_argument("--password")
    args = parser.parse_args()
    runs = {"silent": run_silent, "script": lambda: run_script(args)}
    port, stop = runs.get(args.mode, lambda: run_smtp(args))()
    print("READY", port, flush=True)
    sys.stdin.read()
    stop()


if __name__ == "__main__":
    main()
