#!/usr/bin/python3
"""Plain client for the upload benchmark: posts each file in turn, with the
same fields as Mirlo, through the reference server acting as a proxy."""
import http.client
import os
import sys
import uuid


def post(port, site, path, name, data, fields):
    boundary = uuid.uuid4().hex
    parts = [b"--" + boundary.encode() + b'\r\nContent-Disposition: form-data; name="userfile"; filename="'
             + name.encode() + b'"\r\nContent-Type: application/octet-stream\r\n\r\n' + data + b"\r\n"]
    for key, value in fields:
        parts.append(b"--" + boundary.encode() + b'\r\nContent-Disposition: form-data; name="' + key.encode()
                     + b'"\r\n\r\n' + value.encode("cp1252") + b"\r\n")
    body = b"".join(parts) + b"--" + boundary.encode() + b"--\r\n"
    conn = http.client.HTTPConnection("127.0.0.1", port)
    conn.request("POST", "http://%s%s" % (site, path), body,
                 {"Content-Type": "multipart/form-data; boundary=" + boundary})
    reply = conn.getresponse()
    text = reply.read()
    conn.close()
    return reply.status, text


def main():
    port, site, path, login, password = sys.argv[1:6]
    for number, file in enumerate(sys.argv[6:], start=1):
        with open(file, "rb") as f:
            data = f.read()
        proof = str(number)
        status, text = post(int(port), site, path, os.path.basename(file), data,
                            [("proofnumber", proof), ("repertoire", login + "_"), ("login", login),
                             ("password", password), ("SplittedFile", "SplittedFile")])
        if status != 200 or proof.encode() not in text:
            print("failed on", file, status, text[:80], file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
