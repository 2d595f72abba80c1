#!/usr/bin/python3
"""Reads a request body of any size in blocks and answers its length and
SHA-256, so the body never sits whole in memory (the upload benchmark)."""
import hashlib
import os
import sys

left = int(os.environ.get("CONTENT_LENGTH") or 0)
digest = hashlib.sha256()
total = 0
while left > 0:
    block = sys.stdin.buffer.read(min(left, 1 << 20))
    if not block:
        break
    digest.update(block)
    total += len(block)
    left -= len(block)
sys.stdout.write("Content-Type: text/plain\r\n\r\n%d %s\n" % (total, digest.hexdigest()))
