"""The e-gold side of the sandbox, driven with requests built as the wallet builds them and
answers read as the wallet reads them."""

import time
import unittest

from sandbox_testlib import ALICE, BOB, CAROL, SandboxCase, egold_balances, egold_error, \
    form_body, hidden_input

from common import parse_pairs


def history_query(start, end, items=("paymentsreceived", "paymentsmade"), sort="tstamp",
                  desc=False, extra=""):
    s, e = time.localtime(start), time.localtime(end)
    q = "?initial=1&oldsort=%s%s" % (sort, "&desc=1" if desc else "")
    q += "&startmonth=%d&startday=%d&startyear=%d" % (s.tm_mon, s.tm_mday, s.tm_year)
    q += "&endmonth=%d&endday=%d&endyear=%d" % (e.tm_mon, e.tm_mday, e.tm_year)
    for item in items:
        q += "&%s=1" % item
    return q + extra


def csv_rows(text):
    """Data lines of a CSV answer split as the wallet splits them (quotes keep commas)."""
    rows = []
    for line in text.split("\r\n")[1:]:
        if not line:
            continue
        fields, cur, quote = [], "", None
        for ch in line:
            if quote:
                cur += ch
                if ch == quote:
                    quote = None
            elif ch in "\"'":
                quote = ch
                cur += ch
            elif ch == ",":
                fields.append(cur)
                cur = ""
            else:
                cur += ch
        fields.append(cur)
        rows.append(fields)
    return rows


class EgoldPagesTest(SandboxCase):
    lockout_attempts = 3

    def test_balance_pages_read_as_the_wallet_reads_them(self):
        cases = [(ALICE, [12.5, 150.0, 0.8, 1.2]), (CAROL, [0.0, 0.0, 0.0, 0.0])]
        for account, expected in cases:
            with self.subTest(account=account[0]):
                status, page = self.client.egold("/acct/balance.asp", account)
                self.assertEqual(status, 200)
                self.assertEqual(egold_balances(page), expected)
                self.assertNotIn("Could not login to account", page)
        _, page = self.client.egold("/acct/balance.asp", CAROL)
        self.assertIn("<i>none</i>", page)

    def test_login_failures_then_lock_out(self):
        wrong = (BOB[0], "not-the-pass")
        for _ in range(2):
            _, page = self.client.egold("/acct/balance.asp", wrong)
            self.assertEqual(egold_balances(page), "login")
            self.assertIn("Could not login to account %s." % BOB[0], egold_error(page, BOB[0]))
        _, page = self.client.egold("/acct/balance.asp", wrong)
        self.assertEqual(egold_balances(page), "locked")
        # Locked: even the right pass phrase is refused, on every Automation page.
        _, page = self.client.egold("/acct/balance.asp", BOB)
        self.assertEqual(egold_balances(page), "locked")
        _, page = self.client.egold("/acct/verify.asp", BOB, [
            "Payee_Account=1001001", "Amount=1", "PAY_IN=1", "WORTH_OF=Gold"])
        self.assertEqual(egold_error(page, BOB[0]), "Account locked out")
        status, value = self.client.control("POST", "/control/unlock", {"account": BOB[0]})
        self.assertTrue(value["ok"])
        _, page = self.client.egold("/acct/balance.asp", BOB)
        self.assertEqual(egold_balances(page), [3.25, 0.0, 0.0, 0.0])

    def test_pass_phrase_with_blanks_travels_encoded(self):
        self.sandbox.requests.clear()
        self.client.egold("/acct/balance.asp", ALICE)
        sent = self.sandbox.requests.list()[-1]
        self.assertEqual(sent["body"], "AccountID=1001001&PassPhrase=alice%20gold%202006")
        self.assertEqual(sent["headers"]["Content-Type"], "application/x-www-form-urlencoded")

    def test_units_convert_to_ounces_at_the_current_price(self):
        rows = [("9999", "0.5", lambda oz, price: 0.5),
                ("8888", "31.1034768", lambda oz, price: 1.0),
                ("1", "65", lambda oz, price: 65 / price),
                ("85", "52", lambda oz, price: 52 * 1.25 / price),
                ("49", "100", lambda oz, price: 100 / 1.95583 * 1.25 / price)]
        for pay_in, amount, expected in rows:
            with self.subTest(pay_in=pay_in):
                _, page = self.client.egold("/acct/confirm.asp", ALICE, [
                    "Payee_Account=1001002", "Amount=" + amount, "PAY_IN=" + pay_in,
                    "WORTH_OF=Gold", "Memo=", "PAYMENT_ID="])
                self.assertEqual(egold_error(page, ALICE[0]), "")
                ounces = float(hidden_input("ACTUAL_PAYMENT_OUNCES", page))
                price = float(hidden_input("USD_PER_OUNCE", page))
                self.assertAlmostEqual(ounces, expected(ounces, price), places=5)

    def test_refused_payments_give_automation_error_pages(self):
        rows = [
            (["Payee_Account=9999999", "Amount=1", "PAY_IN=1", "WORTH_OF=Gold"],
             "Invalid Payee_Account"),
            (["Payee_Account=1001001", "Amount=1", "PAY_IN=1", "WORTH_OF=Gold"],
             "Cannot spend to the same account"),
            (["Payee_Account=1001002", "Amount=1", "PAY_IN=0", "WORTH_OF=Gold"],
             "Invalid PAY_IN"),
            (["Payee_Account=1001002", "Amount=-2", "PAY_IN=1", "WORTH_OF=Gold"],
             "Invalid Amount"),
            (["Payee_Account=1001002", "Amount=1,000.50", "PAY_IN=1", "WORTH_OF=Gold"],
             "Invalid Amount"),
            (["Payee_Account=1001002", "Amount=1", "PAY_IN=9999", "WORTH_OF=Copper"],
             "Invalid WORTH_OF"),
            (["Payee_Account=1001002", "Amount=500", "PAY_IN=9999", "WORTH_OF=Gold"],
             "Insufficient funds"),
            (["Payee_Account=1001002", "Amount=1", "PAY_IN=1"], "Missing field WORTH_OF"),
            # Fields that a value would add if it travelled raw are refused, never ignored.
            (["Payee_Account=1001002", "Amount=1", "PAY_IN=1", "WORTH_OF=Gold", "Amount=999"],
             "Field Amount given twice"),
            (["Payee_Account=1001002", "Amount=1", "PAY_IN=1", "WORTH_OF=Gold", "Memo=x"],
             "Unexpected field Memo"),
            (["Payee_Account=1001002", "Amount=1", "PAY_IN=1", "WORTH_OF=Gold", "junk"],
             "Malformed form field"),
        ]
        for fields, message in rows:
            with self.subTest(message=message):
                _, page = self.client.egold("/acct/verify.asp", ALICE, fields)
                self.assertEqual(egold_error(page, ALICE[0]), message)
        _, page = self.client.egold("/acct/confirm.asp", ALICE, [
            "Payee_Account=1001002", "Amount=1", "PAY_IN=1", "WORTH_OF=Gold", "Memo=x"])
        self.assertEqual(egold_error(page, ALICE[0]), "Missing field PAYMENT_ID")

    def test_values_holding_ampersand_and_plus_arrive_as_typed(self):
        # A pass phrase holding them is read back as typed, so such an account can log in.
        self.assertEqual(parse_pairs(form_body("AccountID=7\r\nPassPhrase=a&b+c d=e")),
                         [("AccountID", "7"), ("PassPhrase", "a&b+c d=e")])
        memo = "x&Amount=999+1 <b>"
        before = self.client.ledger()["egold"]["1001001"]["balances"]["Gold"]
        _, page = self.client.egold("/acct/confirm.asp", ALICE, [
            "Payee_Account=1001002", "Amount=0.5", "PAY_IN=9999", "WORTH_OF=Gold",
            "Memo=" + memo, "PAYMENT_ID=a+b&c"])
        self.assertEqual(egold_error(page, ALICE[0]), "")
        self.assertEqual(hidden_input("ACTUAL_PAYMENT_OUNCES", page), "0.5")
        after = self.client.ledger()["egold"]["1001001"]["balances"]["Gold"]
        self.assertAlmostEqual(float(before) - float(after), 0.5)
        now = time.time()
        _, text = self.client.egold("/acct/historycsv.asp", ALICE,
                                    query=history_query(now - 86400, now + 86400, ("paymentsmade",)))
        made = [row for row in csv_rows(text) if row[2] == hidden_input("PAYMENT_BATCH_NUM", page)]
        self.assertEqual([(row[10], row[11]) for row in made], [('"%s"' % memo, '"a+b&c"')])

    def test_payment_moves_metal_with_fee_and_batch(self):
        before = self.client.ledger()["egold"]
        fields = ["Payee_Account=1001003", "Amount=2", "PAY_IN=9999", "WORTH_OF=Silver"]
        _, page = self.client.egold("/acct/verify.asp", ALICE, fields)
        self.assertEqual(egold_error(page, ALICE[0]), "")
        self.assertEqual(hidden_input("PAYEE_NAME", page), "Carol Empty")
        self.assertIn("This is the first time you have spent to this particular e-gold account.",
                      page)
        _, page = self.client.egold("/acct/confirm.asp", ALICE,
                                    fields + ["Memo=rent for may", "PAYMENT_ID=inv-7"])
        self.assertEqual(egold_error(page, ALICE[0]), "")
        batch = int(hidden_input("PAYMENT_BATCH_NUM", page))
        self.assertEqual(float(hidden_input("ACTUAL_PAYMENT_OUNCES", page)), 2.0)
        self.assertEqual(hidden_input("PAYEE_NAME", page), "Carol Empty")
        after = self.client.ledger()["egold"]
        self.assertAlmostEqual(float(before["1001001"]["balances"]["Silver"])
                               - float(after["1001001"]["balances"]["Silver"]), 2.0)
        received = float(after["1001003"]["balances"]["Silver"]) \
            - float(before["1001003"]["balances"]["Silver"])
        fee = 2.0 - received
        self.assertGreater(fee, 0)
        self.assertLessEqual(fee, 0.02 + 1e-9)  # 1% at most
        # The payee's balance page shows the metal; the second preview has no first-time notice.
        _, page = self.client.egold("/acct/balance.asp", CAROL)
        self.assertAlmostEqual(egold_balances(page)[1], received)
        _, page = self.client.egold("/acct/verify.asp", ALICE, fields)
        self.assertNotIn("This is the first time", page)

        now = time.time()
        _, text = self.client.egold("/acct/historycsv.asp", ALICE,
                                    query=history_query(now - 86400, now))
        made = [r for r in csv_rows(text) if r[2] == str(batch)]
        self.assertEqual(len(made), 1)
        self.assertEqual(made[0][1], '"Payment Made"')
        self.assertEqual(made[0][5], "1001003")
        self.assertEqual(made[0][6], '"Carol Empty"')
        self.assertEqual(made[0][10], '"rent for may"')
        self.assertEqual(made[0][11], '"inv-7"')
        self.assertEqual(len(made[0]), 12)
        # The payee sees the payment received and, among the fees, the receive fee.
        _, text = self.client.egold("/acct/historycsv.asp", CAROL,
                                    query=history_query(now, now, ("paymentsreceived", "fees")))
        kinds = {r[1] for r in csv_rows(text) if r[2] == str(batch)}
        self.assertEqual(kinds, {'"Payment Received"', '"Payment Receive Fee"'})

    def test_history_range_filters_and_order(self):
        now = time.time()
        _, text = self.client.egold("/acct/historycsv.asp", ALICE,
                                    query=history_query(now - 10 * 86400, now))
        rows = csv_rows(text)
        self.assertGreaterEqual(len(rows), 4)
        batches = [int(r[2]) for r in rows]
        self.assertEqual(batches, sorted(batches))  # oldest first, the newest is the last line
        _, text = self.client.egold("/acct/historycsv.asp", ALICE,
                                    query=history_query(now - 10 * 86400, now,
                                                        sort="batch_num", desc=True))
        self.assertEqual([int(r[2]) for r in csv_rows(text)], sorted(batches, reverse=True))
        cases = [
            ("no type items", history_query(now - 10 * 86400, now, ()), "No Records Found"),
            ("range before the deposits", history_query(now - 40 * 86400, now - 20 * 86400),
             "No Records Found"),
            ("counter filter", history_query(now - 10 * 86400, now,
                                             extra="&counterfilter=555"), "No Records Found"),
        ]
        for name, query, expected in cases:
            with self.subTest(name):
                _, text = self.client.egold("/acct/historycsv.asp", ALICE, query=query)
                self.assertEqual(text, expected)
        _, text = self.client.egold("/acct/historycsv.asp", ALICE,
                                    query=history_query(now - 10 * 86400, now,
                                                        extra="&batchfilter=%d" % batches[0]))
        self.assertEqual([int(r[2]) for r in csv_rows(text)], [batches[0]])
        for bad in ("startmonth=13&startday=1&startyear=2026&endmonth=1&endday=1&endyear=2026",
                    "startmonth=1&startday=1&startyear=2026&endmonth=12&endday=31&endyear=9999",
                    "startmonth=1&startday=1&startyear=2026&endmonth=1&endday=1"):
            with self.subTest(bad):
                _, page = self.client.egold("/acct/historycsv.asp", ALICE,
                                            query="?initial=1&oldsort=tstamp&" + bad
                                                  + "&paymentsmade=1")
                self.assertEqual(egold_error(page, ALICE[0]), "Invalid date range")

    def test_metal_rates_drift_in_both_currencies(self):
        def rates(cur):
            status, text = self.client.post_form("egold_plain",
                                                 "/unsecure/metaldata.asp?LATEST=1&CUR=" + cur, "")
            self.assertEqual(status, 200)
            items = text.split(",")
            self.assertEqual(len(items), 5)
            return [float(i.strip()) for i in items[1:]]

        usd1, usd2, eur = rates("USD"), rates("USD"), rates("EUR")
        for a, b in zip(usd1, usd2):
            self.assertLess(abs(a - b) / a, 0.01)
        self.assertNotEqual(usd1, usd2)
        self.assertGreater(usd1[0], eur[0])
        self.assertTrue(500 < usd1[0] < 800)
        _, text = self.client.post_form("egold_plain", "/unsecure/metaldata.asp?LATEST=1&CUR=XYZ",
                                        "")
        self.assertLess(len(text.split(",")), 5)


if __name__ == "__main__":
    unittest.main()
