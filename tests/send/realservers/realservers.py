#!/usr/bin/python3
"""Real servers nobody here wrote, for the upload tests: nginx with php-fpm
running upload.php, optionally behind squid, all on 127.0.0.1, each started
in a private folder and stopped by the test (never as system services).

As a module:
    servers = RealServers(folder, login="ELEVE1", password="secret1",
                          body_limit="1m", tls=("good.pem", "good.key"),
                          move_to_https=True, squid=True, http_port=0)
    servers.start()   # .http_port, .https_port, .squid_port, .store
    ...
    servers.requests()   # what upload.php saw, one dict per request
    servers.stop()

upload.php answers as the reference server does (tests/send/upload_server.py):
"OK <check number>", "loginfalse", "passfalse", "fileexists" for a recording
already there, and "occupied" while a file named occupied lies in FOLDER.
Ports 0 are picked free. Ports 80 and 443 are only taken inside a network
namespace of the caller's own (`unshare --net --mount`, see isolate()),
where the loopback is private and nothing else listens.

As a command (for a shell or another language):
    realservers.py FOLDER [--body-limit 1m] [--tls CERT KEY] [--move-to-https]
                   [--squid] [--login L] [--password P]
prints "HTTP <port>", then "HTTPS <port>" and "SQUID <port>" when started,
then "READY", and stops everything at end of input or on SIGTERM.
"""
import glob
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_port(port, process, what, timeout=20.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("%s ended at once (code %s)" % (what, process.returncode))
        try:
            socket.create_connection(("127.0.0.1", port), 0.5).close()
            return
        except OSError:
            time.sleep(0.1)
    raise RuntimeError("%s does not listen on port %d" % (what, port))


def _own_namespace(kind):
    """Whether some ancestor of this process lives in another namespace of this kind."""
    mine = os.readlink("/proc/self/ns/" + kind)
    pid = os.getppid()
    while pid > 1:
        try:
            if os.readlink("/proc/%d/ns/%s" % (pid, kind)) != mine:
                return True
            with open("/proc/%d/stat" % pid) as f:
                pid = int(f.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            return False
    return False


def isolate():
    """Inside `unshare --net --mount`: brings the private loopback up.
    Refuses to run in the machine's own namespaces."""
    if not (_own_namespace("net") and _own_namespace("mnt")):
        raise RuntimeError("not in a network and mount namespace of its own (run under unshare --net --mount)")
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)


def trust_authority(folder, ca_pem):
    """The test authority joins the system's store, in this mount namespace
    only: what a school's computer does with its own authority."""
    if not _own_namespace("mnt"):
        raise RuntimeError("the system store is only changed in a mount namespace of its own")
    certs = os.path.join(folder, "trusted-certs")
    shutil.rmtree(certs, ignore_errors=True)
    shutil.copytree("/etc/ssl/certs", certs, symlinks=True)
    shutil.copy(ca_pem, os.path.join(certs, "mirlo-test-ca.pem"))
    with open(os.path.join(certs, "ca-certificates.crt"), "ab") as bundle, open(ca_pem, "rb") as ca:
        bundle.write(ca.read())
    subprocess.run(["openssl", "rehash", certs], check=True, capture_output=True)
    subprocess.run(["mount", "--bind", certs, "/etc/ssl/certs"], check=True)


class RealServers:
    def __init__(self, folder, login="ELEVE1", password="secret1", body_limit="64m", tls=None,
                 move_to_https=False, squid=False, http_port=0, https_port=0):
        self.folder = os.path.abspath(folder)
        self.login, self.password = login, password
        self.body_limit, self.tls, self.move_to_https, self.squid = body_limit, tls, move_to_https, squid
        self.http_port = http_port or free_port()
        self.https_port = (https_port or free_port()) if tls else 0
        self.squid_port = free_port() if squid else 0
        self.store = os.path.join(self.folder, "store")
        self.processes = []

    # -- what the servers saw

    def requests(self):
        path = os.path.join(self.folder, "requests.log")
        if not os.path.exists(path):
            return []
        with open(path) as f:
            return [json.loads(line) for line in f if line.strip()]

    def log(self, name):
        """nginx-access.log, nginx-tls-access.log or squid-access.log, as lines."""
        path = os.path.join(self.folder, name)
        if not os.path.exists(path):
            return []
        with open(path, errors="replace") as f:
            return f.read().splitlines()

    def stored(self, name):
        path = os.path.join(self.store, name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    # -- starting and stopping

    def start(self):
        for d in ("store", "tmp", "nginx", "squid"):
            os.makedirs(os.path.join(self.folder, d), exist_ok=True)
        php_fpm = sorted(glob.glob("/usr/sbin/php-fpm*"))[-1:] or ["php-fpm"]  # php-fpm8.2 on Debian 12
        self._spawn("php-fpm", php_fpm + ["-F", "-y", self._php_conf()] + (["-R"] if os.geteuid() == 0 else []))
        socket_path = os.path.join(self.folder, "php.sock")
        deadline = time.monotonic() + 20
        while not os.path.exists(socket_path):
            if time.monotonic() > deadline or self.processes[-1][1].poll() is not None:
                raise RuntimeError("php-fpm did not start (see %s)" % self.folder)
            time.sleep(0.1)
        nginx = self._spawn("nginx", ["nginx", "-p", os.path.join(self.folder, "nginx"), "-c", self._nginx_conf(),
                                      "-g", "daemon off;"])
        wait_port(self.http_port, nginx, "nginx")
        if self.tls:
            wait_port(self.https_port, nginx, "nginx (TLS)")
        if self.squid:
            squid = self._spawn("squid", ["squid", "-N", "-f", self._squid_conf()])
            wait_port(self.squid_port, squid, "squid", 40)
        return self

    def stop(self):
        for _, process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.processes = []

    def _spawn(self, name, args):
        out = open(os.path.join(self.folder, name + ".out"), "wb")
        process = subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   preexec_fn=_end_with_parent)
        self.processes.append((name, process))
        return process

    def _write(self, name, text, encoding="utf-8"):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            f.write(text.encode(encoding))
        return path

    def _php_conf(self):
        f = self.folder
        return self._write("php-fpm.conf", f"""[global]
pid = {f}/php-fpm.pid
error_log = {f}/php-fpm.log
daemonize = no
[upload]
listen = {f}/php.sock
pm = static
pm.max_children = 2
clear_env = yes
php_admin_value[upload_max_filesize] = 256M
php_admin_value[post_max_size] = 256M
php_admin_value[upload_tmp_dir] = {f}/tmp
php_admin_value[error_log] = {f}/php-errors.log
php_admin_flag[log_errors] = on
php_admin_flag[display_errors] = off
""")

    def _nginx_conf(self):
        f = self.folder
        # The password as the form carries it: Windows-1252, like the program's texts.
        script = f"""
            fastcgi_pass unix:{f}/php.sock;
            include /etc/nginx/fastcgi_params;
            fastcgi_param SCRIPT_FILENAME {HERE}/upload.php;
            fastcgi_param MIRLO_STORE {self.store};
            fastcgi_param MIRLO_LOGIN "{self.login}";
            fastcgi_param MIRLO_PASSWORD "{self.password}";"""
        if self.move_to_https:
            port = "" if self.https_port == 443 else ":%d" % self.https_port
            plain = "return 301 https://$host%s$request_uri;" % port
        else:
            plain = script
        tls = ""
        if self.tls:
            tls = f"""
    server {{
        listen 127.0.0.1:{self.https_port} ssl;
        ssl_certificate {os.path.abspath(self.tls[0])};
        ssl_certificate_key {os.path.abspath(self.tls[1])};
        access_log {f}/nginx-tls-access.log;
        location / {{{script}
        }}
    }}"""
        user = "user root;\n" if os.geteuid() == 0 else ""
        return self._write("nginx.conf", f"""{user}worker_processes 1;
error_log {f}/nginx-error.log;
pid {f}/nginx/nginx.pid;
events {{ worker_connections 64; }}
http {{
    client_body_temp_path {f}/nginx/body;
    fastcgi_temp_path {f}/nginx/fastcgi;
    proxy_temp_path {f}/nginx/proxy;
    uwsgi_temp_path {f}/nginx/uwsgi;
    scgi_temp_path {f}/nginx/scgi;
    client_max_body_size {self.body_limit};
    server {{
        listen 127.0.0.1:{self.http_port};
        access_log {f}/nginx-access.log;
        location / {{
            {plain}
        }}
    }}{tls}
}}
""", "cp1252")

    def _squid_conf(self):
        f = self.folder
        squid = os.path.join(f, "squid")
        if os.geteuid() == 0:
            shutil.chown(squid, "proxy", "proxy")
        return self._write("squid.conf", f"""http_port 127.0.0.1:{self.squid_port}
acl to_tls port 443 {self.https_port or 443}
acl CONNECT method CONNECT
acl here src 127.0.0.0/8
http_access deny CONNECT !to_tls
http_access allow here
http_access deny all
cache deny all
pid_filename {squid}/squid.pid
access_log stdio:{squid}/access.log
cache_log {squid}/cache.log
coredump_dir {squid}
shutdown_lifetime 0 seconds
""")


def _end_with_parent():
    import ctypes
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def main(argv):
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--login", default="ELEVE1")
    parser.add_argument("--password", default="secret1")
    parser.add_argument("--body-limit", default="64m")
    parser.add_argument("--tls", nargs=2)
    parser.add_argument("--move-to-https", action="store_true")
    parser.add_argument("--squid", action="store_true")
    args = parser.parse_args(argv)
    servers = RealServers(args.folder, args.login, args.password, args.body_limit, args.tls,
                          args.move_to_https, args.squid)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        servers.start()
        print("HTTP", servers.http_port)
        if servers.https_port:
            print("HTTPS", servers.https_port)
        if servers.squid_port:
            print("SQUID", servers.squid_port)
        print("READY", flush=True)
        sys.stdin.read()
    finally:
        servers.stop()


if __name__ == "__main__":
    main(sys.argv[1:])
