"""Fault injection: every kind on the servers it applies to, targeting by account, path and
count, set at run time through the control endpoint or at start from flags and files."""

import http.client
import json
import os
import shutil
import socket
import tempfile
import threading
import time
import unittest

from sandbox_testlib import ALICE, BOB, DAVE, FRANK, Client, SandboxCase, balance_request, \
    egold_balances, egold_error, extract_tag, lr_error, transfer_request

import faults  # noqa: E402  (the sandbox folder is on the path once sandbox_testlib is loaded)
import nummora_sandbox  # noqa: E402


class FaultKindsTest(SandboxCase):

    def egold_balance(self, account=ALICE, timeout=None):
        return self.client.egold("/acct/balance.asp", account) if timeout is None else \
            self.client.post_form("egold_secure", "/acct/balance.asp",
                                  "AccountID=%s&PassPhrase=%s" % account, timeout=timeout)

    def lr_balance(self, account=DAVE):
        return self.client.lr("/xml/balance.aspx", balance_request(account))

    def test_protocol_faults_on_egold(self):
        rows = [
            ({"kind": "login"}, lambda p: egold_balances(p) == "login"),
            ({"kind": "lockout"}, lambda p: egold_balances(p) == "locked"),
            ({"kind": "error", "message": "Automation is down"},
             lambda p: egold_error(p, ALICE[0]) == "Automation is down"),
            ({"kind": "lr_error"},
             lambda p: egold_error(p, ALICE[0]) == "Automation temporarily unavailable"),
            ({"kind": "malformed"}, lambda p: "\x00" in p and "</html>" not in p),
            ({"kind": "empty"}, lambda p: p == ""),
        ]
        for spec, check in rows:
            with self.subTest(spec["kind"]):
                self.client.fault(path="/acct/balance.asp", count=1, **spec)
                status, page = self.egold_balance()
                self.assertEqual(status, 200)
                self.assertTrue(check(page), page[:200])
                # Used once: the next request is served normally.
                self.assertEqual(egold_balances(self.egold_balance()[1])[0], 12.5)

    def test_protocol_faults_on_liberty_reserve(self):
        rows = [
            ({"kind": "lr_error", "code": "42", "text": "Busy", "description": "Try later"},
             "Error 42: Busy (Try later)"),
            ({"kind": "error"}, "Error 500: Internal error (Service temporarily unavailable)"),
            ({"kind": "login"}, "Error 200: Authentication failed (Invalid or expired token)"),
        ]
        for spec, message in rows:
            with self.subTest(spec["kind"]):
                self.client.fault(server="liberty_reserve", count=1, **spec)
                status, answer = self.lr_balance()
                self.assertEqual(lr_error(answer), message)
                self.assertIsNone(lr_error(self.lr_balance()[1]))
        # A mass request gets one Error per transfer, so a reader in order stays in step.
        self.client.fault(path="/xml/transfer.aspx", kind="lr_error", count=1)
        doc = transfer_request(DAVE, [("U1000002", "LRUSD", "1", "", None, False)] * 3)
        _, answer = self.client.lr("/xml/transfer.aspx", doc)
        rest, count = answer, 0
        while rest.startswith("<Error>"):
            _, rest = extract_tag(rest, "Error", True)
            count += 1
        self.assertEqual((count, rest), (3, ""))

    def test_transport_faults_on_every_server(self):
        targets = [
            ("egold_secure", "egold", "/acct/balance.asp"),
            ("liberty_reserve", "liberty_reserve", "/xml/balance.aspx"),
            ("egold_plain", "egold_plain", "/unsecure/metaldata.asp"),
            ("vendor", "vendor", "/services/proxies.php"),
        ]
        for base, server, path in targets:
            with self.subTest(server=server, kind="status500"):
                self.client.fault(server=server, kind="status500", count=1)
                self.assertEqual(self.client.request(base, path, "")[0], 500)
                self.assertEqual(self.client.request(base, path, "")[0], 200)
            with self.subTest(server=server, kind="redirect"):
                self.client.fault(server=server, kind="redirect", location="/elsewhere", count=1)
                status, headers, _ = self.client.request(base, path, "")
                self.assertEqual((status, headers.get("Location")), (302, "/elsewhere"))
            with self.subTest(server=server, kind="drop"):
                self.client.fault(server=server, kind="drop", count=1)
                with self.assertRaises((http.client.HTTPException, ConnectionError)):
                    self.client.request(base, path, "")
            with self.subTest(server=server, kind="hang"):
                self.client.fault(server=server, kind="hang", seconds=30, count=1)
                started = time.time()
                with self.assertRaises((socket.timeout, TimeoutError)):
                    self.client.request(base, path, "", timeout=0.5)
                self.assertLess(time.time() - started, 5)
                self.assertEqual(self.client.request(base, path, "")[0], 200)

    def test_faults_target_accounts_and_paths(self):
        self.client.fault(account=BOB[0], kind="login")
        self.client.fault(account=FRANK[0], path="/xml/balance.aspx", kind="status500")
        self.assertEqual(egold_balances(self.egold_balance(BOB)[1]), "login")
        self.assertEqual(egold_balances(self.egold_balance(ALICE)[1])[0], 12.5)
        self.assertEqual(self.lr_balance(FRANK)[0], 500)
        self.assertEqual(self.lr_balance(DAVE)[0], 200)
        doc = transfer_request(FRANK, [("U1000002", "LRUSD", "1", "", None, False)])
        self.assertEqual(self.client.lr("/xml/transfer.aspx", doc)[0], 200)
        # Prefix paths, listing and removal through the control endpoint.
        added = self.client.fault(path="/acct/*", kind="no_records")
        _, text = self.client.egold("/acct/historycsv.asp", ALICE, query="?initial=1")
        self.assertEqual(text, "No Records Found")
        listed = self.client.control("GET", "/control/faults")[1]
        self.assertEqual(len(listed), 3)
        status, _, _ = self.client.request("vendor", "/control/fault?id=%d" % added["id"],
                                           method="DELETE")
        self.assertEqual(status, 200)
        self.assertEqual(len(self.client.control("GET", "/control/faults")[1]), 2)
        self.client.control("DELETE", "/control/faults")
        self.assertEqual(self.client.control("GET", "/control/faults")[1], [])
        self.assertEqual(self.lr_balance(FRANK)[0], 200)

    def test_bad_fault_requests_are_refused(self):
        for spec in ({"kind": "explode"}, {"kind": "hang", "seconds": "soon"},
                     {"kind": "login", "count": 0}, {"kind": "login", "server": "mail"}):
            with self.subTest(spec=spec):
                status, value = self.client.control("POST", "/control/fault", spec)
                self.assertEqual(status, 400)
                self.assertIn("error", value)

    def test_garbage_requests_are_answered_not_crashed_on(self):
        import random
        rng = random.Random(7)
        targets = [("egold_secure", p) for p in ("/acct/balance.asp", "/acct/verify.asp",
                                                  "/acct/confirm.asp", "/acct/historycsv.asp")]
        targets += [("liberty_reserve", p) for p in ("/xml/balance.aspx", "/xml/accountname.aspx",
                                                      "/xml/transfer.aspx", "/xml/history.aspx")]
        targets += [("vendor", "/services/email.php"), ("egold_plain", "/unsecure/metaldata.asp")]
        seeds = ["req=" + "%25" * 3, "req=%253c%2521DOCTYPE", "AccountID=1001001&PassPhrase=",
                 "AccountID=1001001&PassPhrase=alice%20gold%202006&Payee_Account=1001002"
                 "&Amount=1e9999&PAY_IN=9999&WORTH_OF=Gold", "req=" + "%253c" * 2000]
        for base, path in targets:
            for i in range(12):
                if i < len(seeds):
                    body = seeds[i].encode("latin-1")
                else:
                    body = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 400)))
                status, _, _ = self.client.request(base, path + "?startyear=%d&endmonth=x" % i,
                                                   body)
                self.assertIn(status, (200, 405), (base, path, body[:60]))
        self.assertEqual(egold_balances(self.egold_balance()[1])[0], 12.5)

    def test_request_log_tells_what_was_sent(self):
        self.client.control("DELETE", "/control/requests")
        self.client.fault(path="/xml/balance.aspx", kind="status500", count=1)
        self.lr_balance(DAVE)
        log = self.client.control("GET", "/control/requests")[1]
        self.assertEqual(len(log), 1)
        entry = log[0]
        self.assertEqual((entry["server"], entry["path"], entry["status"], entry["fault"]),
                         ("liberty_reserve", "/xml/balance.aspx", 500, "status500"))
        self.assertEqual(entry["account"], DAVE[0])
        self.assertTrue(entry["document"].startswith('<BalanceRequest id="1'))
        self.assertTrue(entry["body"].startswith("req=%253cBalanceRequest%2Bid%253d%2522%2531"))
        later = self.client.control("GET", "/control/requests?since=%d" % entry["seq"])[1]
        self.assertEqual(later, [])


class StartupFaultsTest(unittest.TestCase):

    def test_flags_and_files(self):
        self.assertEqual(faults.parse_fault_flag("kind=hang, path=/xml/balance.aspx,seconds=5"),
                         {"kind": "hang", "path": "/xml/balance.aspx", "seconds": "5"})
        with self.assertRaises(faults.FaultError):
            faults.parse_fault_flag("kind")
        state = tempfile.mkdtemp(prefix="nummora-sandbox-test-")
        try:
            path = os.path.join(state, "faults.json")
            with open(path, "w") as f:
                json.dump([{"kind": "lockout", "account": ALICE[0]},
                           {"kind": "status500", "server": "vendor", "count": 1}], f)
            sandbox = nummora_sandbox.Sandbox(state)
            nummora_sandbox.load_faults(sandbox, [path], ["kind=login,account=%s" % BOB[0]])
            sandbox.start(0)
            try:
                client = Client(sandbox.urls, sandbox.tls.ca_cert)
                self.assertEqual(egold_balances(client.egold("/acct/balance.asp", ALICE)[1]),
                                 "locked")
                self.assertEqual(egold_balances(client.egold("/acct/balance.asp", BOB)[1]),
                                 "login")
                self.assertEqual(client.request("vendor", "/help/", method="GET")[0], 500)
                self.assertEqual(client.request("vendor", "/help/", method="GET")[0], 200)
            finally:
                sandbox.stop()
        finally:
            shutil.rmtree(state, ignore_errors=True)

    def test_stop_interrupts_a_hanging_answer(self):
        state = tempfile.mkdtemp(prefix="nummora-sandbox-test-")
        try:
            sandbox = nummora_sandbox.Sandbox(state)
            sandbox.start(0)
            sandbox.faults.add({"kind": "hang", "seconds": 600})
            client = Client(sandbox.urls, sandbox.tls.ca_cert)
            outcome = []

            def call():
                try:
                    outcome.append(client.request("liberty_reserve", "/xml/balance.aspx", "",
                                                  timeout=30))
                except (OSError, http.client.HTTPException) as e:
                    outcome.append(e)
            t = threading.Thread(target=call)
            t.start()
            time.sleep(0.5)
            started = time.time()
            sandbox.stop()
            t.join(10)
            self.assertLess(time.time() - started, 5)
            self.assertFalse(t.is_alive())
            self.assertIsInstance(outcome[0], (OSError, http.client.HTTPException))
        finally:
            shutil.rmtree(state, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
