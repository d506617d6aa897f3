#!/usr/bin/python3
"""Plain client for the upload benchmark: hands a recording in the way Mirlo
does (the test file, then the recording, or its pieces and the piece list
above 2 097 152 bytes), with the same fields, through a proxy on 127.0.0.1
(the reference server itself, or a relay in front of it).

    upload_client.py PROXY_PORT SITE PATH LOGIN PASSWORD RECORDING
"""
import http.client
import os
import sys
import uuid

SINGLE_LIMIT = 2097152


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


def passes(recording):
    """(name, bytes) of every pass, and whether they are a split upload."""
    name = os.path.basename(recording)
    with open(recording, "rb") as f:
        data = f.read()
    if len(data) <= SINGLE_LIMIT:
        return [("testx", b"xxxxxx\r\n"), (name, data)], False
    count = len(data) // SINGLE_LIMIT + 1
    piece = round(len(data) / count + 1)
    base = name.replace(".mp3", "")
    names = ["%s_%d" % (base, i) for i in range(1, count + 1)]
    pieces = [(names[i], data[i * piece:(i + 1) * piece]) for i in range(count)]
    listing = "\r\n".join([name, " %d " % count] + names) + "\r\n"
    return [("testx", b"xxxxxx\r\n")] + pieces + [("Frac_%s.split" % base, listing.encode("cp1252"))], True


def main():
    port, site, path, login, password, recording = sys.argv[1:7]
    files, split = passes(recording)
    for number, (name, data) in enumerate(files, start=1):
        proof = str(number)
        fields = [("proofnumber", proof), ("repertoire", login + "_"), ("login", login), ("password", password)]
        if split:
            fields.append(("SplittedFile", "SplittedFile"))
        status, text = post(int(port), site, path, name, data, fields)
        if status != 200 or proof.encode() not in text:
            print("failed on", name, status, text[:80], file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
