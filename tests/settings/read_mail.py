#!/usr/bin/python3
"""Prints a captured mail's decoded headers and text parts as JSON, as a mail program reads them."""
import json
import sys
from email import message_from_binary_file
from email.header import decode_header, make_header


def decoded(value):
    return str(make_header(decode_header(value))) if value is not None else None


with open(sys.argv[1], "rb") as f:
    message = message_from_binary_file(f)
parts = {}
for part in message.walk():
    if not part.is_multipart():
        payload = part.get_payload(decode=True).decode(part.get_content_charset() or "ascii")
        parts[part.get_content_type()] = payload
print(json.dumps({
    "from": decoded(message["From"]),
    "to": decoded(message["To"]),
    "subject": decoded(message["Subject"]),
    "type": message.get_content_type(),
    "parts": parts,
}, ensure_ascii=False))
