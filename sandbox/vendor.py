"""The vendor's web service over plain HTTP: e-mail notices, the proxy list, the merchant
directory with its two picture strips, the redirect to a listed web site, and a few pages
that the program opens in the browser."""

import html
import struct
import time

from common import Response, not_found, text_response, transport_fault, xml_text

EMAIL_FIELDS = ("valtype", "from", "to", "amount", "memo", "merchant", "batch", "mail_from",
                "mail_from2", "mail_to", "mail_to2")
PROXIES = ("127.0.0.1:3128", "127.0.0.1:8888", "localhost:8080")
REFERRAL = "1001001"

CATEGORIES = [  # (id, name, icon)
    (1, "Precious metals", 0), (2, "Shopping", 1), (3, "Hosting", 2),
    (4, "Exchangers", 3), (5, "Investment", 4), (6, "Charity", 5),
]
WEBSITES = [  # (category, name, description, id, icon)
    (1, "Bullion Vault Demo", "Buy and store gold bars", 101, 0),
    (1, "Coin Corner", "Collectible coins paid in e-gold", 102, 1),
    (2, "Book Barn", "Books and magazines, shipped worldwide", 103, 2),
    (2, "Gadget Gold", "Electronics for e-gold and LR", 104, 3),
    (3, "Metal Hosting", "Web hosting paid in metal", 105, 0),
    (3, "Reserve Servers", "Virtual servers, Liberty Reserve accepted", 106, 1),
    (4, "GoldExchange Demo", "Buy and sell e-gold", 107, 2),
    (4, "LR Exchanger Demo", "Fund your Liberty Reserve account", 108, 3),
    (5, "Metal Index Fund", "Long-term metal savings", 109, 0),
    (6, "Open Library Fund", "Donations for public libraries", 110, 1),
]
CATEGORY_ICON = 50
PAGE_ICON = 16
TRANSPARENT = (255, 0, 255)
PALETTE = [(212, 175, 55), (192, 192, 192), (70, 130, 180), (34, 139, 34), (178, 34, 34),
           (148, 0, 211)]


def bmp(width, height, pixel):
    """A 24-bit uncompressed Windows bitmap; pixel(x, y) gives (r, g, b) with y = 0 at the
    top. Rows are stored bottom-up and padded to four bytes."""
    row_size = (width * 3 + 3) & ~3
    pad = b"\0" * (row_size - width * 3)
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + pad)
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def icon_pixel(size, index, x, y):
    """Icon `index` of a strip: a coloured shape on the transparent colour, one shape per
    index (disc, square, diamond, triangle, ring, cross), with a dark outline."""
    colour = PALETTE[index % len(PALETTE)]
    c = (size - 1) / 2.0
    dx, dy = x - c, y - c
    r = size * 0.42
    shape = index % 6
    if shape == 0:
        d = (dx * dx + dy * dy) ** 0.5 / r
    elif shape == 1:
        d = max(abs(dx), abs(dy)) / (r * 0.9)
    elif shape == 2:
        d = (abs(dx) + abs(dy)) / (r * 1.3)
    elif shape == 3:
        top = c - r
        if y < top or y > c + r:
            d = 2
        else:
            half = (y - top) / 2.0 + 0.5
            d = abs(dx) / half if half > 0 else 2
    elif shape == 4:
        d = abs((dx * dx + dy * dy) ** 0.5 - r * 0.7) / (r * 0.3)
    else:
        d = min(abs(dx), abs(dy)) / (r * 0.3) if max(abs(dx), abs(dy)) <= r else 2
    if d <= 0.85:
        return colour
    if d <= 1.0:
        return (40, 40, 40)
    return TRANSPARENT


def strip(size, count):
    return bmp(size * count, size, lambda x, y: icon_pixel(size, x // size, x % size, y))


def directory_document():
    out = ['<?xml version="1.0" encoding="ISO-8859-1"?>', "<directory>",
           "<egold>%s</egold>" % REFERRAL, "<categories>"]
    for cid, name, icon in CATEGORIES:
        out.append("<category><name>%s</name><id>%d</id><icon>%d</icon></category>"
                   % (xml_text(name), cid, icon))
    out.append("</categories>")
    out.append("<websites>")
    for cat, name, desc, sid, icon in WEBSITES:
        out.append("<website><category>%d</category><name>%s</name><desc>%s</desc>"
                   "<id>%d</id><icon>%d</icon></website>"
                   % (cat, xml_text(name), xml_text(desc), sid, icon))
    out.append("</websites>")
    out.append("</directory>")
    return "\r\n".join(out) + "\r\n"


def email_problems(req, pairs, missing):
    """What is wrong with a posted notice besides missing fields: it must be a form, hold each
    field once, no other field, in the service's order, with a payment-system type of 0 or 1.
    A value that carried a raw "&" or line break would show up here as a field of its own."""
    problems = []
    if req.content_type != "application/x-www-form-urlencoded":
        problems.append("content type %s" % (req.content_type or "none"))
    names = [name for name, _ in pairs]
    for name in dict.fromkeys(names):
        if name not in EMAIL_FIELDS:
            problems.append("unexpected field %s" % name)
        elif names.count(name) > 1:
            problems.append("field given twice %s" % name)
    if not missing and not problems and names != list(EMAIL_FIELDS):
        problems.append("fields out of order")
    valtype = dict(pairs).get("valtype")
    if valtype is not None and valtype not in ("0", "1"):
        problems.append("valtype must be 0 or 1")
    return problems


def simple_page(title, body):
    return Response(200, "<html><head><title>%s</title></head><body><h1>%s</h1>%s</body></html>"
                    % (html.escape(title), html.escape(title), body))


class VendorSite:
    name = "vendor"

    def __init__(self, app):
        self.app = app
        self._categories_bmp = strip(CATEGORY_ICON, len(CATEGORIES))
        self._pages_bmp = strip(PAGE_ICON, 4)

    def handle(self, req):
        fault = self.app.faults.take(self.name, req.path, None)
        if fault:
            resp = transport_fault(fault, self.app.urls["vendor"] + "/moved/")
            if resp is None:
                resp = Response(500, "<html><body>Server error</body></html>")
                resp.fault = fault["kind"]
            return resp
        path = req.path
        if path == "/services/email.php":
            return self.email(req)
        if path == "/services/proxies.php":
            return text_response("".join(p + "\r\n" for p in PROXIES))
        if path == "/services/directory.php":
            return Response(200, directory_document(), "text/xml; charset=iso-8859-1")
        if path == "/services/categories.bmp":
            return Response(200, self._categories_bmp, "image/bmp")
        if path == "/services/pages.bmp":
            return Response(200, self._pages_bmp, "image/bmp")
        if path == "/r/":
            return self.redirect(req)
        if path.startswith("/sites/"):
            return self.site_page(path)
        if path == "/services/new_lr.php":
            return simple_page("Open a Liberty Reserve account",
                               "<p>Sandbox page: Liberty Reserve sign-up.</p>")
        if path == "/help/":
            return simple_page("Nummora help", "<p>Sandbox help page.</p>")
        if path == "/":
            return simple_page("Nummora", "<p>Sandbox home page of the vendor.</p>")
        return not_found(path)

    def email(self, req):
        if req.method != "POST":
            return text_response("ERROR: POST the notice as a form", status=405)
        pairs = req.form_pairs()
        form = req.form()
        notice = {name: form.get(name, "") for name in EMAIL_FIELDS}
        missing = [name for name in EMAIL_FIELDS if name not in form]
        notice["missing"] = missing
        notice["problems"] = email_problems(req, pairs, missing)
        notice["time"] = time.time()
        self.app.ledger.add_email(notice)
        if missing:
            return text_response("ERROR: missing %s" % ", ".join(missing))
        if notice["problems"]:
            return text_response("ERROR: %s" % "; ".join(notice["problems"]))
        return text_response("OK")

    def redirect(self, req):
        site = req.query
        for _cat, name, _desc, sid, _icon in WEBSITES:
            if site == str(sid):
                location = "%s/sites/%d/" % (self.app.urls["vendor"], sid)
                return Response(302, "<html><body>Moved to <a href=\"%s\">%s</a></body></html>"
                                % (location, html.escape(name)),
                                headers=[("Location", location)])
        return not_found(req.path + "?" + req.query)

    @staticmethod
    def site_page(path):
        for _cat, name, desc, sid, _icon in WEBSITES:
            if path in ("/sites/%d/" % sid, "/sites/%d" % sid):
                return simple_page(name, "<p>%s</p>" % html.escape(desc))
        return not_found(path)
