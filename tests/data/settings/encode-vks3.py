#!/usr/bin/env python3
"""Writes password-v3.dt from the layout's description alone (hashlib and hmac, none of the program's code).

Run once; the file is kept and never rewritten: python3 encode-vks3.py > password-v3.dt
"""
import hashlib
import hmac
import struct
import sys


def string(text):
    data = text.encode("utf-8")
    return struct.pack("<i", len(data)) + data


def keystream_xor(data, key, nonce):
    out = bytearray(data)
    for block, pos in enumerate(range(0, len(out), 32)):
        pad = hmac.new(key, nonce + struct.pack(">I", block), hashlib.sha256).digest()
        for i in range(min(32, len(out) - pos)):
            out[pos + i] ^= pad[i]
    return bytes(out)


password = "Schlüssel Ω 42"
paths = ["/home/golden/Документы", "/home/golden/photos 2024"]
previous = ["alt-Paßwort"]
payload = bytes([0]) + struct.pack("<i", len(paths)) + b"".join(string(p) for p in paths)
payload += struct.pack("<i", len(previous)) + b"".join(string(p) for p in previous) + bytes([1])

iterations = 200000
salt = bytes(range(0x00, 0x10))
nonce = bytes(range(0x10, 0x20))
master = hashlib.pbkdf2_hmac("sha256", password.encode("utf-8"), salt, iterations, 32)
enc_key = hmac.new(master, b"settings-v3-enc", hashlib.sha256).digest()
mac_key = hmac.new(master, b"settings-v3-mac", hashlib.sha256).digest()
header = string("VKS3") + struct.pack("<ii", 3, iterations) + salt + nonce
ciphertext = keystream_xor(payload, enc_key, nonce)
mac = hmac.new(mac_key, header + ciphertext, hashlib.sha256).digest()
sys.stdout.buffer.write(header + mac + ciphertext)
