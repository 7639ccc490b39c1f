#!/usr/bin/python3
"""Serves the zone data of a file in the SPF suite's YAML form on 127.0.0.1, a UDP port for
each document (the scenarios reuse names), until it is stopped. It first prints, split by
tabs, "zone <document> 127.0.0.1@<port>", "test <document> <name> <host> <mailfrom> <helo>
<result,...> <explanation or ->" and at last "ready <pid>".

Zone entries: A, AAAA, MX [preference, host], PTR, CNAME, TXT and SPF (a string, or a list
of strings that stay separate strings; an empty list is one empty string). A name
with SPF records and no TXT record is served its SPF text as TXT too, unless it says
`TXT: NONE`. `TIMEOUT` makes every type not listed before it go unanswered.
"""
import os
import select
import socket
import sys

import yaml
from dnslib import AAAA, CNAME, EDNS0, MX, PTR, QTYPE, RCODE, RR, TXT, A, DNSRecord

SPF = 99


def as_bytes(text):
    # The suite writes raw bytes as \xNN escapes; keep them bytes, not characters.
    text = str(text)
    try:
        return text.encode("latin-1")
    except UnicodeEncodeError:
        return text.encode("utf-8")


def strings(value):
    # A record of no strings is malformed on the wire and libunbound drops the whole answer
    # for it; one empty string is the form servers give an empty text.
    if value == []:
        return [b""]
    return [as_bytes(v) for v in value] if isinstance(value, list) else [as_bytes(value)]


def entries(records):
    """(type, rdata) in published order; ("TIMEOUT", None) where the name falls silent."""
    out = []
    has_txt = any(isinstance(r, dict) and "TXT" in r for r in records)
    for record in records:
        if record == "TIMEOUT":
            out.append(("TIMEOUT", None))
            continue
        (kind, value), = record.items()
        if kind == "TXT" and value == "NONE":
            continue
        if kind in ("TXT", "SPF"):
            rdata = TXT(strings(value))
            out.append((QTYPE.TXT if kind == "TXT" else SPF, rdata))
            if kind == "SPF" and not has_txt:
                out.append((QTYPE.TXT, rdata))
        elif kind == "MX":
            out.append((QTYPE.MX, MX(value[1] or ".", value[0])))
        else:
            rdtype = {"A": A, "AAAA": AAAA, "PTR": PTR, "CNAME": CNAME}[kind]
            out.append((getattr(QTYPE, kind), rdtype(str(value))))
    return out


def name_of(labels):
    # By the label bytes: the text form of a label escapes its blanks.
    return b".".join(labels).decode("latin-1").lower()


def zone_of(zonedata):
    return {name.lower().rstrip("."): entries(records) for name, records in zonedata.items()}


def answer(zone, request):
    reply = request.reply()
    if any(rr.rtype == QTYPE.OPT for rr in request.ar):
        reply.add_ar(EDNS0(udp_len=1232))
    qname = name_of(request.q.qname.label)
    qtype = request.q.qtype
    records = zone.get(qname)
    if records is None:
        # An empty non-terminal exists; anything else is no name.
        if not any(name.endswith("." + qname) for name in zone):
            reply.header.rcode = RCODE.NXDOMAIN
        return reply
    found = False
    for rtype, rdata in records:
        if rtype == "TIMEOUT":
            return reply if found else None
        if rtype == qtype or (rtype == QTYPE.CNAME and qtype != QTYPE.CNAME):
            found = True
            reply.add_answer(RR(request.q.qname, rtype, rdata=rdata, ttl=60))
    return reply


def main():
    documents = [d for d in yaml.safe_load_all(open(sys.argv[1], encoding="utf-8")) if d]
    sockets = {}
    for index, document in enumerate(documents):
        if "zonedata" not in document:
            continue
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.bind(("127.0.0.1", 0))
        sockets[sock] = zone_of(document["zonedata"])
        print(f"zone\t{index}\t127.0.0.1@{sock.getsockname()[1]}")
        for name, test in (document.get("tests") or {}).items():
            results = test["result"] if isinstance(test["result"], list) else [test["result"]]
            fields = [str(index), name, str(test["host"]), str(test["mailfrom"]),
                      str(test["helo"]), ",".join(results), str(test.get("explanation", "-"))]
            assert not any("\t" in f or "\n" in f for f in fields), name
            print("test\t" + "\t".join(fields))
    print(f"ready\t{os.getpid()}", flush=True)
    while True:
        # Idle for minutes means the test that started it is gone.
        ready, _, _ = select.select(list(sockets), [], [], 300)
        if not ready:
            return
        for sock in ready:
            data, peer = sock.recvfrom(4096)
            try:
                reply = answer(sockets[sock], DNSRecord.parse(data))
            except Exception:  # a query we cannot read goes unanswered, as on the wire
                continue
            if reply is not None:
                sock.sendto(reply.pack(), peer)


if __name__ == "__main__":
    main()
