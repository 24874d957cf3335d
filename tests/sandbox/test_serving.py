"""How the sandbox serves: many connections at once, answers without the delayed-acknowledgement
stall, and the latency a benchmark can ask for to stand in for a distant server."""

import threading
import time
import unittest

from sandbox_testlib import ALICE, SandboxCase, egold_balances

BENCH_PASS = "bench-pass-%d"


class ServingTest(SandboxCase):
    demo_accounts = 40

    def balance(self, number):
        account = (str(2000000 + number), BENCH_PASS % number)
        return self.client.egold("/acct/balance.asp", account)

    def burst(self, count):
        """`count` HTTPS balance requests at once; returns the pages in order of the accounts."""
        pages = [None] * count
        errors = []

        def one(i):
            try:
                status, page = self.balance(2 * i + 1)  # odd numbers are e-gold accounts
                pages[i] = page if status == 200 else "status %d" % status
            except Exception as e:  # noqa: BLE001 - reported below
                errors.append(repr(e))

        threads = [threading.Thread(target=one, args=(i,)) for i in range(count)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(30)
        self.assertEqual(errors, [])
        return pages

    def test_a_burst_of_connections_is_served_and_the_pool_is_reused(self):
        pages = self.burst(20)
        for i, page in enumerate(pages):
            # Each connection got the page of its own account.
            self.assertIn("<h2>Account %d</h2>" % (2000000 + 2 * i + 1), page)
            self.assertIsInstance(egold_balances(page), list, page[:200])
        server = self.sandbox.servers["egold_secure"]
        self.wait_until_idle(server)
        size_after_first = server._pool_size
        self.assertGreaterEqual(size_after_first, 1)
        self.assertLessEqual(size_after_first, 20)
        # Every thread is idle again: the second burst reuses them and adds threads only for
        # connections beyond those served at once before, so 40 connections never took more
        # than 20 threads.
        self.burst(20)
        self.wait_until_idle(server)
        self.assertGreaterEqual(server._pool_size, size_after_first)
        self.assertLessEqual(server._pool_size, 20)

    def wait_until_idle(self, server):
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            with server._pool_lock:
                if server._pool_idle == server._pool_size:
                    return
            time.sleep(0.01)
        self.fail("the sandbox's threads did not become idle")

    def test_a_single_answer_does_not_wait_for_a_delayed_acknowledgement(self):
        # With the head and the body in two writes behind Nagle's algorithm every HTTPS answer
        # took at least 40 ms on loopback; the fastest of a few must be well below that.
        times = []
        for _ in range(5):
            start = time.monotonic()
            status, page = self.client.egold("/acct/balance.asp", ALICE)
            times.append(time.monotonic() - start)
            self.assertEqual(status, 200)
        self.assertLess(min(times), 0.030, times)

    def test_latency_holds_every_answer_and_is_checked(self):
        status, value = self.client.control("POST", "/control/latency", {"ms": 150})
        self.assertEqual((status, value), (200, {"ms": 150.0}))
        try:
            start = time.monotonic()
            status, page = self.client.egold("/acct/balance.asp", ALICE)
            held = time.monotonic() - start
            self.assertEqual(status, 200)
            self.assertEqual(egold_balances(page)[0], 12.5)
            self.assertGreaterEqual(held, 0.150)
            # Answers held side by side do not add up.
            start = time.monotonic()
            self.burst(8)
            self.assertLess(time.monotonic() - start, 8 * 0.150)
        finally:
            self.client.control("POST", "/control/latency", {"ms": 0})
        self.assertEqual(self.client.control("GET", "/control/latency"), (200, {"ms": 0.0}))
        for bad in (-1, 60001, "many"):
            with self.subTest(bad=bad):
                status, _ = self.client.control("POST", "/control/latency", {"ms": bad})
                self.assertEqual(status, 400)


if __name__ == "__main__":
    unittest.main()
