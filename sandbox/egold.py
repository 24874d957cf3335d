"""The e-gold server: the Automation pages over HTTPS and the metal rates page over plain
HTTP."""

import datetime
import html
import time
import urllib.parse

from common import LATIN1, Response, hidden, not_found, text_response, transport_fault
from ledger import EGOLD_TYPE_FILTERS, METALS, EUR_IN_USD, LedgerError, fmt_ounces

NO_RECORDS = "No Records Found"
LOGIN_FAILED_TEXT = ("Could not login to account. Either Automation Access not enabled, "
                     "IP Attribute does not match, or PassPhrase is incorrect.")
LOCKED_TEXT = "The account you have attempted to access is currently locked out"
NONE_CELL = ('<font face="Arial, Helvetica, sans-serif" size="2"><i>none</i></font></td>')
FIRST_TIME_TEXT = ("This is the first time you have spent to this particular e-gold account."
                   " Please make sure that it is the account that you intend to spend to.")
CSV_HEADER = ('"Date","Type","Batch","Metal","Ounces","Counterparty","Counterparty Name",'
              '"Amount","Unit","USD per oz","Memo","PAYMENT_ID"')
# The form fields of each Automation page after the login fields, exactly these and each once.
PAYMENT_FIELDS = ("Payee_Account", "Amount", "PAY_IN", "WORTH_OF")
AUTOMATION_FIELDS = {
    "/acct/balance.asp": (),
    "/acct/historycsv.asp": (),
    "/acct/verify.asp": PAYMENT_FIELDS,
    "/acct/confirm.asp": PAYMENT_FIELDS + ("Memo", "PAYMENT_ID"),
}
AUTOMATION_PATHS = tuple(AUTOMATION_FIELDS)
LOGIN_FIELDS = ("AccountID", "PassPhrase")


def page(title, body):
    return ("<html>\r\n<head><title>%s</title></head>\r\n<body>\r\n%s\r\n</body>\r\n</html>\r\n"
            % (html.escape(title), body))


def login_failed_page():
    return page("e-gold Account Access",
                '<p><font color="#CC0000">%s</font></p>' % LOGIN_FAILED_TEXT)


def locked_page():
    return page("e-gold Account Access",
                "<p><b>%s.</b> Please try again later.</p>\r\n<form>%s</form>"
                % (LOCKED_TEXT, hidden("ERROR", "Account locked out")))


def error_page(message):
    return page("e-gold Automation", "<p>An error occurred.</p>\r\n<form>%s</form>"
                % hidden("ERROR", message))


def csv_quote(text):
    text = str(text).replace("\r", " ").replace("\n", " ")
    return '"%s"' % text.replace('"', '""')


def form_problem(body, expected):
    """What is wrong with the fields of a form body, or None: every item must be a field
    ("name=value"), each expected field must come once, and no other field may come. A value
    that held a raw "&" would show up here as a field of its own."""
    seen = []
    for item in body.split("&"):
        name, eq, _ = item.partition("=")
        if not eq or not name:
            return "Malformed form field"
        name = urllib.parse.unquote_plus(name, encoding=LATIN1)
        if name not in expected:
            return "Unexpected field %s" % name
        if name in seen:
            return "Field %s given twice" % name
        seen.append(name)
    for name in expected:
        if name not in seen:
            return "Missing field %s" % name
    return None


class EgoldSecureSite:
    name = "egold"

    def __init__(self, app):
        self.app = app
        self.ledger = app.ledger

    def handle(self, req):
        form = req.form() if req.method == "POST" else {}
        account = form.get("AccountID")
        req.notes["account"] = account
        fault = self.app.faults.take(self.name, req.path, account)
        if fault:
            resp = transport_fault(fault, self.app.urls["egold_secure"] + "/moved/")
            if resp is None:
                resp = self.fault_page(fault)
                resp.fault = fault["kind"]
            return resp
        if req.path in AUTOMATION_PATHS:
            return self.automation(req, form)
        if req.path == "/newacct/newaccount.asp":
            return Response(200, page("Open an e-gold account",
                                      "<h1>Open an e-gold account</h1><p>Sandbox sign-up page"
                                      " (referral %s).</p>" % html.escape(req.query)))
        if req.path == "/":
            return Response(200, page("e-gold sandbox", "<h1>e-gold sandbox</h1>"))
        return not_found(req.path)

    def fault_page(self, fault):
        kind = fault["kind"]
        if kind == "login":
            return Response(200, login_failed_page())
        if kind == "lockout":
            return Response(200, locked_page())
        if kind == "no_records":
            return text_response(NO_RECORDS)
        message = fault.get("message") or fault.get("text") or "Automation temporarily unavailable"
        return Response(200, error_page(message))

    def automation(self, req, form):
        if req.method != "POST" or req.content_type != "application/x-www-form-urlencoded":
            return Response(200, error_page("Automation requests must be POSTed as a form"))
        if not req.body_text().startswith("AccountID="):
            return Response(200, error_page("The form must start with AccountID"))
        problem = form_problem(req.body_text(), LOGIN_FIELDS + AUTOMATION_FIELDS[req.path])
        if problem:
            return Response(200, error_page(problem))
        outcome = self.ledger.egold_login(form.get("AccountID"), form.get("PassPhrase"))
        if outcome == "login":
            return Response(200, login_failed_page())
        if outcome == "locked":
            return Response(200, locked_page())
        account = form["AccountID"]
        if req.path == "/acct/balance.asp":
            return self.balance(account)
        if req.path == "/acct/historycsv.asp":
            return self.history(req, account)
        try:
            if req.path == "/acct/verify.asp":
                return self.verify(account, form)
            return self.confirm(account, form)
        except LedgerError as e:
            return Response(200, error_page(e.text))

    def balance(self, account):
        acct = self.ledger.egold_account(account)
        bal = acct["balances"]
        rows = []
        fields = []
        for metal in METALS:
            oz = fmt_ounces(bal[metal])
            rows.append("<tr><td>%s</td><td>%s oz</td></tr>" % (metal, oz))
            fields.append(hidden("%s_Ounces" % metal, oz))
        if all(fmt_ounces(bal[m]) == "0" for m in METALS):
            body = ("<h2>Account %s</h2>\r\n<table><tr><td>Balance</td><td>%s\r\n</tr></table>"
                    % (account, NONE_CELL))
        else:
            body = ("<h2>Account %s</h2>\r\n<table>%s</table>\r\n<form>%s</form>"
                    % (account, "".join(rows), "\r\n".join(fields)))
        return Response(200, page("e-gold Account Balance", body))

    def verify(self, account, form):
        ounces, usd, payee_name, first = self.ledger.egold_quote(
            account, form["Payee_Account"], form["Amount"], form["PAY_IN"], form["WORTH_OF"])
        body = ["<h2>Please confirm your payment</h2>"]
        if first:
            body.append("<p><b>%s</b></p>" % FIRST_TIME_TEXT)
        body.append("<p>Pay %s oz of %s (US$ %s) to %s (%s)</p>"
                    % (fmt_ounces(ounces), form["WORTH_OF"], usd, html.escape(payee_name),
                       html.escape(form["Payee_Account"])))
        body.append("<form action=confirm.asp method=post>")
        body.append(hidden("PAYEE_NAME", payee_name))
        body.append(hidden("Payee_Account", form["Payee_Account"]))
        body.append(hidden("Amount", form["Amount"]))
        body.append(hidden("PAY_IN", form["PAY_IN"]))
        body.append(hidden("WORTH_OF", form["WORTH_OF"]))
        body.append(hidden("PAYMENT_OUNCES", fmt_ounces(ounces)))
        body.append("</form>")
        return Response(200, page("e-gold Spend Preview", "\r\n".join(body)))

    def confirm(self, account, form):
        receipt = self.ledger.egold_spend(account, form["Payee_Account"], form["Amount"],
                                          form["PAY_IN"], form["WORTH_OF"], form["Memo"],
                                          form["PAYMENT_ID"])
        body = ["<h2>Payment completed</h2>",
                "<p>Batch %d: %s oz of %s to %s</p>" % (receipt["batch"], receipt["ounces"],
                                                        receipt["metal"],
                                                        html.escape(receipt["payee_name"])),
                "<form>",
                hidden("PAYMENT_BATCH_NUM", receipt["batch"]),
                hidden("PAYER_ACCOUNT", account),
                hidden("Payee_Account", form["Payee_Account"]),
                hidden("PAYEE_NAME", receipt["payee_name"]),
                hidden("PAYMENT_AMOUNT", form["Amount"]),
                hidden("ACTUAL_PAYMENT_OUNCES", receipt["ounces"]),
                hidden("USD_PER_OUNCE", receipt["price"]),
                hidden("PAYMENT_ID", form["PAYMENT_ID"]),
                "</form>"]
        return Response(200, page("e-gold Spend Receipt", "\r\n".join(body)))

    def history(self, req, account):
        q = req.query_values()
        try:
            start = datetime.datetime(int(q["startyear"]), int(q["startmonth"]),
                                      int(q["startday"]))
            end = datetime.datetime(int(q["endyear"]), int(q["endmonth"]), int(q["endday"]))
            t0 = time.mktime(start.timetuple())
            t1 = time.mktime((end + datetime.timedelta(days=1)).timetuple())
        except (KeyError, ValueError, OverflowError):
            return Response(200, error_page("Invalid date range"))
        req.notes["range"] = [start.date().isoformat(), end.date().isoformat()]
        kinds = set()
        for item, types in EGOLD_TYPE_FILTERS.items():
            if q.get(item) == "1":
                kinds.update(types)
        if not kinds:
            return text_response(NO_RECORDS)
        sort = q.get("oldsort", "tstamp")
        if sort not in ("tstamp", "batch_num"):
            return Response(200, error_page("Invalid sort order"))
        rows = self.ledger.egold_history(account, t0, t1, kinds,
                                         batch=q.get("batchfilter") or None,
                                         counter=q.get("counterfilter") or None,
                                         payment_id=q.get("paymentidfilter") or None,
                                         sort=sort, desc=q.get("desc") == "1")
        if not rows:
            return text_response(NO_RECORDS)
        lines = [CSV_HEADER]
        for e in rows:
            lines.append(",".join([
                csv_quote(time.strftime("%m/%d/%Y %H:%M:%S", time.localtime(e["time"]))),
                csv_quote(e["type"]), str(e["batch"]), e["metal"], e["ounces"], e["counter"],
                csv_quote(e["counter_name"]), e["usd"], csv_quote("USD"), e["price"],
                csv_quote(e["memo"]), csv_quote(e["payment_id"])]))
        return text_response("\r\n".join(lines) + "\r\n",
                             content_type="text/csv; charset=iso-8859-1")


class EgoldPlainSite:
    """The unsecured part of the e-gold server: the latest metal prices."""
    name = "egold_plain"

    def __init__(self, app):
        self.app = app

    def handle(self, req):
        fault = self.app.faults.take(self.name, req.path, None)
        if fault:
            resp = transport_fault(fault, self.app.urls["egold_plain"] + "/moved/")
            if resp is None:
                resp = Response(500, "<html><body>Server error</body></html>")
                resp.fault = fault["kind"]
            return resp
        if req.path == "/unsecure/metaldata.asp":
            return self.rates(req)
        if req.path == "/":
            return Response(200, page("e-gold sandbox", "<h1>e-gold sandbox</h1>"))
        return not_found(req.path)

    def rates(self, req):
        q = req.query_values()
        cur = q.get("CUR", "USD")
        if q.get("LATEST") != "1" or cur not in ("USD", "EUR"):
            return text_response("Error: unknown request")
        prices = self.app.ledger.drift_prices()
        divisor = EUR_IN_USD if cur == "EUR" else 1
        items = [time.strftime("%m/%d/%Y %H:%M:%S")]
        for metal in METALS:
            items.append("%.2f" % (prices[metal] / divisor))
        return text_response(", ".join(items))
