"""What the sandbox's three services share: the request and answer records, form decoding and
the answers of the transport-level faults."""

import html
import urllib.parse

LATIN1 = "latin-1"


class Request:
    def __init__(self, server, method, path, query, headers, body, client=None):
        self.server = server
        self.method = method
        self.path = path
        self.query = query          # raw query text, without the "?"
        self.headers = headers      # mapping with case-insensitive get()
        self.body = body            # bytes
        self.client = client
        self.notes = {}             # what the service made of the request, for the record

    @property
    def content_type(self):
        return (self.headers.get("Content-Type") or "").split(";")[0].strip().lower()

    def body_text(self):
        return self.body.decode(LATIN1)

    def form_pairs(self):
        return parse_pairs(self.body_text())

    def form(self):
        return first_values(self.form_pairs())

    def query_pairs(self):
        return parse_pairs(self.query)

    def query_values(self):
        return first_values(self.query_pairs())


def parse_pairs(text):
    """Splits a form or query text the way a web server does: at "&", then at the first "=";
    "+" is a blank and %XX a byte (ISO-8859-1)."""
    pairs = []
    if not text:
        return pairs
    for item in text.split("&"):
        if not item:
            continue
        name, _, value = item.partition("=")
        pairs.append((urllib.parse.unquote_plus(name, encoding=LATIN1),
                      urllib.parse.unquote_plus(value, encoding=LATIN1)))
    return pairs


def first_values(pairs):
    values = {}
    for name, value in pairs:
        values.setdefault(name, value)
    return values


class Response:
    def __init__(self, status=200, body=b"", content_type="text/html; charset=iso-8859-1",
                 headers=None):
        self.status = status
        self.body = body.encode(LATIN1, "replace") if isinstance(body, str) else body
        self.content_type = content_type
        self.headers = list(headers or [])
        self.hang = None      # seconds to wait before dropping the connection
        self.drop = False     # close the connection without answering
        self.fault = None     # kind of the injected fault, for the record


def text_response(text, status=200, content_type="text/plain; charset=iso-8859-1"):
    return Response(status, text, content_type)


def not_found(path):
    return Response(404, "<html><body><h1>404 Not Found</h1><p>%s</p></body></html>"
                    % html.escape(path))


MALFORMED_BODY = (b'<html><body><input type=hidden name=Gold_Ounces value="1.5\x00\xff\xfe'
                  b'<BalanceResponse><Balance><CurrencyId>LRU\x81\x00')


def transport_fault(fault, default_location):
    """Answer of a fault that works the same on every server, or None for the protocol
    faults that each service words itself."""
    kind = fault["kind"]
    resp = None
    if kind == "status500":
        resp = Response(500, "<html><body><h1>500 Internal Server Error</h1></body></html>")
    elif kind == "redirect":
        location = fault.get("location") or default_location
        resp = Response(302, "<html><body>Object moved <a href=\"%s\">here</a></body></html>"
                        % html.escape(location), headers=[("Location", location)])
    elif kind == "hang":
        resp = Response(200)
        resp.hang = float(fault.get("seconds", 90))
    elif kind == "drop":
        resp = Response(200)
        resp.drop = True
    elif kind == "malformed":
        body = fault.get("body")
        resp = Response(200, body.encode(LATIN1, "replace") if body else MALFORMED_BODY)
    elif kind == "empty":
        resp = Response(200, b"")
    if resp is not None:
        resp.fault = kind
    return resp


def hidden(name, value):
    """A hidden input in the form the e-gold pages use: unquoted type and name, the value in
    double quotes."""
    return '<input type=hidden name=%s value="%s">' % (name, html.escape(str(value), quote=True))


def xml_text(value):
    return (str(value).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;"))
