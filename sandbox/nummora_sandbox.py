#!/usr/bin/env python3
"""Nummora sandbox: a local stand-in for the e-gold server, the Liberty Reserve API server and
the vendor's web service, so that the wallet can be tried and tested without the internet.

    python3 sandbox/nummora_sandbox.py --state DIR [--port-base N] [--demo-accounts N]

Prints one line "READY egold_secure=... egold_plain=... liberty_reserve=... vendor=..." when
it serves, writes DIR/servers.ini for the program, and stops cleanly on Ctrl+C or SIGTERM.
See sandbox/README.md."""

import argparse
import json
import os
import queue
import signal
import socket
import ssl
import sys
import threading
import traceback
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from common import LATIN1, Request, Response, parse_pairs  # noqa: E402
from egold import EgoldPlainSite, EgoldSecureSite  # noqa: E402
from faults import FaultBook, FaultError, RequestLog, parse_fault_flag  # noqa: E402
from ledger import Ledger, LedgerError, write_atomic  # noqa: E402
from liberty import LAYOUTS, LibertySite, parse_layouts  # noqa: E402
from tls import ensure_certificates  # noqa: E402
from vendor import VendorSite  # noqa: E402

DEFAULT_PORT_BASE = 18080
# Offsets from the port base: e-gold plain, vendor, e-gold HTTPS, Liberty Reserve HTTPS.
PORT_OFFSETS = {"egold_plain": 0, "vendor": 1, "egold_secure": 363, "liberty_reserve": 364}
MAX_BODY = 4 * 1024 * 1024
LOGGED_HEADERS = ("Host", "Content-Type", "Content-Length", "Accept", "User-Agent",
                  "Connection", "Transfer-Encoding")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "NummoraSandbox/1.0"
    sys_version = ""
    timeout = 120
    # Buffered output: the head and a small body leave in one write (one TLS record), as from
    # a web server; a second small write would wait behind the client's delayed acknowledgement.
    # The handler flushes after each request.
    wbufsize = 64 * 1024

    def do_GET(self):
        self.serve()

    def do_POST(self):
        self.serve()

    def do_HEAD(self):
        self.serve()

    def do_DELETE(self):
        self.serve()

    def do_PUT(self):
        self.serve()

    def read_body(self):
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            data = bytearray()
            while True:
                line = self.rfile.readline(1024)
                size = int(line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(data)
                data += self.rfile.read(size)
                self.rfile.readline(1024)
                if len(data) > MAX_BODY:
                    raise ValueError("body too large")
        length = int(self.headers.get("Content-Length") or 0)
        if length < 0 or length > MAX_BODY:
            raise ValueError("body too large")
        return self.rfile.read(length) if length else b""

    def serve(self):
        app = self.server.app
        site = self.server.site
        try:
            body = self.read_body()
        except ValueError:
            self.close_connection = True
            self.send(Response(413, "Request body too large"))
            return
        parts = urllib.parse.urlsplit(self.path)
        req = Request(site.name, self.command, parts.path or "/", parts.query, self.headers,
                      body, self.client_address[0])
        if site.name == "vendor" and req.path.startswith("/control/"):
            self.send(app.control(req))
            return
        entry = app.requests.add({
            "server": site.name, "method": req.method, "path": req.path, "query": req.query,
            "headers": {h: self.headers.get(h) for h in LOGGED_HEADERS if h in self.headers},
            "body": body.decode(LATIN1)})
        try:
            resp = site.handle(req)
        except Exception:  # a fault of the sandbox itself: answer 500, keep serving
            traceback.print_exc(file=sys.stderr)
            resp = Response(500, "<html><body>Sandbox error</body></html>")
        if req.content_type == "application/x-www-form-urlencoded":
            entry["form"] = parse_pairs(entry["body"])
        entry.update(req.notes)
        entry["status"] = resp.status
        entry["fault"] = resp.fault
        if app.latency > 0 and resp.hang is None:
            # A distant server: the answer comes after the round trips of the internet.
            app.stopping.wait(app.latency)
        self.send(resp)

    def send(self, resp):
        if resp.hang is not None:
            self.server.app.stopping.wait(resp.hang)
            self.close_connection = True
            return
        if resp.drop:
            self.close_connection = True
            return
        self.send_response(resp.status)
        self.send_header("Content-Type", resp.content_type)
        self.send_header("Content-Length", str(len(resp.body)))
        for name, value in resp.headers:
            self.send_header(name, value)
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(resp.body)

    def log_message(self, fmt, *args):
        if self.server.app.verbose:
            sys.stderr.write("%s %s\n" % (self.server.site.name, fmt % args))

    def log_request(self, code="-", size="-"):
        if self.server.app.verbose:
            path = self.path.split("?", 1)[0]
            sys.stderr.write("%s %s %s %s\n" % (self.server.site.name, self.command, path, code))


class SandboxServer(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 256

    def __init__(self, address, app, site, ssl_context=None):
        self.app = app
        self.site = site
        self.ssl_context = ssl_context
        # Connections are served by a pool of threads that grows to the most connections seen
        # at once and is reused afterwards: starting a thread per connection cost about as much
        # as serving it when a client opens a hundred connections together.
        self._pool_lock = threading.Lock()
        self._pool_jobs = queue.SimpleQueue()
        self._pool_idle = 0
        self._pool_size = 0
        super().__init__(address, Handler)

    def process_request(self, request, client_address):
        with self._pool_lock:
            if self._pool_idle > 0:
                self._pool_idle -= 1
                self._pool_jobs.put((request, client_address))
                return
            self._pool_size += 1
        t = threading.Thread(target=self._pool_worker, args=((request, client_address),),
                             name="sandbox-%s-worker" % self.site.name, daemon=True)
        t.start()

    def _pool_worker(self, job):
        while job is not None:
            self.process_request_thread(*job)
            with self._pool_lock:
                self._pool_idle += 1
            job = self._pool_jobs.get()

    def server_close(self):
        super().server_close()
        with self._pool_lock:
            for _ in range(self._pool_size):
                self._pool_jobs.put(None)
            self._pool_size = 0

    def finish_request(self, request, client_address):
        # Small writes go out at once, as on a production web server: with Nagle's algorithm a
        # write that follows unacknowledged data (such as TLS session tickets) waits for the
        # peer's delayed acknowledgement, about 40 ms on loopback.
        try:
            request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        except OSError:
            pass
        if self.ssl_context is None:
            self.RequestHandlerClass(request, client_address, self)
            return
        request.settimeout(20)
        try:
            tls_socket = self.ssl_context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        try:
            tls_socket.settimeout(None)
            self.RequestHandlerClass(tls_socket, client_address, self)
        finally:
            try:
                tls_socket.close()
            except OSError:
                pass

    def handle_error(self, request, client_address):
        kind = sys.exc_info()[0]
        if kind is not None and issubclass(kind, (ConnectionError, ssl.SSLError, socket.timeout,
                                                  TimeoutError)):
            return
        if self.app.verbose:
            super().handle_error(request, client_address)


class Sandbox:
    """The four servers over one ledger. Usable in-process (tests) or from main()."""

    def __init__(self, state_dir, demo_accounts=0, lockout_attempts=5, lockout_minutes=30,
                 verbose=False, host="127.0.0.1", latency_ms=0, lr_layout=()):
        self.state_dir = os.path.abspath(state_dir)
        self.latency = max(0, latency_ms) / 1000.0  # seconds each answer is held
        # Layout switches of the Liberty Reserve answers (liberty.LAYOUTS); replaced whole by
        # the control endpoint, so readers never see a half-changed set.
        self.lr_layout = frozenset(parse_layouts(lr_layout))
        os.makedirs(self.state_dir, mode=0o700, exist_ok=True)
        self.host = host
        self.verbose = verbose
        self.tls = ensure_certificates(self.state_dir)
        self.ledger = Ledger(self.state_dir, demo_accounts=demo_accounts,
                             lockout_attempts=lockout_attempts,
                             lockout_seconds=lockout_minutes * 60)
        self.faults = FaultBook()
        self.requests = RequestLog()
        self.stopping = threading.Event()
        self.urls = {}
        self.servers = {}
        self.threads = []
        self.servers_ini = os.path.join(self.state_dir, "servers.ini")

    def start(self, port_base=DEFAULT_PORT_BASE):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.minimum_version = ssl.TLSVersion.TLSv1_2
        context.load_cert_chain(self.tls.cert, self.tls.key)
        sites = {"egold_plain": EgoldPlainSite(self), "vendor": VendorSite(self),
                 "egold_secure": EgoldSecureSite(self), "liberty_reserve": LibertySite(self)}
        try:
            for key, site in sites.items():
                port = port_base + PORT_OFFSETS[key] if port_base else 0
                secure = key in ("egold_secure", "liberty_reserve")
                server = SandboxServer((self.host, port), self, site,
                                       context if secure else None)
                self.servers[key] = server
                self.urls[key] = "%s://%s:%d" % ("https" if secure else "http", self.host,
                                                 server.server_address[1])
        except OSError:
            for server in self.servers.values():
                server.server_close()
            raise
        for key, server in self.servers.items():
            t = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                                 name="sandbox-" + key, daemon=True)
            t.start()
            self.threads.append(t)
        self.write_servers_ini()
        return self.urls

    def write_servers_ini(self):
        text = ("[Servers]\nEgoldSecure=%s\nEgoldPlain=%s\nLibertyReserve=%s\nVendor=%s\n"
                "CAFile=%s\n" % (self.urls["egold_secure"], self.urls["egold_plain"],
                                 self.urls["liberty_reserve"], self.urls["vendor"],
                                 self.tls.ca_cert))
        write_atomic(self.servers_ini, text)

    def ready_line(self):
        return ("READY egold_secure=%s egold_plain=%s liberty_reserve=%s vendor=%s "
                "servers_ini=%s ca_file=%s" % (self.urls["egold_secure"],
                                               self.urls["egold_plain"],
                                               self.urls["liberty_reserve"],
                                               self.urls["vendor"], self.servers_ini,
                                               self.tls.ca_cert))

    def stop(self):
        self.stopping.set()
        stoppers = [threading.Thread(target=s.shutdown) for s in self.servers.values()]
        for t in stoppers:
            t.start()
        for t in stoppers:
            t.join()
        for server in self.servers.values():
            server.server_close()
        for t in self.threads:
            t.join(timeout=5)
        self.ledger.save()

    # ----- control endpoints (vendor port) --------------------------------------------

    def control(self, req):
        try:
            return self._control(req)
        except FaultError as e:
            return json_response({"error": str(e)}, 400)
        except (ValueError, KeyError, TypeError) as e:
            return json_response({"error": "bad request: %s" % e}, 400)
        except LedgerError as e:
            return json_response({"error": str(e)}, 400)

    def _control(self, req):
        path, method = req.path, req.method
        q = req.query_values()
        if path == "/control/ping":
            return json_response({"ok": True, "urls": self.urls})
        if path == "/control/requests":
            if method == "DELETE":
                self.requests.clear()
                return json_response({"ok": True})
            return json_response(self.requests.list(int(q.get("since") or 0)))
        if path == "/control/fault" and method == "POST":
            return json_response(self.faults.add(json_body(req)))
        if path == "/control/fault" and method == "DELETE":
            return json_response({"ok": self.faults.remove(int(q["id"]))})
        if path == "/control/faults":
            if method == "DELETE":
                self.faults.clear()
                return json_response({"ok": True})
            return json_response(self.faults.list())
        if path == "/control/clear-faults" and method == "POST":
            self.faults.clear()
            return json_response({"ok": True})
        if path == "/control/latency":
            if method == "POST":
                ms = float(json_body(req)["ms"])
                if not 0 <= ms <= 60000:
                    raise ValueError("latency must be between 0 and 60000 ms")
                self.latency = ms / 1000.0
            return json_response({"ms": self.latency * 1000.0})
        if path == "/control/lr-layout":
            if method == "POST":
                body = json_body(req)
                if not isinstance(body, dict):
                    raise ValueError("a layout is a JSON object")
                chosen = set(self.lr_layout)
                for name in parse_layouts(body):
                    if body[name]:
                        chosen.add(name)
                    else:
                        chosen.discard(name)
                self.lr_layout = frozenset(chosen)
            return json_response({name: name in self.lr_layout for name in sorted(LAYOUTS)})
        if path == "/control/ledger":
            return json_response(self.ledger.summary())
        if path == "/control/emails":
            return json_response(self.ledger.emails())
        if path == "/control/unlock" and method == "POST":
            return json_response({"ok": self.ledger.unlock(str(json_body(req)["account"]))})
        if path == "/control/lr-transfers" and method == "POST":
            # Many Liberty Reserve transfers at once, for long histories (paging).
            body = json_body(req)
            count = int(body["count"])
            if not 1 <= count <= 100000:
                raise ValueError("count must be between 1 and 100000")
            ids = [self.ledger.lr_transfer(str(body["payer"]), str(body["payee"]),
                                           str(body.get("currency", "LRUSD")),
                                           str(body.get("amount", "0.01")),
                                           "%s %d" % (body.get("memo", "transfer"), i + 1), "", False)["id"]
                   for i in range(count)]
            return json_response({"ids": ids})
        return json_response({"error": "unknown control request %s %s" % (method, path)}, 404)


def json_body(req):
    if req.content_type == "application/json" or req.body.strip().startswith(b"{"):
        return json.loads(req.body.decode("utf-8") or "{}")
    return req.form()


def json_response(value, status=200):
    return Response(status, json.dumps(value, indent=1).encode("utf-8"),
                    "application/json; charset=utf-8")


def load_faults(sandbox, files, flags):
    for path in files or []:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for spec in data if isinstance(data, list) else [data]:
            sandbox.faults.add(spec)
    for text in flags or []:
        sandbox.faults.add(parse_fault_flag(text))


def main(argv=None):
    parser = argparse.ArgumentParser(description="Local stand-in for the e-gold, Liberty "
                                     "Reserve and vendor servers.")
    parser.add_argument("--state", required=True, help="state folder (ledger, TLS files, "
                        "servers.ini)")
    parser.add_argument("--port-base", type=int, default=DEFAULT_PORT_BASE,
                        help="e-gold plain HTTP on N, vendor on N+1, e-gold HTTPS on N+363, "
                        "Liberty Reserve HTTPS on N+364; 0 picks free ports (default %d)"
                        % DEFAULT_PORT_BASE)
    parser.add_argument("--demo-accounts", type=int, default=0, metavar="N",
                        help="also create N generated accounts of each system")
    parser.add_argument("--faults", action="append", metavar="FILE",
                        help="JSON file with a fault or a list of faults to inject")
    parser.add_argument("--fault", action="append", metavar="SPEC",
                        help="one fault, for example kind=status500,path=/xml/balance.aspx")
    parser.add_argument("--lockout-attempts", type=int, default=5,
                        help="failed e-gold logins in a row that lock an account (0: never)")
    parser.add_argument("--lockout-minutes", type=int, default=30)
    parser.add_argument("--latency", type=float, default=0, metavar="MS",
                        help="hold each answer MS milliseconds, like a server across the "
                        "internet (default 0)")
    parser.add_argument("--lr-layout", action="append", metavar="NAMES",
                        help="lay out Liberty Reserve answers differently: "
                        + "; ".join("%s: %s" % item for item in sorted(LAYOUTS.items()))
                        + " (comma-separated, repeatable)")
    parser.add_argument("--verbose", action="store_true", help="log each request line to stderr")
    args = parser.parse_args(argv)
    if args.port_base < 0 or args.port_base + 364 > 65535:
        parser.error("--port-base out of range")
    if not 0 <= args.demo_accounts <= 99999:
        parser.error("--demo-accounts must be between 0 and 99999")
    if not 0 <= args.latency <= 60000:
        parser.error("--latency must be between 0 and 60000")

    try:
        sandbox = Sandbox(args.state, demo_accounts=args.demo_accounts,
                          lockout_attempts=args.lockout_attempts,
                          lockout_minutes=args.lockout_minutes, verbose=args.verbose,
                          latency_ms=args.latency,
                          lr_layout=[n for text in args.lr_layout or [] for n in text.split(",")])
        load_faults(sandbox, args.faults, args.fault)
        sandbox.start(args.port_base)
    except (OSError, RuntimeError, FaultError, ValueError) as e:
        sys.stderr.write("nummora_sandbox: %s\n" % e)
        return 2

    def on_signal(_signum, _frame):
        sandbox.stopping.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    print(sandbox.ready_line(), flush=True)
    while not sandbox.stopping.wait(0.5):
        pass
    sandbox.stop()
    try:
        print("STOPPED", flush=True)
    except (BrokenPipeError, ValueError):  # nobody reads our output any more
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
