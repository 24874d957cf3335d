#!/usr/bin/env python3
"""A small HTTP and HTTPS test peer for the HTTP client's end-to-end tests.

    python3 net_http_peer.py --dir DIR

Makes a test CA, a server certificate for 127.0.0.1 signed by it and a second, unrelated CA in
DIR (with the openssl command), serves plain HTTP and HTTPS on 127.0.0.1 on ports chosen by the
system, and prints one line

    READY http=PORT https=PORT ca=DIR/ca.pem other_ca=DIR/other-ca.pem

Pages (any method):
    /echo      200; the body reports what arrived: method, content type, accept, length, body
    /bytes     200; the 256 byte values twice, as they are
    /redirect  302 Found to /echo
    /error     500 Internal Server Error
    /hang      reads the request and never answers
    /trickle   200 with a body of 1000 bytes sent one byte every 0.25 s (over four minutes)
    /hits      200; "echo=N", the number of /echo requests so far
    /tls       200; "resumed=1" when the TLS session was resumed, "resumed=0" otherwise
Standard library only. Stops on SIGTERM or when stdin closes."""

import argparse
import os
import signal
import ssl
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HITS = {"echo": 0}
HITS_LOCK = threading.Lock()


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_ca(folder, name, subject):
    openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
            "-nodes", "-keyout", name + ".key", "-out", name + ".pem", "-days", "2",
            "-subj", subject, "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)


def make_certificates(folder):
    make_ca(folder, "ca", "/CN=Nummora Net Test CA")
    make_ca(folder, "other-ca", "/CN=Unrelated Test CA")
    with open(os.path.join(folder, "server.ext"), "w") as f:
        f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                "basicConstraints=CA:FALSE\n"
                "keyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=serverAuth\n")
    openssl("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
            "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1", cwd=folder)
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext",
            cwd=folder)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "NetPeer/1.0"
    sys_version = ""

    def log_message(self, fmt, *args):  # quiet
        pass

    def do_GET(self):
        self.route()

    def do_POST(self):
        self.route()

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def answer(self, status, body=b"", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=ISO-8859-1")
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def route(self):
        body = self.read_body()
        path = self.path.split("?")[0]
        if path == "/echo":
            with HITS_LOCK:
                HITS["echo"] += 1
            report = ("method=%s\ncontent-type=%s\naccept=%s\nlength=%d\nbody=" % (
                self.command, self.headers.get("Content-Type", "(none)"),
                self.headers.get("Accept", "(none)"), len(body))).encode("latin-1")
            self.answer(200, report + body)
        elif path == "/bytes":
            self.answer(200, bytes(range(256)) * 2)
        elif path == "/redirect":
            self.answer(302, b"", [("Location", "/echo")])
        elif path == "/error":
            self.answer(500, b"boom")
        elif path == "/hang":
            time.sleep(120)
            self.close_connection = True
        elif path == "/trickle":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.flush()
            try:
                for _ in range(1000):
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(0.25)
            except OSError:  # the client gave up
                pass
            self.close_connection = True
        elif path == "/tls":
            resumed = getattr(self.connection, "session_reused", False)
            self.answer(200, b"resumed=1" if resumed else b"resumed=0")
        elif path == "/hits":
            with HITS_LOCK:
                self.answer(200, ("echo=%d" % HITS["echo"]).encode())
        else:
            self.answer(404, b"not found")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    args = parser.parse_args()
    make_certificates(args.dir)

    plain = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    secure = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(args.dir, "server.pem"),
                            os.path.join(args.dir, "server.key"))
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    for server in (plain, secure):
        server.daemon_threads = True
        threading.Thread(target=server.serve_forever, daemon=True).start()

    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    print("READY http=%d https=%d ca=%s other_ca=%s" % (
        plain.server_address[1], secure.server_address[1],
        os.path.join(args.dir, "ca.pem"), os.path.join(args.dir, "other-ca.pem")), flush=True)
    # Ends when the test closes our stdin (or dies).
    sys.stdin.read()
    os._exit(0)


if __name__ == "__main__":
    main()
