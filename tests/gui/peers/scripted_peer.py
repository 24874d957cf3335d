#!/usr/bin/env python3
"""A scripted HTTP peer for the worker tests.

    python3 scripted_peer.py

Listens on 127.0.0.1 at a free port and prints "PORT <n>" when it serves. Every request to a
path outside /_control/ is recorded and answered with the next scripted answer (or, when none
is queued, 200 with an empty body). The test drives it over HTTP:

    POST /_control/queue     JSON {"status": 200, "reason": "OK", "body": "...",
                                   "headers": {"Location": "..."}, "delay": 0.5}
                             (body is ISO-8859-1 text; delay in seconds before answering)
    GET  /_control/requests  JSON list of {"method", "path", "content_type", "body"}
    POST /_control/reset     forgets the queue and the record

It stops on SIGTERM or when its standard input closes (the test went away)."""

import json
import signal
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOCK = threading.Lock()
QUEUE = []
RECORD = []


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ScriptedPeer/1.0"
    sys_version = ""

    def log_message(self, fmt, *args):  # keep the test output quiet
        pass

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def send(self, status, body, reason=None, headers=None):
        self.send_response(status, reason)
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        self.send_header("Content-Type", "text/html; charset=iso-8859-1")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def control(self, body):
        if self.path == "/_control/queue" and self.command == "POST":
            answer = json.loads(body.decode("utf-8"))
            with LOCK:
                QUEUE.append(answer)
            return self.send(200, b"queued")
        if self.path == "/_control/requests":
            with LOCK:
                text = json.dumps(RECORD)
            return self.send(200, text.encode("latin-1"))
        if self.path == "/_control/reset":
            with LOCK:
                QUEUE.clear()
                RECORD.clear()
            return self.send(200, b"reset")
        return self.send(404, b"unknown control")

    def serve(self):
        body = self.read_body()
        if self.path.startswith("/_control/"):
            return self.control(body)
        with LOCK:
            RECORD.append({"method": self.command, "path": self.path,
                           "content_type": self.headers.get("Content-Type") or "",
                           "body": body.decode("latin-1")})
            answer = QUEUE.pop(0) if QUEUE else {}
        if answer.get("delay"):
            time.sleep(float(answer["delay"]))
        self.send(int(answer.get("status", 200)), answer.get("body", "").encode("latin-1"),
                  answer.get("reason"), answer.get("headers"))

    do_GET = serve
    do_POST = serve


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True

    def stop(*_):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    threading.Thread(target=lambda: (sys.stdin.read(), stop()), daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
