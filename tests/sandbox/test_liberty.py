"""The Liberty Reserve API of the sandbox: requests built as the wallet builds them (document,
Auth block and token, UrlEncode, then the form encoding), answers read with the wallet's tag
extractor."""

import re
import time
import unittest
from decimal import Decimal

from sandbox_testlib import DAVE, ERIN, FRANK, SandboxCase, account_name_request, \
    balance_request, extract_tag, form_body, history_page, history_prefix, lr_error, \
    transfer_request, url_encode


def balances(answer):
    """The wallet's balance walk: (dollars, euros); None for a currency not mentioned."""
    usd = eur = None
    text, rest = extract_tag(answer, "Balance", True)
    while text:
        value = Decimal(extract_tag(text, "Value")[0])
        if extract_tag(text, "CurrencyId")[0] == "LREUR":
            eur = value
        else:
            usd = value
        text, rest = extract_tag(rest, "Balance", True)
    return usd, eur


def receipts(page):
    out = []
    text, rest = extract_tag(page, "Receipt", True)
    while text:
        transfer = extract_tag(text, "Transfer")[0]
        out.append({name: extract_tag(text, name)[0] for name in
                    ("ReceiptId", "Date", "Amount", "PayerName", "PayeeName", "CurrencyId",
                     "Memo", "Merchant", "Fee", "ClosingBalance")})
        out[-1]["Payer"] = extract_tag(transfer, "Payer")[0]
        out[-1]["Payee"] = extract_tag(transfer, "Payee")[0]
        text, rest = extract_tag(rest, "Receipt", True)
    return out


class LibertyApiTest(SandboxCase):

    def balance(self, account, when=None):
        status, answer = self.client.lr("/xml/balance.aspx", balance_request(account, when))
        self.assertEqual(status, 200)
        return answer

    def test_balances_of_demo_accounts(self):
        for account, expected in ((FRANK, (Decimal(0), Decimal(0))),):
            self.assertEqual(balances(self.balance(account)), expected)
        usd, eur = balances(self.balance(DAVE))
        self.assertGreater(usd, 0)
        self.assertGreater(eur, 0)

    def test_token_of_this_and_the_previous_hour_only(self):
        now = time.time()
        rows = [("this hour", now, None), ("previous hour", now - 3600, None),
                ("two hours ago", now - 7200, "Error 200: Authentication failed "
                                              "(Invalid or expired token)"),
                ("next hour", now + 3600, "Error 200: Authentication failed "
                                          "(Invalid or expired token)")]
        for name, when, error in rows:
            with self.subTest(name):
                self.assertEqual(lr_error(self.balance(FRANK, when)), error)

    def test_requests_not_built_as_the_wallet_builds_them_are_refused(self):
        good = balance_request(FRANK)
        acct, api, word = FRANK
        rows = [
            ("encoded once", form_body("req=" + good.replace("<", "%3c")), "Error 100"),
            ("raw document", "req=" + good, "Error 100"),
            ("second field", form_body("req=" + url_encode(good) + "\r\nx=1"), "Error 100"),
            ("wrong API name", form_body("req=" + url_encode(good.replace(api, "other"))),
             "Error 200"),
            ("bad request id", form_body("req=" + url_encode(good.replace('id="1', 'id="2'))),
             "Error 101"),
            ("unknown account", form_body("req=" + url_encode(good.replace(acct, "U7654321"))),
             "Error 300"),
            ("Auth block without CR LF",
             form_body("req=" + url_encode(good.replace("\r\n", "\n"))), "Error 200"),
            ("broken XML", form_body("req=" + url_encode(good.replace("</Balance>", "", 1))),
             "Error 100"),
        ]
        for name, body, prefix in rows:
            with self.subTest(name):
                status, _, data = self.client.request("liberty_reserve", "/xml/balance.aspx", body)
                self.assertEqual(status, 200)
                self.assertTrue((lr_error(data.decode("latin-1")) or "").startswith(prefix),
                                data[:300])
        status, _, data = self.client.request(
            "liberty_reserve", "/xml/balance.aspx", form_body("req=" + url_encode(good)),
            content_type="text/plain")
        self.assertTrue(lr_error(data.decode("latin-1")).startswith("Error 100"))
        # The same document sent to another address is refused too.
        _, answer = self.client.lr("/xml/history.aspx", good)
        self.assertTrue(lr_error(answer).startswith("Error 100"))

    def test_account_names_single_and_mass_stay_in_step(self):
        _, answer = self.client.lr("/xml/accountname.aspx",
                                   account_name_request(DAVE, ["U1000002"]))
        self.assertIsNone(lr_error(answer))
        self.assertEqual(extract_tag(answer, "Name")[0], "Erin Shop")
        _, answer = self.client.lr("/xml/accountname.aspx",
                                   account_name_request(DAVE, ["U7777777", "U1000003"]))
        self.assertTrue(answer.startswith("<Error>"))  # the first row's answer comes first
        text, rest = extract_tag(answer, "Error", True)
        self.assertEqual(extract_tag(text, "Text")[0], "Account not found")
        self.assertFalse(rest.startswith("<Error>"))
        text, rest = extract_tag(rest, "AccountName", True)
        self.assertEqual(extract_tag(text, "Name")[0], "Frank Zero")
        self.assertEqual(rest, "")

    def test_single_transfer_moves_money_with_fee_and_receipt(self):
        dave_usd, _ = balances(self.balance(DAVE))
        erin_usd, erin_eur = balances(self.balance(ERIN))
        doc = transfer_request(DAVE, [("U1000002", "LRUSD", "10.00", "order 12", "m-1", False)],
                               single=True)
        _, answer = self.client.lr("/xml/transfer.aspx", doc)
        self.assertIsNone(lr_error(answer))
        self.assertTrue(int(extract_tag(answer, "ReceiptId")[0]) > 0)
        self.assertEqual(extract_tag(answer, "Fee")[0], "0.10")
        self.assertEqual(extract_tag(answer, "PayeeName")[0], "Erin Shop")
        self.assertEqual(Decimal(extract_tag(answer, "ClosingBalance")[0]),
                         dave_usd - Decimal("10.10"))
        self.assertEqual(balances(self.balance(DAVE))[0], dave_usd - Decimal("10.10"))
        self.assertEqual(balances(self.balance(ERIN)), (erin_usd + 10, erin_eur))
        # A private payment costs 0.75 more and hides the payer from the payee's history.
        doc = transfer_request(DAVE, [("U1000002", "LREUR", "1", "gift", "", True)], single=True)
        _, answer = self.client.lr("/xml/transfer.aspx", doc)
        self.assertEqual(extract_tag(answer, "Fee")[0], "0.76")
        receipt_id = extract_tag(answer, "ReceiptId")[0]
        now = time.time()
        prefix = history_prefix(ERIN, now - 3600, now,
                                "<ReceiptId>%s</ReceiptId>" % receipt_id)
        _, page = self.client.lr("/xml/history.aspx", history_page(prefix, 1))
        rows = receipts(page)
        self.assertEqual(len(rows), 1)
        self.assertEqual((rows[0]["PayerName"], rows[0]["Payer"], rows[0]["Amount"]),
                         ("", "", "1.00"))
        self.assertEqual(rows[0]["CurrencyId"], "LREUR")

    def test_memo_written_with_character_references_pays_one_transfer(self):
        memo = "</Memo></Transfer><Transfer><Payee>U1000003</Payee> & + <"
        escaped = memo.replace("&", "&#38;").replace("<", "&#60;").replace(">", "&#62;")
        dave_usd, _ = balances(self.balance(DAVE))
        doc = transfer_request(DAVE, [("U1000002", "LRUSD", "2.00", escaped, "", False)],
                               single=True)
        _, answer = self.client.lr("/xml/transfer.aspx", doc)
        self.assertIsNone(lr_error(answer))
        self.assertEqual(len(receipts(answer)), 1)
        self.assertEqual(receipts(answer)[0]["Memo"], memo.replace("&", "&amp;")
                         .replace("<", "&lt;").replace(">", "&gt;"))
        self.assertEqual(balances(self.balance(DAVE))[0],
                         dave_usd - Decimal("2.00") - Decimal(extract_tag(answer, "Fee")[0]))

    def test_refused_transfers(self):
        rows = [
            (("U1000002", "LRUSD", "1,000.00", "", None, False), "Invalid amount"),
            (("U1000002", "LRUSD", "0", "", None, False), "Invalid amount"),
            (("U1000002", "LRUSD", "1.005", "", None, False), "Invalid amount"),
            (("U1000002", "LRGBP", "1", "", None, False), "Invalid currency"),
            (("U7654321", "LRUSD", "1", "", None, False), "Account not found"),
            (("U1000003", "LRUSD", "1", "", None, False), "Invalid payee"),
            (("U1000001", "LRUSD", "100000", "", None, False), "Insufficient funds"),
            # Elements added by a text that was not escaped are refused, never ignored.
            (("U1000002", "LRUSD", "1", "</Memo><Amount>999</Amount><Memo>", None, False),
             "Invalid request"),
            (("U1000002", "LRUSD", "1", "<b>x</b>", None, False), "Invalid request"),
            (("U1000002", "LRUSD", "1", "</Memo><Extra/><Memo>", None, False), "Invalid request"),
        ]
        for transfer, text in rows:
            with self.subTest(text=text, amount=transfer[2], payee=transfer[0]):
                _, answer = self.client.lr("/xml/transfer.aspx",
                                           transfer_request(FRANK, [transfer]))
                self.assertEqual(extract_tag(answer, "Text")[0], text)
        # A payer that is not the authenticated account.
        doc = transfer_request(FRANK, [("U1000002", "LRUSD", "1", "", None, False)])
        _, answer = self.client.lr("/xml/transfer.aspx",
                                   doc.replace("<Payer>U1000003</Payer>",
                                               "<Payer>U1000001</Payer>"))
        self.assertIn("<Error>", answer)

    def test_mass_payment_and_history_pages(self):
        lines = [("U1000003", "LRUSD", "0.%02d" % (i % 90 + 1), "row %d" % i, None, False)
                 for i in range(60)]
        lines.insert(1, ("U1000002", "LRUSD", "x", "bad amount", None, False))
        started = time.time()
        _, answer = self.client.lr("/xml/transfer.aspx", transfer_request(DAVE, lines))
        # Reading in order: receipt, error, then 60 receipts, each at the front of the rest.
        text, rest = extract_tag(answer, "Receipt", True)
        self.assertEqual(extract_tag(text, "Memo")[0], "row 0")
        self.assertTrue(rest.startswith("<Error>"))
        text, rest = extract_tag(rest, "Error", True)
        self.assertEqual(extract_tag(text, "Text")[0], "Invalid amount")
        count = 0
        while rest:
            self.assertFalse(rest.startswith("<Error>"))
            text, rest = extract_tag(rest, "Receipt", True)
            count += 1
            self.assertEqual(Decimal(extract_tag(text, "Amount")[0]).copy_abs(),
                             Decimal(lines[count + 1][2]))
        self.assertEqual(count, 59)

        prefix = history_prefix(FRANK, started - 60, time.time())
        seen = []
        page_number = 1
        while True:
            _, page = self.client.lr("/xml/history.aspx", history_page(prefix, page_number))
            self.assertIsNone(lr_error(page))
            rows = receipts(page)
            self.assertLessEqual(len(rows), 50)
            seen += rows
            number = int(extract_tag(page, "PageNumber")[0])
            pages = int(extract_tag(page, "PageCount")[0])
            if number >= pages:
                break
            page_number = number + 1
        self.assertEqual(page_number, 2)
        self.assertEqual(len(seen), 60)
        self.assertEqual(len({r["ReceiptId"] for r in seen}), 60)
        self.assertTrue(all(r["PayerName"] == "Dave Reserve" and r["Payer"] == "U1000001"
                            and Decimal(r["Amount"]) > 0 for r in seen))
        ids = [int(r["ReceiptId"]) for r in seen]
        self.assertEqual(ids, sorted(ids, reverse=True))  # newest first

    def test_layout_switches_space_elements_and_put_the_pager_first(self):
        def layout(**switches):
            status, value = self.client.control("POST", "/control/lr-layout", switches)
            self.assertEqual(status, 200)
            return value

        def pager(page):
            return [extract_tag(page, name)[0] for name in ("PageNumber", "PageCount")]

        lines = [("U1000002", "LRUSD", "0.05", "spaced %d" % i, None, False) for i in range(2)]
        lines.insert(1, ("U1000003", "LRUSD", "x", "bad amount", None, False))
        now = time.time()
        prefix = history_prefix(ERIN, now - 60, now + 60)
        wanted = ["U1000003", "U7654321"]
        _, plain_names = self.client.lr("/xml/accountname.aspx", account_name_request(DAVE, wanted))
        self.assertEqual(layout(spaced=True, pager_first=True), {"spaced": True, "pager_first": True})
        try:
            _, names = self.client.lr("/xml/accountname.aspx", account_name_request(DAVE, wanted))
            _, paid = self.client.lr("/xml/transfer.aspx", transfer_request(DAVE, lines))
            _, page = self.client.lr("/xml/history.aspx", history_page(prefix, 1))
        finally:
            self.assertEqual(layout(spaced=False, pager_first=False),
                             {"spaced": False, "pager_first": False})
        _, plain_page = self.client.lr("/xml/history.aspx", history_page(prefix, 1))

        # The same data, with white space between elements (never inside an empty one).
        self.assertIn("</AccountName>\r\n<Error>\r\n  <Code>300</Code>", names)
        self.assertEqual(re.sub(r">\s+<", "><", names).strip(), plain_names)
        self.assertRegex(paid, r"\A<Receipt>\r\n  <ReceiptId>\d+</ReceiptId>\r\n")
        self.assertIn("</Receipt>\r\n<Error>\r\n  <Code>400</Code>", paid)
        self.assertEqual([r["Memo"] for r in receipts(paid)], ["spaced 0", "spaced 1"])
        # The pager first, the receipts the same as in the default layout.
        self.assertLess(page.index("<Pager>"), page.index("<Receipt>"))
        self.assertGreater(plain_page.index("<Pager>"), plain_page.index("<Receipt>"))
        self.assertEqual(pager(page), pager(plain_page))
        self.assertEqual(receipts(page), receipts(plain_page))
        self.assertIn("spaced 1", [r["Memo"] for r in receipts(page)])
        self.assertEqual(self.client.control("POST", "/control/lr-layout", {"crooked": True})[0],
                         400)

    def test_history_dates_are_day_before_month(self):
        now = time.time()
        prefix = history_prefix(DAVE, now - 30 * 86400, now)
        _, page = self.client.lr("/xml/history.aspx", history_page(prefix, 1))
        self.assertIsNone(lr_error(page))
        self.assertGreaterEqual(len(receipts(page)), 2)  # the opening deposits
        # 2026-31-12 is day 31 of December; read month-first it would be month 31.
        good = prefix.replace(prefix[prefix.index("<From>"):prefix.index("</Till>")],
                              "<From>2026-01-12 00:00:00</From><Till>2026-31-12 23:59:00")
        _, page = self.client.lr("/xml/history.aspx", history_page(good, 1))
        self.assertIsNone(lr_error(page))
        bad = prefix.replace(prefix[prefix.index("<From>"):prefix.index("</Till>")],
                             "<From>2026-12-01 00:00:00</From><Till>2026-12-31 23:59:00")
        _, page = self.client.lr("/xml/history.aspx", history_page(bad, 1))
        self.assertTrue(lr_error(page).startswith("Error 405"))


if __name__ == "__main__":
    unittest.main()
