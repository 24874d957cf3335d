"""The sandbox as a program: the READY line, servers.ini, stopping on SIGTERM, state kept
across a restart, fixed port layout, and many requests at once."""

import concurrent.futures
import configparser
import os
import random
import re
import select
import shutil
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import time
import unittest
from decimal import Decimal

from sandbox_testlib import ALICE, DAVE, SANDBOX_SCRIPT, Client, SandboxCase, balance_request, \
    egold_balances, extract_tag, hidden_input, lr_error, transfer_request

import nummora_sandbox  # noqa: E402


def start_process(state, *extra):
    proc = subprocess.Popen([sys.executable, SANDBOX_SCRIPT, "--state", state,
                             "--port-base", "0"] + list(extra),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.time() + 30
    while time.time() < deadline:
        ready, _, _ = select.select([proc.stdout], [], [], deadline - time.time())
        if not ready:
            break
        line = proc.stdout.readline()
        if not line:
            break
        if line.startswith("READY "):
            urls = dict(item.split("=", 1) for item in line.split()[1:])
            return proc, urls
    proc.kill()
    raise AssertionError("no READY line: %s" % proc.stderr.read())


def read(path):
    with open(path) as f:
        return f.read()


def stop_process(proc):
    proc.send_signal(signal.SIGTERM)
    try:
        return proc.wait(10)
    finally:
        if proc.poll() is None:
            proc.kill()
        proc.stdout.close()
        proc.stderr.close()


class ProcessTest(unittest.TestCase):

    def setUp(self):
        self.state = tempfile.mkdtemp(prefix="nummora-sandbox-test-")

    def tearDown(self):
        shutil.rmtree(self.state, ignore_errors=True)

    def test_ready_line_servers_ini_and_state_across_restart(self):
        proc, urls = start_process(self.state)
        try:
            ini = configparser.ConfigParser()
            ini.optionxform = str
            ini.read(urls["servers_ini"])
            servers = ini["Servers"]
            self.assertEqual(servers["EgoldSecure"], urls["egold_secure"])
            self.assertEqual(servers["EgoldPlain"], urls["egold_plain"])
            self.assertEqual(servers["LibertyReserve"], urls["liberty_reserve"])
            self.assertEqual(servers["Vendor"], urls["vendor"])
            self.assertTrue(os.path.isabs(servers["CAFile"]))
            for key in ("egold_secure", "liberty_reserve"):
                self.assertRegex(urls[key], r"^https://127\.0\.0\.1:\d+$")
            client = Client(urls, servers["CAFile"])
            _, page = client.egold("/acct/confirm.asp", ALICE, [
                "Payee_Account=1001002", "Amount=1", "PAY_IN=9999", "WORTH_OF=Gold",
                "Memo=", "PAYMENT_ID="])
            first_batch = int(hidden_input("PAYMENT_BATCH_NUM", page))
            doc = transfer_request(DAVE, [("U1000002", "LRUSD", "5", "m", None, False)])
            _, answer = client.lr("/xml/transfer.aspx", doc)
            first_receipt = int(extract_tag(answer, "ReceiptId")[0])
            closing = Decimal(extract_tag(answer, "ClosingBalance")[0])
        finally:
            self.assertEqual(stop_process(proc), 0)
        state_file = os.path.join(self.state, "state.json")
        self.assertEqual(stat.S_IMODE(os.stat(state_file).st_mode), 0o600)
        self.assertEqual(stat.S_IMODE(os.stat(os.path.join(self.state, "tls",
                                                           "server.key")).st_mode), 0o600)
        ca_before = read(servers["CAFile"])

        proc, urls = start_process(self.state)
        try:
            client = Client(urls, servers["CAFile"])
            self.assertEqual(read(servers["CAFile"]), ca_before)  # certificates kept
            _, page = client.egold("/acct/balance.asp", ALICE)
            self.assertEqual(egold_balances(page)[0], 11.5)
            _, answer = client.lr("/xml/balance.aspx", balance_request(DAVE))
            self.assertIsNone(lr_error(answer))
            self.assertIn("<Value>%s</Value>" % closing, answer)
            _, page = client.egold("/acct/confirm.asp", ALICE, [
                "Payee_Account=1001002", "Amount=1", "PAY_IN=9999", "WORTH_OF=Gold",
                "Memo=", "PAYMENT_ID="])
            self.assertEqual(int(hidden_input("PAYMENT_BATCH_NUM", page)), first_batch + 1)
            _, answer = client.lr("/xml/transfer.aspx", doc)
            self.assertEqual(int(extract_tag(answer, "ReceiptId")[0]), first_receipt + 1)
        finally:
            self.assertEqual(stop_process(proc), 0)

    def test_sigterm_while_an_answer_hangs(self):
        proc, urls = start_process(self.state, "--fault", "kind=hang,seconds=300")
        client = Client(urls, urls["ca_file"])
        with self.assertRaises(OSError):
            client.request("vendor", "/help/", method="GET", timeout=0.5)
        started = time.time()
        self.assertEqual(stop_process(proc), 0)
        self.assertLess(time.time() - started, 5)

    def test_bad_arguments_and_busy_ports(self):
        with socket.socket() as busy:
            busy.bind(("127.0.0.1", 0))
            busy.listen()
            base = busy.getsockname()[1]
            if base + 364 > 65535:
                self.skipTest("port too high for a base")
            result = subprocess.run([sys.executable, SANDBOX_SCRIPT, "--state", self.state,
                                     "--port-base", str(base)], capture_output=True, text=True,
                                    timeout=30)
        self.assertEqual(result.returncode, 2)
        self.assertIn("nummora_sandbox:", result.stderr)
        result = subprocess.run([sys.executable, SANDBOX_SCRIPT, "--state", self.state,
                                 "--fault", "kind=explode"], capture_output=True, text=True,
                                timeout=30)
        self.assertEqual(result.returncode, 2)

    def test_fixed_port_layout(self):
        for _ in range(20):
            base = random.randrange(20000, 60000)
            try:
                sandbox = nummora_sandbox.Sandbox(self.state)
                urls = sandbox.start(base)
            except OSError:
                continue
            try:
                ports = {k: int(re.search(r":(\d+)$", v).group(1)) for k, v in urls.items()}
                self.assertEqual(ports, {"egold_plain": base, "vendor": base + 1,
                                         "egold_secure": base + 363,
                                         "liberty_reserve": base + 364})
            finally:
                sandbox.stop()
            return
        self.skipTest("no free port range found")


class ManyAccountsTest(SandboxCase):
    demo_accounts = 127

    def test_127_refreshes_at_once(self):
        from ledger import generated_egold, generated_lr

        def refresh(n):
            if n % 2:
                spec = generated_egold(n)
                _, page = self.client.egold("/acct/balance.asp", (spec["id"], spec["passphrase"]))
                return egold_balances(page) == [1.5, 10.0, 0.0, 0.0]
            spec = generated_lr(n)
            api, word = next(iter(spec["apis"].items()))
            _, answer = self.client.lr("/xml/balance.aspx",
                                       balance_request((spec["id"], api, word)))
            return lr_error(answer) is None and "<Value>100.00</Value>" in answer

        with concurrent.futures.ThreadPoolExecutor(max_workers=127) as pool:
            results = list(pool.map(refresh, range(1, 128)))
        self.assertEqual(results.count(True), 127)
        summary = self.client.ledger()
        self.assertEqual(len(summary["egold"]), 3 + 127)
        self.assertEqual(len(summary["liberty_reserve"]), 3 + 127)


if __name__ == "__main__":
    unittest.main()
