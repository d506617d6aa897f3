#!/usr/bin/python3
"""Reference upload server for Mirlo's upload tests (stdlib only).

Serves as the school's upload script and as the proxy in front of it: a
request line in absolute form ("POST http://site/path HTTP/1.1") is answered
here as if it had been forwarded. Every request is parsed as
multipart/form-data and recorded in a JSON log; split uploads are put back
together from the stored pieces when their piece list arrives.

Control file (JSON, re-read at every request):
  {"login": ..., "password": ..., "script": [entry, ...], "default": entry}
The n-th request uses script[n], later ones the default. An entry may hold
  "status": int (200), "body": text with {proof} replaced by the check
  number (absent: check login and password and echo the check number),
  "delay": seconds before answering, "silent": true (never answer),
  "close": true (hang up without answering), "truncate": true (hang up in
  the middle of the reply), "trickle": seconds over which
  the body is sent in small parts.
"""
import argparse
import hashlib
import http.server
import json
import os
import re
import socketserver
import sys
import threading
import time
from email import policy
from email.parser import BytesParser
from urllib.parse import urlsplit

FILE_FIELD = "userfile"
CHECK_FIELD = "proofnumber"
SECOND_LOGIN_FIELD = "repertoire"
LOGIN_FIELD = "login"
PASSWORD_FIELD = "password"


class State:
    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()
        self.count = 0
        self.log = []
        self.stopping = threading.Event()
        os.makedirs(args.store, exist_ok=True)

    def next_entry(self):
        with self.lock:
            index = self.count
            self.count += 1
        control = {}
        if self.args.control and os.path.exists(self.args.control):
            with open(self.args.control, encoding="utf-8") as f:
                text = f.read()
            if text.strip():
                control = json.loads(text)
        script = control.get("script", [])
        entry = script[index] if index < len(script) else control.get("default", {})
        login = control.get("login", self.args.login)
        password = control.get("password", self.args.password)
        return index, entry, login, password

    def record(self, item):
        with self.lock:
            self.log.append(item)
            if self.args.log:
                tmp = self.args.log + ".tmp"
                with open(tmp, "w", encoding="utf-8") as f:
                    json.dump(self.log, f, ensure_ascii=False, indent=1)
                os.replace(tmp, self.args.log)


def parse_form(content_type, body):
    head = b"Content-Type: " + content_type.encode("latin-1") + b"\r\nMIME-Version: 1.0\r\n\r\n"
    message = BytesParser(policy=policy.HTTP).parsebytes(head + body)
    if not message.is_multipart():
        raise ValueError("not multipart: " + content_type)
    fields = []
    for part in message.iter_parts():
        disposition = part.get("Content-Disposition", "")
        if not str(disposition).startswith("form-data"):
            raise ValueError("part without form-data disposition")
        name = part.get_param("name", header="content-disposition")
        filename = part.get_param("filename", header="content-disposition")
        data = part.get_payload(decode=True) or b""
        fields.append((name, filename, data))
    return fields


def safe_name(name):
    return re.sub(r"[/\\\x00]", "_", name) or "_"


def reassemble(store, list_bytes):
    """Puts a split upload back together from its piece list."""
    text = list_bytes.decode("cp1252")
    result = {"list_crlf": text.endswith("\r\n") and "\n" not in text.replace("\r\n", "")}
    lines = text.split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    result["lines"] = lines
    if len(lines) < 2 or not re.fullmatch(r" \d+ ", lines[1]):
        result["complete"] = False
        return result
    count = int(lines[1])
    pieces = lines[2:]
    result.update(name=lines[0], count=count, pieces=pieces)
    data = bytearray()
    complete = len(pieces) == count
    for piece in pieces:
        path = os.path.join(store, safe_name(piece))
        if not os.path.exists(path):
            complete = False
            continue
        with open(path, "rb") as f:
            data += f.read()
    result["complete"] = complete
    result["size"] = len(data)
    result["sha256"] = hashlib.sha256(data).hexdigest()
    return result


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "MirloReference/1.0"

    def log_message(self, fmt, *args):
        if self.server.state.args.verbose:
            sys.stderr.write(fmt % args + "\n")

    def read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            body = bytearray()
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip(), 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(body)
                body += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length", "0"))
        return self.rfile.read(length)

    def do_GET(self):
        self.answer(200, b"reference upload server\n")

    def do_POST(self):
        state = self.server.state
        args = state.args
        index, entry, login, password = state.next_entry()
        target = urlsplit(self.path)
        item = {
            "index": index,
            "method": self.command,
            "target": self.path,
            "proxy_form": bool(target.scheme),
            "host": target.hostname if target.scheme else self.headers.get("Host", "").split(":")[0],
            "port": (target.port or 80) if target.scheme else self.server.server_address[1],
            "path": target.path + ("?" + target.query if target.query else ""),
            "content_type": self.headers.get("Content-Type", ""),
            "fields": [],
        }
        try:
            body = self.read_body()
            item["content_length"] = len(body)
            fields = parse_form(item["content_type"], body)
        except Exception as error:  # recorded for the test, answered as a bad request
            item["error"] = repr(error)
            state.record(item)
            self.answer(400, b"bad request")
            return

        values = {}
        for name, filename, data in fields:
            if filename is None:
                value = data.decode("cp1252")
                item["fields"].append({"name": name, "value": value})
                values.setdefault(name, value)
            else:
                item["fields"].append({"name": name, "filename": filename, "size": len(data),
                                       "sha256": hashlib.sha256(data).hexdigest()})
                values.setdefault(name, None)
                with open(os.path.join(args.store, safe_name(filename)), "wb") as f:
                    f.write(data)
                if filename.startswith("Frac_") and filename.endswith(".split"):
                    item["reassembled"] = reassemble(args.store, data)

        proof = values.get(CHECK_FIELD) or ""
        state.record(item)

        if entry.get("truncate"):
            try:
                self.send_response(200)
                self.send_header("Content-Length", "1000")
                self.end_headers()
                self.wfile.write(("OK " + proof).encode("latin-1"))
            except OSError:
                pass
            self.close_connection = True
            return
        if entry.get("close"):
            self.close_connection = True
            return
        if entry.get("silent"):
            state.stopping.wait(600)
            return
        if entry.get("delay"):
            time.sleep(float(entry["delay"]))
        status = int(entry.get("status", 200))
        if "body" in entry:
            text = entry["body"].replace("{proof}", proof)
        elif values.get(LOGIN_FIELD) != login or values.get(SECOND_LOGIN_FIELD) != login + "_":
            text = "loginfalse"
        elif values.get(PASSWORD_FIELD) != password:
            text = "passfalse"
        else:
            text = "OK " + proof
        self.answer(status, text.encode("latin-1", "replace"), float(entry.get("trickle", 0)))

    def answer(self, status, body, trickle=0.0):
        try:
            self.send_answer(status, body, trickle)
        except OSError:
            pass  # the client gave up (abandon, time-out): nothing to tell

    def send_answer(self, status, body, trickle):
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=iso-8859-1")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if trickle > 0 and body:
            step = trickle / len(body)
            for i in range(len(body)):
                self.wfile.write(body[i:i + 1])
                self.wfile.flush()
                time.sleep(step)
        else:
            self.wfile.write(body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--login", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--control", default="")
    parser.add_argument("--log", default="")
    parser.add_argument("--store", required=True)
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    server = Server(("127.0.0.1", args.port), Handler)
    server.state = State(args)
    print("PORT", server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.state.stopping.set()


if __name__ == "__main__":
    main()
