#!/usr/bin/python3
"""Answers a form post (or a GET with a query) as JSON with what it received,
read twice: by the cgi module as a web application would (fields, and for
each file its name, type, size, MD5 and SHA-256), and, for a multipart body,
by the email package (each part's name, file name, type, size, MD5 and
SHA-256, and the defects it found)."""
import cgi
import email
import email.policy
import hashlib
import io
import json
import os
import sys

length = int(os.environ.get("CONTENT_LENGTH") or 0)
raw = sys.stdin.buffer.read(length) if length else b""
content_type = os.environ.get("CONTENT_TYPE", "")
out = {
    "method": os.environ.get("REQUEST_METHOD"),
    "content_type": content_type,
    "query": os.environ.get("QUERY_STRING", ""),
    "length": len(raw),
    "fields": {},
    "files": {},
}
form = cgi.FieldStorage(fp=io.BytesIO(raw), environ=dict(os.environ), keep_blank_values=True)
for key in form.keys():
    items = form[key] if isinstance(form[key], list) else [form[key]]
    for item in items:
        if item.filename is not None:
            data = item.file.read()
            out["files"][key] = {
                "filename": item.filename,
                "type": item.type,
                "size": len(data),
                "md5": hashlib.md5(data).hexdigest(),
                "sha256": hashlib.sha256(data).hexdigest(),
            }
        else:
            out["fields"].setdefault(key, []).append(item.value)
if content_type.startswith("multipart/"):
    message = email.message_from_bytes(b"Content-Type: " + content_type.encode() + b"\r\n\r\n" + raw,
                                       policy=email.policy.compat32)
    parts = []
    for part in message.get_payload() if message.is_multipart() else []:
        data = part.get_payload(decode=True) or b""
        parts.append({
            "name": part.get_param("name", header="content-disposition"),
            "filename": part.get_filename(),
            "type": part.get_content_type(),
            "size": len(data),
            "md5": hashlib.md5(data).hexdigest(),
            "sha256": hashlib.sha256(data).hexdigest(),
        })
    out["email"] = {"parts": parts, "defects": [type(d).__name__ for d in message.defects]}
sys.stdout.write("Content-Type: application/json\r\n\r\n" + json.dumps(out, sort_keys=True) + "\n")
