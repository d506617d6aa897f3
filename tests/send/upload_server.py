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
  the body is sent in small parts, "cut": bytes of the request body read
  before hanging up, "huge": length of a reply padded after the check
  number, "location": a Location header ({tls} is the TLS port),
  "chunked": true (the body in chunks of a few bytes), "max_body": bytes
  (a longer body is answered 413 unread, as nginx's client_max_body_size
  does), "read_rate": bytes per second at which the body is read (a slow
  line). The control's "connect_status" answers every CONNECT with that
  status instead of tunnelling it.

With --tls-cert and --tls-key a second face answers over TLS on its own
port (printed after the plain one), and CONNECT to any host is tunnelled
to it, as a proxy in front of an HTTPS site would; each CONNECT is logged
in a second file beside the log.
"""
import argparse
import hashlib
import http.server
import json
import os
import re
import select
import socket
import socketserver
import ssl
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
        self.connects = []
        self.tls_port = 0
        self.stopping = threading.Event()
        os.makedirs(args.store, exist_ok=True)

    def control(self):
        if self.args.control and os.path.exists(self.args.control):
            with open(self.args.control, encoding="utf-8") as f:
                text = f.read()
            if text.strip():
                return json.loads(text)
        return {}

    def next_entry(self):
        with self.lock:
            index = self.count
            self.count += 1
        control = self.control()
        script = control.get("script", [])
        entry = script[index] if index < len(script) else control.get("default", {})
        login = control.get("login", self.args.login)
        password = control.get("password", self.args.password)
        return index, entry, login, password

    def record_connect(self, target):
        with self.lock:
            self.connects.append(target)
            if self.args.log:
                tmp = self.args.log + ".connects.tmp"
                with open(tmp, "w", encoding="utf-8") as f:
                    json.dump(self.connects, f)
                os.replace(tmp, self.args.log + ".connects")

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

    def setup(self):
        context = getattr(self.server, "tls_context", None)
        if context is not None:
            self.request = context.wrap_socket(self.request, server_side=True)
        super().setup()

    def do_CONNECT(self):
        state = self.server.state
        state.record_connect(self.path)
        refusal = state.control().get("connect_status")
        if refusal:
            self.answer(int(refusal), b"refused")
            return
        if not state.tls_port:
            self.answer(502, b"no TLS face")
            return
        upstream = socket.create_connection(("127.0.0.1", state.tls_port))
        self.send_response(200, "Connection established")
        self.end_headers()
        self.wfile.flush()
        ends = [self.connection, upstream]
        try:
            while True:
                ready, _, _ = select.select(ends, [], [], 60)
                if not ready:
                    break
                for end in ready:
                    data = end.recv(65536)
                    if not data:
                        return
                    (upstream if end is self.connection else self.connection).sendall(data)
        except OSError:
            pass
        finally:
            upstream.close()
            self.close_connection = True

    def read_body(self, rate=0):
        if rate:
            length = int(self.headers.get("Content-Length", "0"))
            body = bytearray()
            step = max(1, int(rate) // 10)
            while len(body) < length:
                part = self.rfile.read(min(step, length - len(body)))
                if not part:
                    break
                body += part
                time.sleep(len(part) / rate)
            return bytes(body)
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
            "tls": getattr(self.server, "tls_context", None) is not None,
            "expect": self.headers.get("Expect"),
        }
        if entry.get("max_body") and int(self.headers.get("Content-Length", "0")) > int(entry["max_body"]):
            item["too_large"] = True
            state.record(item)
            self.close_connection = True
            self.answer(413, b"<html>413 Request Entity Too Large</html>")
            try:  # a lingering close, as nginx does: the reply is not lost to a reset
                self.wfile.flush()
                self.connection.settimeout(5)
                while self.connection.recv(65536):
                    pass
            except OSError:
                pass
            return
        if entry.get("cut"):
            self.rfile.read(int(entry["cut"]))
            item["cut"] = True
            state.record(item)
            self.close_connection = True
            return
        try:
            body = self.read_body(float(entry.get("read_rate", 0)))
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
        location = entry.get("location")
        if location:
            location = location.replace("{tls}", str(state.tls_port))
        if entry.get("huge"):
            self.answer_huge(text.encode("latin-1"), int(entry["huge"]))
            return
        if entry.get("chunked"):
            self.answer_chunked(status, text.encode("latin-1", "replace"))
            return
        self.answer(status, text.encode("latin-1", "replace"), float(entry.get("trickle", 0)), location)

    def answer_chunked(self, status, body):
        try:
            self.send_response(status)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(0, len(body), 5):
                part = body[i:i + 5]
                self.wfile.write(b"%x;part=%d\r\n%s\r\n" % (len(part), i, part))
            self.wfile.write(b"0\r\nX-Trailer: 1\r\n\r\n")
        except OSError:
            pass

    def answer_huge(self, head, length):
        try:
            self.send_response(200)
            self.send_header("Content-Length", str(length))
            self.end_headers()
            self.wfile.write(head)
            block = b"x" * 65536
            left = length - len(head)
            while left > 0:
                self.wfile.write(block[:left])
                left -= len(block)
        except OSError:
            pass  # the client stopped reading

    def answer(self, status, body, trickle=0.0, location=None):
        try:
            self.send_answer(status, body, trickle, location)
        except OSError:
            pass  # the client gave up (abandon, time-out): nothing to tell

    def send_answer(self, status, body, trickle, location):
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=iso-8859-1")
        self.send_header("Content-Length", str(len(body)))
        if location:
            self.send_header("Location", location)
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

    def server_bind(self):
        # A receive window of a real line's size: what the client has handed
        # over is then close to what the server has read.
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 65536)
        super().server_bind()

    def handle_error(self, request, client_address):
        pass  # a refused handshake or a client gone: the test sees it on its side


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--login", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--control", default="")
    parser.add_argument("--log", default="")
    parser.add_argument("--store", required=True)
    parser.add_argument("--tls-cert", default="")
    parser.add_argument("--tls-key", default="")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    server = Server(("127.0.0.1", args.port), Handler)
    server.state = State(args)
    ports = [server.server_address[1]]
    if args.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        tls = Server(("127.0.0.1", 0), Handler)
        tls.state = server.state
        tls.tls_context = context
        server.state.tls_port = tls.server_address[1]
        ports.append(server.state.tls_port)
        threading.Thread(target=tls.serve_forever, daemon=True).start()
    print("PORT", *ports, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.state.stopping.set()


if __name__ == "__main__":
    main()
