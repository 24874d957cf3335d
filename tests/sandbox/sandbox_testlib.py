"""Shared by the sandbox tests: starting a sandbox on free ports in a temporary state folder,
and a client that builds requests exactly as the wallet does (its form encoding, UrlEncode,
request id, Auth block and token) and reads answers with the wallet's tag extractor."""

import hashlib
import http.client
import json
import os
import shutil
import socket
import ssl
import sys
import tempfile
import time
import unittest
import urllib.parse

SOURCE_DIR = os.environ.get("NUMMORA_SOURCE_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SANDBOX_DIR = os.path.join(SOURCE_DIR, "sandbox")
SANDBOX_SCRIPT = os.path.join(SANDBOX_DIR, "nummora_sandbox.py")
if SANDBOX_DIR not in sys.path:
    sys.path.insert(0, SANDBOX_DIR)

import nummora_sandbox  # noqa: E402

# Demo accounts (sandbox/README.md).
ALICE = ("1001001", "alice gold 2006")
BOB = ("1001002", "bobmetals77")
CAROL = ("1001003", "carol-demo")
DAVE = ("U1000001", "daveapi", "davesecret")
ERIN = ("U1000002", "erinshop", "erinword")
FRANK = ("U1000003", "frankapi", "frankword")


# ----- the wallet's text routines ------------------------------------------------------------

def url_encode(text):
    out = []
    for ch in text:
        if ch == "\0":
            break
        if ch in "*-._@" or "A" <= ch <= "Z" or "a" <= ch <= "z":
            out.append(ch)
        elif ch == " ":
            out.append("+")
        else:
            out.append("%%%.2x" % ord(ch))
    return "".join(out)


def form_body(form_text):
    """The worker's form encoding of a form text (one field per line)."""
    lines = form_text.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    encoded = []
    for line in lines:
        if "=" in line:
            name, value = line.split("=", 1)
            value = "".join("%%%02X" % ord(c) if c in " #%&+*<>[]" or ord(c) < 33 or ord(c) > 128
                            else c for c in value)
            encoded.append(name + "=" + value)
        else:
            encoded.append(line)
    body = "".join(line + "\r\n" for line in encoded).strip("".join(chr(i) for i in range(33)))
    if len(lines) >= 2:
        body = body.replace("\r\n", "&")
    return body


def extract_tag(source, name, consume=False):
    """The wallet's tag extractor (prefix match, positions from 1). Returns (text, source)."""
    def pos(sub, start):
        return source.find(sub, max(start, 1) - 1) + 1

    if not source:
        return "", source
    a = pos("<" + name, 1)
    b = pos(">", a + 1)
    d = pos("</" + name + ">", b)
    result = source[b:d - 1] if d > b + 1 else ""
    if consume:
        f = pos(">", d)
        source = source[f:f + 10000000]
    return result, source


def hidden_input(name, page):
    p = '<input type=hidden name=%s value="' % name
    i = page.find(p)
    if i < 0:
        return ""
    chunk = page[i + len(p):i + len(p) + 50]
    j = chunk.find('">')
    return chunk[:j] if j >= 0 else ""


def egold_error(page, account):
    if "Could not login to account." in page:
        return ("Could not login to account %s. Either Automation Access not enabled, IP "
                "Attribute does not match, or PassPhrase is incorrect." % account)
    i = page.find("<input type=hidden name=ERROR")
    if i >= 0:
        chunk = page[i + 37:i + 37 + 9999]
        j = chunk.find('">')
        return chunk[:j] if j >= 0 else ""
    return ""


def egold_balances(page):
    """The wallet's balance page reading: "login", "locked" or the four balances."""
    if "Could not login to account" in page:
        return "login"
    if "The account you have attempted to access is currently locked out" in page:
        return "locked"
    if ('<font face="Arial, Helvetica, sans-serif" size="2"><i>none</i></font></td>') in page:
        return [0.0, 0.0, 0.0, 0.0]
    out = []
    for name in ("Gold_Ounces", "Silver_Ounces", "Platinum_Ounces", "Palladium_Ounces"):
        i = page.find(name)
        if i < 0:
            out.append(0.0)
            continue
        chunk = page[i + len(name) + 8:i + len(name) + 28]
        j = chunk.find('"')
        try:
            out.append(float(chunk[:j]) if j >= 0 else 0.0)
        except ValueError:
            out.append(0.0)
    return out


def lr_error(answer):
    if "<Error>" not in answer:
        return None
    return "Error %s: %s (%s)" % (extract_tag(answer, "Code")[0], extract_tag(answer, "Text")[0],
                                  extract_tag(answer, "Description")[0])


def request_id(when=None):
    when = time.time() if when is None else when
    t = time.localtime(when)
    return "1%02d%02d%02d%02d%02d%02d%03d" % (t.tm_year % 100, t.tm_mday, t.tm_mon, t.tm_hour,
                                              t.tm_min, t.tm_sec, int(when * 1000) % 1000)


def token(word, when=None):
    t = time.gmtime(time.time() if when is None else when)
    text = "%s:%04d%02d%02d:%02d" % (word, t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour)
    return hashlib.sha256(text.encode("latin-1")).hexdigest().upper()


def auth_block(api, word, when=None):
    return ("<Auth>\r\n<ApiName>%s</ApiName>\r\n<Token>%s</Token>\r\n</Auth>\r\n"
            % (api, token(word, when)))


def lr_date(when):
    t = time.gmtime(when)
    return "%04d-%02d-%02d %02d:%02d:00" % (t.tm_year, t.tm_mday, t.tm_mon, t.tm_hour, t.tm_min)


def balance_request(account, when=None):
    acct, api, word = account
    return ('<BalanceRequest id="%s">' % request_id() + auth_block(api, word, when)
            + "<Balance><CurrencyId>LRUSD</CurrencyId><AccountId>%s</AccountId></Balance>" % acct
            + "<Balance><CurrencyId>LREUR</CurrencyId><AccountId>%s</AccountId></Balance>" % acct
            + "</BalanceRequest>")


def account_name_request(account, wanted):
    acct, api, word = account
    doc = '<AccountNameRequest id="%s">\r\n' % request_id() + auth_block(api, word)
    for w in wanted:
        doc += ("<AccountName><AccountId>%s</AccountId><AccountToRetrieve>%s"
                "</AccountToRetrieve></AccountName>" % (acct, w))
    return doc + "</AccountNameRequest>"


def transfer_request(account, transfers, single=False):
    """transfers: (payee, currency, amount, memo, transfer_id or None, anonymous)."""
    acct, api, word = account
    doc = '<TransferRequest id="%s">\r\n' % request_id() + auth_block(api, word)
    for payee, cur, amount, memo, tid, anon in transfers:
        if single:
            doc += ("<Transfer><TransferId>%s</TransferId><TransferType>transfer</TransferType>"
                    "<Payer>%s</Payer><Payee>%s</Payee><CurrencyId>%s</CurrencyId>"
                    "<Amount>%s</Amount><Memo>%s</Memo><Anonymous>%s</Anonymous></Transfer>"
                    % (tid or "", acct, payee, cur, amount, memo, "True" if anon else "False"))
        else:
            doc += ("<Transfer><TransferType>transfer</TransferType><Payer>%s</Payer>"
                    "<Payee>%s</Payee><CurrencyId>%s</CurrencyId><Amount>%s</Amount>"
                    "<Memo>%s</Memo>%s</Transfer>"
                    % (acct, payee, cur, amount, memo,
                       "<TransferId>%s</TransferId>" % tid if tid is not None else ""))
    return doc + "</TransferRequest>"


def history_prefix(account, start, till, filters=""):
    acct, api, word = account
    return ('<HistoryRequest id="%s">' % request_id() + auth_block(api, word)
            + "<History><AccountId>%s</AccountId><From>%s</From><Till>%s</Till>%s"
            % (acct, lr_date(start), lr_date(till), filters))


def history_page(prefix, page):
    return (prefix + "<Pager><PageSize>50</PageSize><PageNumber>%d</PageNumber></Pager>" % page
            + "</History></HistoryRequest>")


# ----- running a sandbox -------------------------------------------------------------------

class Client:
    def __init__(self, urls, ca_file, timeout=10):
        self.urls = urls
        self.ca_file = ca_file
        self.timeout = timeout
        self.context = ssl.create_default_context(cafile=ca_file)

    def request(self, base, path, body=None, method="POST",
                content_type="application/x-www-form-urlencoded", timeout=None):
        parts = urllib.parse.urlsplit(self.urls[base] if base in self.urls else base)
        if parts.scheme == "https":
            conn = http.client.HTTPSConnection(parts.hostname, parts.port, context=self.context,
                                               timeout=timeout or self.timeout)
        else:
            conn = http.client.HTTPConnection(parts.hostname, parts.port,
                                              timeout=timeout or self.timeout)
        try:
            headers = {"Accept": "text/html, */*"}
            data = None
            if body is not None:
                data = body.encode("latin-1") if isinstance(body, str) else body
                headers["Content-Type"] = content_type
            elif method == "POST":
                data = b""
                headers["Content-Type"] = content_type
            conn.request(method, path, body=data, headers=headers)
            resp = conn.getresponse()
            return resp.status, dict(resp.getheaders()), resp.read()
        finally:
            conn.close()

    def post_form(self, base, path, form_text, **kw):
        status, headers, body = self.request(base, path, form_body(form_text), **kw)
        return status, body.decode("latin-1")

    def egold(self, path, account, fields=(), query=""):
        acct, passphrase = account
        text = "AccountID=%s\r\nPassPhrase=%s" % (acct, passphrase)
        for line in fields:
            text += "\r\n" + line
        status, page = self.post_form("egold_secure", path + query, text)
        return status, page

    def lr(self, path, document, **kw):
        status, answer = self.post_form("liberty_reserve", path, "req=" + url_encode(document),
                                        **kw)
        return status, answer

    def control(self, method, path, value=None):
        body = json.dumps(value) if value is not None else None
        status, _, data = self.request("vendor", path, body, method=method,
                                       content_type="application/json")
        return status, json.loads(data.decode("utf-8"))

    def fault(self, **spec):
        status, value = self.control("POST", "/control/fault", spec)
        if status != 200:
            raise AssertionError("fault refused: %s" % value)
        return value

    def ledger(self):
        return self.control("GET", "/control/ledger")[1]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class SandboxCase(unittest.TestCase):
    """Runs one in-process sandbox on free ports for the test class, in a fresh state folder."""
    demo_accounts = 0
    lockout_attempts = 5

    @classmethod
    def setUpClass(cls):
        cls.state_dir = tempfile.mkdtemp(prefix="nummora-sandbox-test-")
        cls.sandbox = nummora_sandbox.Sandbox(cls.state_dir, demo_accounts=cls.demo_accounts,
                                              lockout_attempts=cls.lockout_attempts)
        cls.sandbox.start(0)
        cls.client = Client(cls.sandbox.urls, cls.sandbox.tls.ca_cert)

    @classmethod
    def tearDownClass(cls):
        cls.sandbox.stop()
        shutil.rmtree(cls.state_dir, ignore_errors=True)

    def tearDown(self):
        self.sandbox.faults.clear()
