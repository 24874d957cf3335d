"""The sandbox's books: demo accounts of both payment systems, their balances, transfers with
batch numbers and fees, and the history that follows them. Kept in one JSON document in the
state folder, rewritten atomically after every change."""

import contextlib
import json
import os
import random
import tempfile
import threading
import time
from decimal import Decimal, InvalidOperation, ROUND_HALF_UP

METALS = ("Gold", "Silver", "Platinum", "Palladium")
CURRENCIES = ("LRUSD", "LREUR")

OUNCE = Decimal("0.000001")   # e-gold keeps balances to the millionth of a troy ounce
CENT = Decimal("0.01")        # Liberty Reserve keeps cents
GRAMS_PER_OUNCE = Decimal("31.1034768")

# Base prices of one troy ounce in US dollars; the rates page drifts around them.
BASE_PRICES_USD = {"Gold": Decimal("650.00"), "Silver": Decimal("12.50"),
                   "Platinum": Decimal("1200.00"), "Palladium": Decimal("320.00")}
EUR_IN_USD = Decimal("1.25")

# e-gold "PAY_IN" unit codes of the currency equivalents: US dollars per unit.
# The old euro-zone currencies go through their fixed euro conversion rates.
_EURO_LEGACY = {87: "13.7603", 86: "40.3399", 96: "15.6466", 95: "5.94573", 33: "6.55957",
                49: "1.95583", 88: "340.750", 90: "0.787564", 91: "1936.27", 97: "3.4528",
                92: "40.3399", 93: "2.20371", 94: "200.482", 89: "166.386"}
USD_PER_UNIT = {1: Decimal("1"), 85: EUR_IN_USD, 61: Decimal("0.75"), 44: Decimal("1.85"),
                2: Decimal("0.85"), 81: Decimal("0.0088"), 41: Decimal("0.80")}
for _code, _rate in _EURO_LEGACY.items():
    USD_PER_UNIT[_code] = EUR_IN_USD / Decimal(_rate)
PAY_IN_OUNCES = 9999
PAY_IN_GRAMS = 8888

# History kinds of e-gold and the query items that select them.
EGOLD_TYPE_FILTERS = {
    "paymentsreceived": ("Payment Received",),
    "paymentsmade": ("Payment Made",),
    "inexchanges": ("InExchange",),
    "outexchanges": ("OutExchange",),
    "redemptions": ("Redemption",),
    "bailments": ("Bailment",),
    "fees": ("Payment Receive Fee", "Storage Fee"),
    "incentives": ("Incentive Payment",),
}

# The demo accounts. Their secrets are demo secrets, listed in sandbox/README.md.
DEMO_EGOLD = [
    {"id": "1001001", "name": "Alice Goldsmith", "passphrase": "alice gold 2006",
     "balances": {"Gold": "12.5", "Silver": "150", "Platinum": "0.8", "Palladium": "1.2"}},
    {"id": "1001002", "name": "Bob Metals", "passphrase": "bobmetals77",
     "balances": {"Gold": "3.25", "Silver": "0", "Platinum": "0", "Palladium": "0"}},
    {"id": "1001003", "name": "Carol Empty", "passphrase": "carol-demo",
     "balances": {"Gold": "0", "Silver": "0", "Platinum": "0", "Palladium": "0"}},
]
DEMO_LR = [
    {"id": "U1000001", "name": "Dave Reserve", "apis": {"daveapi": "davesecret"},
     "balances": {"LRUSD": "1500.00", "LREUR": "250.00"}},
    {"id": "U1000002", "name": "Erin Shop", "apis": {"erinshop": "erinword"},
     "balances": {"LRUSD": "20.00", "LREUR": "0.00"}},
    {"id": "U1000003", "name": "Frank Zero", "apis": {"frankapi": "frankword"},
     "balances": {"LRUSD": "0.00", "LREUR": "0.00"}},
]
# Counterparts of the opening history entries; they are no accounts of the sandbox.
EGOLD_EXCHANGER = ("100", "GoldExchange Demo")
LR_EXCHANGER = ("U0000100", "LR Exchanger Demo")


def generated_egold(n):
    return {"id": str(2000000 + n), "name": "Bench e-gold %d" % n,
            "passphrase": "bench-pass-%d" % n,
            "balances": {"Gold": "1.5", "Silver": "10", "Platinum": "0", "Palladium": "0"}}


def generated_lr(n):
    return {"id": "U%d" % (2000000 + n), "name": "Bench LR %d" % n,
            "apis": {"bench%d" % n: "bench-word-%d" % n},
            "balances": {"LRUSD": "100.00", "LREUR": "10.00"}}


class LedgerError(Exception):
    """A refused operation. `code`, `text` and `description` follow the Liberty Reserve error
    block; e-gold pages show `text`."""

    def __init__(self, code, text, description=""):
        super().__init__(text)
        self.code = code
        self.text = text
        self.description = description


def parse_amount(text, places):
    """A plain decimal amount as a client types it: digits with an optional point and at most
    `places` decimals. Anything else (signs, thousands separators, blanks) is refused."""
    if text is None:
        return None
    t = text
    if not t or len(t) > 24:
        return None
    digits = t.replace(".", "", 1)
    if not digits.isdigit() or not t.isascii():
        return None
    if "." in t and len(t.split(".", 1)[1]) > places:
        return None
    try:
        return Decimal(t)
    except InvalidOperation:
        return None


def fmt_ounces(value):
    q = Decimal(value).quantize(OUNCE, rounding=ROUND_HALF_UP)
    s = format(q, "f")
    if "." in s:
        s = s.rstrip("0").rstrip(".")
    return "0" if s in ("", "-0") else s


def fmt_money(value):
    return format(Decimal(value).quantize(CENT, rounding=ROUND_HALF_UP), "f")


def write_atomic(path, text):
    """Writes a file so that a reader sees either the old or the new content: a new file in
    the same folder, flushed and synced, renamed over the old one; mode 0600."""
    folder = os.path.dirname(os.path.abspath(path))
    fd, tmp = tempfile.mkstemp(prefix=".tmp-", dir=folder)
    try:
        os.fchmod(fd, 0o600)
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.write(text)
            f.flush()
            os.fsync(f.fileno())
        os.replace(tmp, path)
    except BaseException:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        raise
    try:
        dfd = os.open(folder, os.O_RDONLY)
        try:
            os.fsync(dfd)
        finally:
            os.close(dfd)
    except OSError:
        pass


class Ledger:
    """All money of the sandbox. Every public method takes the one lock, so a transfer is
    atomic with respect to every other request."""

    STATE_FILE = "state.json"

    def __init__(self, state_dir, demo_accounts=0, lockout_attempts=5, lockout_seconds=1800,
                 clock=time.time):
        self.state_dir = state_dir
        self.path = os.path.join(state_dir, self.STATE_FILE)
        self.lock = threading.RLock()
        self._deferred = threading.local()
        self.lockout_attempts = lockout_attempts
        self.lockout_seconds = lockout_seconds
        self.clock = clock
        self.prices = dict(BASE_PRICES_USD)
        self._rng = random.Random()
        if os.path.exists(self.path):
            with open(self.path, encoding="utf-8") as f:
                self.state = json.load(f)
        else:
            self.state = {"version": 1,
                          "egold": {"accounts": {}, "next_batch": 41000001, "history": []},
                          "lr": {"accounts": {}, "next_receipt": 10450001, "receipts": []},
                          "emails": []}
        changed = False
        for spec in DEMO_EGOLD:
            changed |= self._add_egold(spec)
        for spec in DEMO_LR:
            changed |= self._add_lr(spec)
        for n in range(1, demo_accounts + 1):
            changed |= self._add_egold(generated_egold(n))
            changed |= self._add_lr(generated_lr(n))
        if changed or not os.path.exists(self.path):
            self.save()

    # ----- persistence -----------------------------------------------------------------

    def save(self):
        if getattr(self._deferred, "depth", 0):
            self._deferred.dirty = True
            return
        with self.lock:
            write_atomic(self.path, json.dumps(self.state, indent=1, sort_keys=True))

    @contextlib.contextmanager
    def deferred_save(self):
        """Within the block, this thread's changes are written once, at its end (a mass
        payment of a thousand transfers would otherwise rewrite the state a thousand times)."""
        self._deferred.depth = getattr(self._deferred, "depth", 0) + 1
        try:
            yield
        finally:
            self._deferred.depth -= 1
            if self._deferred.depth == 0 and getattr(self._deferred, "dirty", False):
                self._deferred.dirty = False
                self.save()

    def _add_egold(self, spec):
        accounts = self.state["egold"]["accounts"]
        if spec["id"] in accounts:
            return False
        accounts[spec["id"]] = {"name": spec["name"], "passphrase": spec["passphrase"],
                                "balances": dict(spec["balances"]), "failed_logins": 0,
                                "locked_until": 0}
        now = self.clock()
        for i, metal in enumerate(METALS):
            oz = Decimal(spec["balances"][metal])
            if oz > 0:
                usd = oz * self.prices[metal]
                self._egold_entry(spec["id"], "Payment Received", now - 86400 * (7 - i),
                                  metal, oz, usd, EGOLD_EXCHANGER[0], EGOLD_EXCHANGER[1],
                                  "Opening deposit", "", self._next_batch())
        return True

    def _add_lr(self, spec):
        accounts = self.state["lr"]["accounts"]
        if spec["id"] in accounts:
            return False
        accounts[spec["id"]] = {"name": spec["name"], "apis": dict(spec["apis"]),
                                "balances": dict(spec["balances"])}
        now = self.clock()
        for i, cur in enumerate(CURRENCIES):
            amount = Decimal(spec["balances"][cur])
            if amount > 0:
                rid = self._next_receipt()
                self.state["lr"]["receipts"].append({
                    "id": rid, "time": now - 86400 * (3 - i), "payer": LR_EXCHANGER[0],
                    "payer_name": LR_EXCHANGER[1], "payee": spec["id"],
                    "payee_name": spec["name"], "currency": cur, "amount": fmt_money(amount),
                    "fee": "0.00", "memo": "Opening deposit", "transfer_id": "",
                    "anonymous": False, "payer_balance": "0.00",
                    "payee_balance": fmt_money(amount)})
        return True

    def _next_batch(self):
        eg = self.state["egold"]
        batch = eg["next_batch"]
        eg["next_batch"] = batch + 1
        return batch

    def _next_receipt(self):
        lr = self.state["lr"]
        rid = lr["next_receipt"]
        lr["next_receipt"] = rid + 1
        return rid

    # ----- market ------------------------------------------------------------------------

    def drift_prices(self):
        """Moves each price by a small random step, staying within 5% of its base price.
        Returns the new prices in US dollars."""
        with self.lock:
            for metal in METALS:
                base = BASE_PRICES_USD[metal]
                step = Decimal(self._rng.uniform(-0.003, 0.003)).quantize(Decimal("0.0001"))
                price = self.prices[metal] * (1 + step)
                price = min(max(price, base * Decimal("0.95")), base * Decimal("1.05"))
                self.prices[metal] = price.quantize(CENT)
            return dict(self.prices)

    # ----- e-gold ------------------------------------------------------------------------

    def egold_account(self, account_id):
        with self.lock:
            acct = self.state["egold"]["accounts"].get(account_id)
            return json.loads(json.dumps(acct)) if acct else None

    def egold_login(self, account_id, passphrase):
        """Returns "ok", "login" (wrong account or pass phrase) or "locked". Too many failed
        logins in a row lock the account for a while."""
        with self.lock:
            acct = self.state["egold"]["accounts"].get(account_id or "")
            if acct is None:
                return "login"
            now = self.clock()
            if acct.get("locked_until", 0) > now:
                return "locked"
            if passphrase is not None and passphrase == acct["passphrase"]:
                if acct.get("failed_logins"):
                    acct["failed_logins"] = 0
                    self.save()
                return "ok"
            acct["failed_logins"] = acct.get("failed_logins", 0) + 1
            if self.lockout_attempts and acct["failed_logins"] >= self.lockout_attempts:
                acct["failed_logins"] = 0
                acct["locked_until"] = now + self.lockout_seconds
                self.save()
                return "locked"
            self.save()
            return "login"

    def unlock(self, account_id):
        with self.lock:
            acct = self.state["egold"]["accounts"].get(account_id)
            if acct is None:
                return False
            acct["locked_until"] = 0
            acct["failed_logins"] = 0
            self.save()
            return True

    def egold_quote(self, payer, payee, amount_text, pay_in_text, worth_of):
        """Checks a payment and works out its weight. Returns (ounces, usd, payee_name,
        first_time)."""
        with self.lock:
            accounts = self.state["egold"]["accounts"]
            if not (payee or "").isdigit() or payee not in accounts:
                raise LedgerError(300, "Invalid Payee_Account",
                                  "There is no e-gold account %s" % (payee or ""))
            if payee == payer:
                raise LedgerError(404, "Cannot spend to the same account")
            if worth_of not in METALS:
                raise LedgerError(403, "Invalid WORTH_OF", "Unknown metal %s" % worth_of)
            try:
                pay_in = int(pay_in_text)
            except (TypeError, ValueError):
                pay_in = -1
            amount = parse_amount(amount_text, 8)
            if amount is None or amount <= 0:
                raise LedgerError(400, "Invalid Amount",
                                  "The amount must be a number above zero")
            price = self.prices[worth_of]
            if pay_in == PAY_IN_OUNCES:
                ounces = amount
            elif pay_in == PAY_IN_GRAMS:
                ounces = amount / GRAMS_PER_OUNCE
            elif pay_in in USD_PER_UNIT:
                ounces = amount * USD_PER_UNIT[pay_in] / price
            else:
                raise LedgerError(402, "Invalid PAY_IN", "Unknown units %s" % pay_in_text)
            ounces = ounces.quantize(OUNCE, rounding=ROUND_HALF_UP)
            if ounces <= 0:
                raise LedgerError(400, "Invalid Amount", "The amount is below the smallest unit")
            if Decimal(accounts[payer]["balances"][worth_of]) < ounces:
                raise LedgerError(401, "Insufficient funds",
                                  "The account does not hold enough %s" % worth_of)
            usd = (ounces * price).quantize(CENT, rounding=ROUND_HALF_UP)
            first = not any(e["account"] == payer and e["counter"] == payee
                            and e["type"] == "Payment Made"
                            for e in self.state["egold"]["history"])
            return ounces, usd, accounts[payee]["name"], first

    def egold_spend(self, payer, payee, amount_text, pay_in_text, worth_of, memo, payment_id):
        """Moves metal from payer to payee. The payee pays a receive fee of 1% of the weight,
        at most half a dollar's worth. Returns the receipt as a dict."""
        with self.lock:
            ounces, usd, payee_name, _ = self.egold_quote(payer, payee, amount_text,
                                                          pay_in_text, worth_of)
            accounts = self.state["egold"]["accounts"]
            price = self.prices[worth_of]
            fee = min(ounces / 100, Decimal("0.50") / price).quantize(OUNCE, ROUND_HALF_UP)
            fee = max(fee, OUNCE) if ounces > OUNCE else Decimal(0)
            src = accounts[payer]["balances"]
            dst = accounts[payee]["balances"]
            src[worth_of] = fmt_ounces(Decimal(src[worth_of]) - ounces)
            dst[worth_of] = fmt_ounces(Decimal(dst[worth_of]) + ounces - fee)
            batch = self._next_batch()
            now = self.clock()
            memo = (memo or "").replace("\r", " ").replace("\n", " ")
            payment_id = (payment_id or "").replace("\r", " ").replace("\n", " ")
            self._egold_entry(payer, "Payment Made", now, worth_of, -ounces, usd, payee,
                              payee_name, memo, payment_id, batch)
            self._egold_entry(payee, "Payment Received", now, worth_of, ounces, usd, payer,
                              accounts[payer]["name"], memo, payment_id, batch)
            if fee > 0:
                self._egold_entry(payee, "Payment Receive Fee", now, worth_of, -fee,
                                  (fee * price).quantize(CENT, ROUND_HALF_UP), "", "",
                                  "Receive fee for batch %d" % batch, "", batch)
            self.save()
            return {"batch": batch, "ounces": fmt_ounces(ounces), "usd": fmt_money(usd),
                    "fee": fmt_ounces(fee), "payee_name": payee_name, "metal": worth_of,
                    "price": fmt_money(price)}

    def _egold_entry(self, account, kind, when, metal, ounces, usd, counter, counter_name,
                     memo, payment_id, batch):
        self.state["egold"]["history"].append({
            "batch": batch, "time": when, "account": account, "type": kind, "metal": metal,
            "ounces": fmt_ounces(ounces), "usd": fmt_money(abs(Decimal(usd))),
            "price": fmt_money(self.prices[metal]), "counter": counter,
            "counter_name": counter_name, "memo": memo, "payment_id": payment_id})

    def egold_history(self, account, start, end, kinds, batch=None, counter=None,
                      payment_id=None, sort="tstamp", desc=False):
        """History lines of an account between two epoch times (end excluded), of the given
        kinds, with the optional filters."""
        with self.lock:
            rows = [dict(e) for e in self.state["egold"]["history"]
                    if e["account"] == account and start <= e["time"] < end
                    and e["type"] in kinds
                    and (batch is None or str(e["batch"]) == batch)
                    and (counter is None or e["counter"] == counter)
                    and (payment_id is None or e["payment_id"] == payment_id)]
        key = (lambda e: (e["batch"], e["time"])) if sort == "batch_num" else \
            (lambda e: (e["time"], e["batch"]))
        rows.sort(key=key, reverse=desc)
        return rows

    # ----- Liberty Reserve ---------------------------------------------------------------

    def lr_account(self, account_id):
        with self.lock:
            acct = self.state["lr"]["accounts"].get(account_id)
            return json.loads(json.dumps(acct)) if acct else None

    def lr_transfer(self, payer, payee, currency, amount_text, memo, transfer_id, anonymous,
                    transfer_type="transfer"):
        """One Liberty Reserve transfer. The payer pays the fee: 1% of the amount, at least one
        cent and at most 2.99, and 0.75 more for a private payment. Returns the receipt."""
        with self.lock:
            accounts = self.state["lr"]["accounts"]
            if transfer_type != "transfer":
                raise LedgerError(403, "Invalid transfer type",
                                  "TransferType must be transfer")
            if currency not in CURRENCIES:
                raise LedgerError(402, "Invalid currency", "Unknown currency %s" % currency)
            if payee not in accounts:
                raise LedgerError(300, "Account not found",
                                  "Account %s does not exist" % payee)
            if payee == payer:
                raise LedgerError(404, "Invalid payee",
                                  "Payer and payee are the same account")
            amount = parse_amount(amount_text, 2)
            if amount is None or amount <= 0:
                raise LedgerError(400, "Invalid amount",
                                  "Amount must be a number above zero with at most two decimals")
            fee = min(max((amount / 100).quantize(CENT, ROUND_HALF_UP), CENT), Decimal("2.99"))
            if anonymous:
                fee += Decimal("0.75")
            src = accounts[payer]["balances"]
            dst = accounts[payee]["balances"]
            if Decimal(src[currency]) < amount + fee:
                raise LedgerError(401, "Insufficient funds",
                                  "Balance is lower than amount plus fee %s" % fmt_money(fee))
            src[currency] = fmt_money(Decimal(src[currency]) - amount - fee)
            dst[currency] = fmt_money(Decimal(dst[currency]) + amount)
            receipt = {"id": self._next_receipt(), "time": self.clock(), "payer": payer,
                       "payer_name": accounts[payer]["name"], "payee": payee,
                       "payee_name": accounts[payee]["name"], "currency": currency,
                       "amount": fmt_money(amount), "fee": fmt_money(fee), "memo": memo or "",
                       "transfer_id": transfer_id or "", "anonymous": bool(anonymous),
                       "payer_balance": src[currency], "payee_balance": dst[currency]}
            self.state["lr"]["receipts"].append(receipt)
            self.save()
            return dict(receipt)

    def lr_history(self, account, start, end, corresponding=None, transfer_id=None,
                   receipt_id=None):
        """Receipts of an account between two epoch times (end excluded), newest first."""
        with self.lock:
            rows = []
            for r in self.state["lr"]["receipts"]:
                if account not in (r["payer"], r["payee"]):
                    continue
                if not start <= r["time"] < end:
                    continue
                other = r["payee"] if r["payer"] == account else r["payer"]
                if corresponding is not None and other != corresponding:
                    continue
                if transfer_id is not None and r["transfer_id"] != transfer_id:
                    continue
                if receipt_id is not None and str(r["id"]) != receipt_id:
                    continue
                rows.append(dict(r))
        rows.sort(key=lambda r: (r["time"], r["id"]), reverse=True)
        return rows

    # ----- vendor ------------------------------------------------------------------------

    def add_email(self, notice):
        with self.lock:
            emails = self.state.setdefault("emails", [])
            emails.append(notice)
            del emails[:-1000]
            self.save()

    def emails(self):
        with self.lock:
            return [dict(e) for e in self.state.get("emails", [])]

    def summary(self):
        """Balances of every account, without secrets."""
        with self.lock:
            eg = {k: {"name": a["name"], "balances": dict(a["balances"]),
                      "locked": a.get("locked_until", 0) > self.clock()}
                  for k, a in self.state["egold"]["accounts"].items()}
            lr = {k: {"name": a["name"], "balances": dict(a["balances"])}
                  for k, a in self.state["lr"]["accounts"].items()}
            # The payments made, as the servers took them (texts decoded), oldest first.
            eg_paid = [{"batch": e["batch"], "payer": e["account"], "payee": e["counter"],
                        "metal": e["metal"], "ounces": e["ounces"], "memo": e["memo"],
                        "payment_id": e["payment_id"]}
                       for e in self.state["egold"]["history"] if e["type"] == "Payment Made"]
            lr_paid = [{"id": r["id"], "payer": r["payer"], "payee": r["payee"],
                        "currency": r["currency"], "amount": r["amount"], "fee": r["fee"],
                        "memo": r["memo"], "transfer_id": r["transfer_id"]}
                       for r in self.state["lr"]["receipts"]]
            return {"egold": eg, "liberty_reserve": lr, "egold_payments": eg_paid,
                    "lr_receipts": lr_paid}
