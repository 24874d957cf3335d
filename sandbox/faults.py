"""Faults that tests ask the sandbox to inject, per account and/or per path, and the record
of the requests it received."""

import collections
import itertools
import threading
import time

KINDS = {
    "login": "e-gold login failure page (Liberty Reserve: authentication error)",
    "lockout": "e-gold lock-out page",
    "error": "e-gold Automation ERROR page (Liberty Reserve: error element)",
    "lr_error": "Liberty Reserve Error element with Code, Text and Description",
    "redirect": "302 answer with a Location",
    "status500": "500 Internal Server Error",
    "hang": "no answer for `seconds` (default 90), then the connection is closed",
    "malformed": "200 answer whose body is cut short and holds stray bytes",
    "empty": "200 answer with an empty body",
    "drop": "the connection is closed without an answer",
    "no_records": "e-gold history answers No Records Found",
}
SERVERS = ("egold", "egold_plain", "liberty_reserve", "vendor")


class FaultError(ValueError):
    pass


def parse_fault_flag(text):
    """`kind=hang,path=/xml/balance.aspx,account=U1000001,seconds=5` -> dict."""
    spec = {}
    for item in text.split(","):
        if not item.strip():
            continue
        if "=" not in item:
            raise FaultError("fault item without '=': %r" % item)
        key, value = item.split("=", 1)
        spec[key.strip()] = value.strip()
    return spec


class FaultBook:
    def __init__(self):
        self._lock = threading.Lock()
        self._faults = []
        self._ids = itertools.count(1)

    def add(self, spec):
        if not isinstance(spec, dict):
            raise FaultError("a fault is a JSON object")
        kind = spec.get("kind")
        if kind not in KINDS:
            raise FaultError("unknown fault kind %r; known: %s" % (kind, ", ".join(sorted(KINDS))))
        fault = {"kind": kind}
        for key in ("path", "account", "server", "location", "message", "code", "text",
                    "description", "body"):
            if spec.get(key) not in (None, ""):
                fault[key] = str(spec[key])
        if fault.get("server") and fault["server"] not in SERVERS:
            raise FaultError("unknown server %r; known: %s" % (fault["server"], ", ".join(SERVERS)))
        for key, default in (("count", None), ("seconds", None)):
            value = spec.get(key, default)
            if value in (None, ""):
                continue
            try:
                number = float(value) if key == "seconds" else int(value)
            except (TypeError, ValueError):
                raise FaultError("%s must be a number" % key) from None
            if number < (0 if key == "seconds" else 1):
                raise FaultError("%s out of range" % key)
            fault[key] = number
        with self._lock:
            fault["id"] = next(self._ids)
            self._faults.append(fault)
        return dict(fault)

    def remove(self, fault_id):
        with self._lock:
            before = len(self._faults)
            self._faults = [f for f in self._faults if f["id"] != fault_id]
            return len(self._faults) != before

    def clear(self):
        with self._lock:
            self._faults = []

    def list(self):
        with self._lock:
            return [dict(f) for f in self._faults]

    def take(self, server, path, account):
        """The first fault that applies to this request, counting one use of it."""
        with self._lock:
            for fault in self._faults:
                if "server" in fault and fault["server"] != server:
                    continue
                want = fault.get("path")
                if want is not None:
                    if want.endswith("*"):
                        if not path.startswith(want[:-1]):
                            continue
                    elif path != want:
                        continue
                if "account" in fault and fault["account"] != (account or ""):
                    continue
                if "count" in fault:
                    fault["count"] -= 1
                    if fault["count"] <= 0:
                        self._faults.remove(fault)
                return dict(fault)
        return None


class RequestLog:
    """The requests the sandbox received, newest last, for tests to check what a client
    sent. Kept in memory only."""

    def __init__(self, limit=5000):
        self._lock = threading.Lock()
        self._items = collections.deque(maxlen=limit)
        self._seq = itertools.count(1)

    def add(self, entry):
        entry["seq"] = next(self._seq)
        entry["time"] = time.time()
        with self._lock:
            self._items.append(entry)
        return entry

    def list(self, since=0):
        with self._lock:
            return [dict(e) for e in self._items if e["seq"] > since]

    def clear(self):
        with self._lock:
            self._items.clear()
