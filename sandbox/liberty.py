"""The Liberty Reserve XML API over HTTPS. A request is one form field "req" holding the request
document URL-encoded twice; every answer is XML text."""

import datetime
import hashlib
import hmac
import math
import re
import time
import urllib.parse
import xml.etree.ElementTree as ET

from common import LATIN1, Response, not_found, transport_fault, xml_text
from ledger import CURRENCIES, LedgerError

ENDPOINTS = {
    "/xml/balance.aspx": "BalanceRequest",
    "/xml/accountname.aspx": "AccountNameRequest",
    "/xml/transfer.aspx": "TransferRequest",
    "/xml/history.aspx": "HistoryRequest",
}
# The form field as it arrives: the client's form encoding leaves letters, digits, "-", ".",
# "_", "@" and "+" as they are and writes "%" and "*" of the once-encoded document as %XX.
WIRE_BODY = re.compile(r"req=((?:[A-Za-z0-9\-._@+]|%[0-9A-F]{2})*)\Z")
# The once-encoded document: letters and "*-._@" as they are, "+" for a blank, every other
# byte as % and two lower-case hexadecimal digits (digits included).
ONCE_ENCODED = re.compile(r"(?:[A-Za-z*\-._@+]|%[0-9a-f]{2})*\Z")
AUTH_BLOCK = "<Auth>\r\n<ApiName>([^<]*)</ApiName>\r\n<Token>([^<]*)</Token>\r\n</Auth>\r\n"
DATE_FORM = re.compile(r"(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})\Z")
# Switches for how answers are laid out, as other servers write them; both are legal XML and
# carry the same data as the default layout.
LAYOUTS = {
    "spaced": "a line break and indentation between elements (never inside an empty element)",
    "pager_first": "the history Pager element before the receipts instead of after them",
}
TAG = re.compile(r"<(/?)[^<>]*?(/?)>")


def parse_layouts(names):
    """An iterable of layout switch names (or one comma-separated text) -> a set; unknown
    names raise ValueError."""
    if isinstance(names, str):
        names = names.split(",")
    chosen = {str(n).strip() for n in names if str(n).strip()}
    unknown = chosen - set(LAYOUTS)
    if unknown:
        raise ValueError("unknown layout %s; known: %s" % (", ".join(sorted(unknown)),
                                                          ", ".join(sorted(LAYOUTS))))
    return chosen


def spaced(text):
    """The answer with CR LF and two blanks per level of nesting between elements: between two
    tags that touch, except an opening tag directly followed by its closing tag (that would
    change an empty element's text)."""
    out = []
    depth = 0
    last_end = 0
    previous = None
    for m in TAG.finditer(text):
        between = text[last_end:m.start()]
        kind = "close" if m.group(1) else ("empty" if m.group(2) else "open")
        if kind == "close":
            depth = max(0, depth - 1)
        if previous is not None and not between and not (previous == "open" and kind == "close"):
            out.append("\r\n" + "  " * depth)
        out.append(between)
        out.append(m.group(0))
        if kind == "open":
            depth += 1
        previous = kind
        last_end = m.end()
    out.append(text[last_end:])
    return "".join(out) + "\r\n"


def token_for(word, when):
    """SHA-256 of security word + ":" + UTC date yyyymmdd + ":" + UTC hour hh, upper-case hex."""
    stamp = time.gmtime(when)
    text = "%s:%04d%02d%02d:%02d" % (word, stamp.tm_year, stamp.tm_mon, stamp.tm_mday,
                                     stamp.tm_hour)
    return hashlib.sha256(text.encode(LATIN1, "replace")).hexdigest().upper()


def lr_date(when):
    """The API's date form: year, day, month (day before month), hour, minute, second, UTC."""
    t = time.gmtime(when)
    return "%04d-%02d-%02d %02d:%02d:%02d" % (t.tm_year, t.tm_mday, t.tm_mon, t.tm_hour,
                                              t.tm_min, t.tm_sec)


def parse_lr_date(text):
    m = DATE_FORM.match(text or "")
    if not m:
        return None
    year, day, month, hour, minute, second = (int(g) for g in m.groups())
    try:
        dt = datetime.datetime(year, month, day, hour, minute, second,
                               tzinfo=datetime.timezone.utc)
    except ValueError:
        return None
    return dt.timestamp()


def error_xml(err):
    return ("<Error><Code>%s</Code><Text>%s</Text><Description>%s</Description></Error>"
            % (xml_text(err.code), xml_text(err.text), xml_text(err.description)))


def child_text(elem, name):
    found = elem.find(name)
    if found is None:
        return None
    return found.text or ""


class BadRequest(LedgerError):
    def __init__(self, text, description=""):
        super().__init__(100, text, description)


def decode_request(req, expected_root):
    """Checks the wire form of a request and returns (raw document, parsed root)."""
    if req.method != "POST":
        raise BadRequest("Invalid request", "Requests must be POSTed")
    if req.content_type != "application/x-www-form-urlencoded":
        raise BadRequest("Invalid request",
                         "Content type must be application/x-www-form-urlencoded")
    m = WIRE_BODY.match(req.body_text())
    if not m:
        raise BadRequest("Invalid request", "The body must be the one form field req")
    once = urllib.parse.unquote(m.group(1), encoding=LATIN1)
    if not ONCE_ENCODED.match(once):
        raise BadRequest("Invalid request", "The req field must hold the URL-encoded document")
    doc = urllib.parse.unquote_plus(once, encoding=LATIN1)
    req.notes["document"] = doc
    if "<!DOCTYPE" in doc or "<!ENTITY" in doc:
        raise BadRequest("Invalid request", "Document type declarations are not accepted")
    try:
        root = ET.fromstring(doc)
    except ET.ParseError as e:
        raise BadRequest("Malformed request document", str(e)) from None
    if root.tag != expected_root:
        raise BadRequest("Invalid request",
                         "Expected %s at this address, got %s" % (expected_root, root.tag))
    return doc, root


TRANSFER_ELEMENTS = ("TransferId", "TransferType", "Payer", "Payee", "CurrencyId", "Amount", "Memo",
                     "Anonymous")
ACCOUNT_NAME_ELEMENTS = ("AccountId", "AccountToRetrieve")


def check_children(elem, allowed, text_only=True):
    """Each child of `elem` must be one of `allowed` and (with `text_only`) come at most once
    and hold text only: an element added by text that escaped its own element is refused, not
    ignored."""
    seen = set()
    for child in elem:
        if child.tag not in allowed:
            raise BadRequest("Invalid request", "Unexpected element %s" % child.tag)
        if not text_only:
            continue
        if child.tag in seen:
            raise BadRequest("Invalid request", "Element %s given twice" % child.tag)
        if len(child):
            raise BadRequest("Invalid request", "Element %s must hold text only" % child.tag)
        seen.add(child.tag)


def request_account(root):
    if root.tag == "BalanceRequest":
        item = root.find("Balance")
        return child_text(item, "AccountId") if item is not None else None
    if root.tag == "AccountNameRequest":
        item = root.find("AccountName")
        return child_text(item, "AccountId") if item is not None else None
    if root.tag == "TransferRequest":
        item = root.find("Transfer")
        return child_text(item, "Payer") if item is not None else None
    if root.tag == "HistoryRequest":
        item = root.find("History")
        return child_text(item, "AccountId") if item is not None else None
    return None


class LibertySite:
    name = "liberty_reserve"

    def __init__(self, app, clock=time.time):
        self.app = app
        self.ledger = app.ledger
        self.clock = clock

    def handle(self, req):
        expected = ENDPOINTS.get(req.path)
        if expected is None:
            fault = self.app.faults.take(self.name, req.path, None)
            if fault:
                resp = transport_fault(fault, self.app.urls["liberty_reserve"] + "/moved/")
                if resp is not None:
                    return resp
            return not_found(req.path)
        root = None
        doc = ""
        problem = None
        try:
            doc, root = decode_request(req, expected)
        except LedgerError as e:
            problem = e
        account = request_account(root) if root is not None else None
        req.notes["account"] = account
        fault = self.app.faults.take(self.name, req.path, account)
        if fault:
            resp = transport_fault(fault, self.app.urls["liberty_reserve"] + "/moved/")
            if resp is None:
                resp = self.answer(expected, root, self.fault_error(fault))
                resp.fault = fault["kind"]
            return resp
        if problem is not None:
            return self.answer(expected, root, problem)
        try:
            self.check_layout(doc, root)
            self.authenticate(root, account)
        except LedgerError as e:
            return self.answer(expected, root, e)
        if expected == "BalanceRequest":
            return self.balance(root, account)
        if expected == "AccountNameRequest":
            return self.account_names(root, account)
        if expected == "TransferRequest":
            return self.transfers(root, account)
        return self.history(root, account)

    @staticmethod
    def fault_error(fault):
        if fault["kind"] == "login":
            return LedgerError(200, "Authentication failed", "Invalid or expired token")
        return LedgerError(fault.get("code") or "500", fault.get("text") or fault.get("message")
                           or "Internal error",
                           fault.get("description") or "Service temporarily unavailable")

    def answer(self, root_name, root, err):
        """An error answer. Requests that carry several items (names, transfers) get one
        Error element per item, so that a client reading them in order stays in step."""
        count = 1
        if root is not None and root_name in ("AccountNameRequest", "TransferRequest"):
            item = "AccountName" if root_name == "AccountNameRequest" else "Transfer"
            count = max(1, len(root.findall(item)))
        if root_name in ("AccountNameRequest", "TransferRequest"):
            return self.xml("".join(error_xml(err) for _ in range(count)))
        tag = root_name.replace("Request", "Response")
        return self.xml(self.open_tag(tag, root) + error_xml(err) + "</%s>" % tag)

    def open_tag(self, tag, root):
        rid = root.get("id", "") if root is not None else ""
        return '<%s id="%s" date="%s">' % (tag, xml_text(rid), lr_date(self.clock()))

    def xml(self, text):
        if "spaced" in self.app.lr_layout:
            text = spaced(text)
        return Response(200, text, "text/xml; charset=iso-8859-1")

    @staticmethod
    def check_layout(doc, root):
        """The request id and the Auth block exactly as clients write them."""
        if not re.fullmatch(r"1\d{15}", root.get("id", "")):
            raise LedgerError(101, "Invalid request id",
                              "The id attribute must be 16 digits starting with 1")
        gap = "\r\n" if root.tag in ("AccountNameRequest", "TransferRequest") else ""
        head = r'<%s id="1\d{15}">%s%s' % (root.tag, re.escape(gap), AUTH_BLOCK)
        if not re.match(head, doc):
            raise LedgerError(200, "Authentication failed",
                              "Malformed Auth block after the opening element")

    def authenticate(self, root, account):
        auth = root.find("Auth")
        api = child_text(auth, "ApiName") if auth is not None else None
        token = child_text(auth, "Token") if auth is not None else None
        if not account:
            raise BadRequest("Invalid request", "No account named in the request")
        acct = self.ledger.lr_account(account)
        if acct is None:
            raise LedgerError(300, "Account not found", "Account %s does not exist" % account)
        word = acct["apis"].get(api or "")
        if word is None:
            raise LedgerError(200, "Authentication failed",
                              "Unknown API name for account %s" % account)
        now = self.clock()
        for when in (now, now - 3600):
            if hmac.compare_digest(token_for(word, when).encode(), (token or "").encode()):
                return
        raise LedgerError(200, "Authentication failed", "Invalid or expired token")

    def balance(self, root, account):
        acct = self.ledger.lr_account(account)
        parts = []
        for item in root.findall("Balance"):
            cur = child_text(item, "CurrencyId")
            if child_text(item, "AccountId") != account:
                return self.answer("BalanceRequest", root,
                                   LedgerError(302, "Access denied",
                                               "Balances of one account per request"))
            if cur not in CURRENCIES:
                return self.answer("BalanceRequest", root,
                                   LedgerError(402, "Invalid currency",
                                               "Unknown currency %s" % cur))
            parts.append("<Balance><CurrencyId>%s</CurrencyId><AccountId>%s</AccountId>"
                         "<Value>%s</Value></Balance>" % (cur, xml_text(account),
                                                          acct["balances"][cur]))
        if not parts:
            return self.answer("BalanceRequest", root,
                               BadRequest("Invalid request", "No Balance element"))
        return self.xml(self.open_tag("BalanceResponse", root) + "".join(parts)
                        + "</BalanceResponse>")

    def account_names(self, root, account):
        try:
            check_children(root, ("Auth", "AccountName"), text_only=False)
        except LedgerError as e:
            return self.answer("AccountNameRequest", root, e)
        parts = []
        for item in root.findall("AccountName"):
            try:
                check_children(item, ACCOUNT_NAME_ELEMENTS)
            except LedgerError as e:
                parts.append(error_xml(e))
                continue
            wanted = child_text(item, "AccountToRetrieve")
            if child_text(item, "AccountId") != account:
                parts.append(error_xml(LedgerError(302, "Access denied",
                                                   "AccountId is not the authenticated account")))
                continue
            acct = self.ledger.lr_account(wanted or "")
            if acct is None:
                parts.append(error_xml(LedgerError(300, "Account not found",
                                                   "Account %s does not exist" % (wanted or ""))))
                continue
            parts.append("<AccountName><AccountId>%s</AccountId><AccountToRetrieve>%s"
                         "</AccountToRetrieve><Name>%s</Name></AccountName>"
                         % (xml_text(account), xml_text(wanted), xml_text(acct["name"])))
        if not parts:
            parts.append(error_xml(BadRequest("Invalid request", "No AccountName element")))
        return self.xml("".join(parts))

    def transfers(self, root, account):
        try:
            check_children(root, ("Auth", "Transfer"), text_only=False)
        except LedgerError as e:
            return self.answer("TransferRequest", root, e)
        parts = []
        with self.ledger.deferred_save():
            for item in root.findall("Transfer"):
                try:
                    parts.append(self.receipt_xml(self.one_transfer(item, account), account))
                except LedgerError as e:
                    parts.append(error_xml(e))
        if not parts:
            parts.append(error_xml(BadRequest("Invalid request", "No Transfer element")))
        return self.xml("".join(parts))

    def one_transfer(self, item, account):
        check_children(item, TRANSFER_ELEMENTS)
        if child_text(item, "Payer") != account:
            raise LedgerError(302, "Access denied", "Payer is not the authenticated account")
        for name in ("TransferType", "Payee", "CurrencyId", "Amount"):
            if item.find(name) is None:
                raise BadRequest("Invalid request", "Missing element %s" % name)
        anonymous = (child_text(item, "Anonymous") or "false").lower()
        if anonymous not in ("true", "false"):
            raise BadRequest("Invalid request", "Anonymous must be True or False")
        return self.ledger.lr_transfer(account, child_text(item, "Payee"),
                                       child_text(item, "CurrencyId"),
                                       child_text(item, "Amount"),
                                       child_text(item, "Memo") or "",
                                       child_text(item, "TransferId") or "",
                                       anonymous == "true",
                                       transfer_type=child_text(item, "TransferType"))

    @staticmethod
    def receipt_xml(r, viewer):
        incoming = r["payee"] == viewer
        hidden_payer = incoming and r["anonymous"]
        return ("<Receipt><ReceiptId>%d</ReceiptId><Date>%s</Date><PayerName>%s</PayerName>"
                "<PayeeName>%s</PayeeName><Amount>%s</Amount><Fee>%s</Fee>"
                "<ClosingBalance>%s</ClosingBalance><Transfer><TransferId>%s</TransferId>"
                "<TransferType>transfer</TransferType><Payer>%s</Payer><Payee>%s</Payee>"
                "<CurrencyId>%s</CurrencyId><Amount>%s</Amount><Memo>%s</Memo>"
                "<Anonymous>%s</Anonymous></Transfer><Merchant>%s</Merchant></Receipt>"
                % (r["id"], lr_date(r["time"]),
                   "" if hidden_payer else xml_text(r["payer_name"]), xml_text(r["payee_name"]),
                   r["amount"] if incoming else "-" + r["amount"],
                   "0.00" if incoming else r["fee"],
                   r["payee_balance"] if incoming else r["payer_balance"],
                   xml_text(r["transfer_id"]), "" if hidden_payer else xml_text(r["payer"]),
                   xml_text(r["payee"]), r["currency"], r["amount"], xml_text(r["memo"]),
                   "true" if r["anonymous"] else "false", xml_text(r["transfer_id"])))

    def history(self, root, account):
        item = root.find("History")
        start = parse_lr_date(child_text(item, "From"))
        till = parse_lr_date(child_text(item, "Till"))
        if start is None or till is None:
            return self.answer("HistoryRequest", root,
                               LedgerError(405, "Invalid date",
                                           "From and Till must read yyyy-dd-mm hh:nn:ss"))
        pager = item.find("Pager")
        try:
            size = int(child_text(pager, "PageSize")) if pager is not None else 20
            number = int(child_text(pager, "PageNumber")) if pager is not None else 1
        except (TypeError, ValueError):
            size = number = 0
        if not (1 <= size <= 1000 and number >= 1):
            return self.answer("HistoryRequest", root,
                               BadRequest("Invalid request", "Invalid Pager"))
        rows = self.ledger.lr_history(account, start, till + 60,
                                      corresponding=child_text(item, "CorrespondingAccountId"),
                                      transfer_id=child_text(item, "TransferId"),
                                      receipt_id=child_text(item, "ReceiptId"))
        count = max(1, math.ceil(len(rows) / size))
        shown = rows[(number - 1) * size:number * size]
        receipts = "".join(self.receipt_xml(r, account) for r in shown)
        pager = ("<Pager><PageSize>%d</PageSize><PageNumber>%d</PageNumber>"
                 "<PageCount>%d</PageCount><TotalCount>%d</TotalCount></Pager>"
                 % (size, number, count, len(rows)))
        body = pager + receipts if "pager_first" in self.app.lr_layout else receipts + pager
        return self.xml(self.open_tag("HistoryResponse", root) + body + "</HistoryResponse>")
