"""The vendor's web service of the sandbox: e-mail notices, proxy list, merchant directory and
its picture strips, the redirect link."""

import struct
import unittest

from sandbox_testlib import SandboxCase, extract_tag


def read_bmp(data):
    """Width, height, bits per pixel and a pixel reader (x, y from the top) of a BMP."""
    magic, _size, _r1, _r2, offset = struct.unpack_from("<2sIHHI", data, 0)
    _hsize, width, height, _planes, bpp, compression = struct.unpack_from("<IiiHHI", data, 14)
    assert magic == b"BM" and compression == 0
    row = (width * bpp // 8 + 3) & ~3

    def pixel(x, y):
        at = offset + (height - 1 - y) * row + x * 3
        b, g, r = data[at:at + 3]
        return r, g, b
    return width, height, bpp, pixel, offset + row * height


class VendorTest(SandboxCase):

    def test_email_notice_is_recorded_with_every_field(self):
        form = ("valtype=0\r\nfrom=Alice (1001001)\r\nto=Bob <1001002>\r\n"
                "amount=5 US Dollars' worth of Gold\r\nmemo=a&b\r\nmerchant=inv 9\r\n"
                "batch=41000099\r\nmail_from=Alice\r\nmail_from2=alice@example.org\r\n"
                "mail_to=Bob\r\nmail_to2=bob@example.org")
        status, text = self.client.post_form("vendor", "/services/email.php", form)
        self.assertEqual((status, text), (200, "OK"))
        notice = self.client.control("GET", "/control/emails")[1][-1]
        self.assertEqual(notice["to"], "Bob <1001002>")
        self.assertEqual(notice["mail_to2"], "bob@example.org")
        self.assertEqual(notice["missing"], [])
        self.assertEqual(notice["problems"], [])
        # The wallet sends "&" in a value encoded, so the service reads the memo whole.
        self.assertEqual(notice["memo"], "a&b")
        status, text = self.client.post_form("vendor", "/services/email.php", "valtype=0")
        self.assertEqual(status, 200)
        self.assertTrue(text.startswith("ERROR: missing"))
        # Notices are part of the state and survive in the state file.
        self.assertEqual(len(self.sandbox.ledger.emails()), 2)

    def test_email_notice_refuses_fields_a_value_could_add(self):
        good = ["valtype=0", "from=A", "to=B <1>", "amount=1 of Gold", "memo=m", "merchant=",
                "batch=7", "mail_from=Al", "mail_from2=", "mail_to=", "mail_to2=b@x.org"]
        cases = {
            "unexpected field": good + ["Amount=999"],
            "given twice": good[:4] + ["memo=x"] + good[4:],
            "out of order": good[1:] + good[:1],
            "valtype": ["valtype=2"] + good[1:],
        }
        for expected, lines in cases.items():
            with self.subTest(expected):
                status, text = self.client.post_form("vendor", "/services/email.php",
                                                     "\r\n".join(lines))
                self.assertEqual(status, 200)
                self.assertTrue(text.startswith("ERROR: "), text)
                self.assertIn(expected, text)
                notice = self.client.control("GET", "/control/emails")[1][-1]
                self.assertTrue(notice["problems"])

    def test_proxy_list_one_per_line(self):
        status, text = self.client.post_form("vendor", "/services/proxies.php", "")
        self.assertEqual(status, 200)
        lines = text.split("\r\n")
        self.assertEqual(lines[-1], "")
        for line in lines[:-1]:
            host, _, port = line.partition(":")
            self.assertIn(host, ("127.0.0.1", "localhost"))
            self.assertTrue(port.isdigit())

    def test_directory_document_reads_with_the_tag_extractor(self):
        status, _, data = self.client.request("vendor", "/services/directory.php?reg=False",
                                              method="GET")
        self.assertEqual(status, 200)
        doc = data.decode("latin-1")
        self.assertEqual(extract_tag(doc, "egold")[0], "1001001")
        cats = []
        text, rest = extract_tag(extract_tag(doc, "categories")[0], "category", True)
        while text:
            cats.append((extract_tag(text, "name")[0], int(extract_tag(text, "id")[0]),
                         int(extract_tag(text, "icon")[0])))
            text, rest = extract_tag(rest, "category", True)
        self.assertEqual(len(cats), 6)
        self.assertTrue(all(1 <= cid <= 127 for _, cid, _ in cats))
        sites = []
        text, rest = extract_tag(extract_tag(doc, "websites")[0], "website", True)
        while text:
            sites.append({k: extract_tag(text, k)[0] for k in
                          ("category", "name", "desc", "id", "icon")})
            text, rest = extract_tag(rest, "website", True)
        self.assertGreaterEqual(len(sites), 8)
        self.assertTrue({int(s["category"]) for s in sites} <= {c[1] for c in cats})
        _, _, category_strip = self.client.request("vendor", "/services/categories.bmp",
                                                   method="GET")
        _, _, page_strip = self.client.request("vendor", "/services/pages.bmp", method="GET")
        for strip, size, icons in ((category_strip, 50, [c[2] for c in cats]),
                                   (page_strip, 16, [int(s["icon"]) for s in sites])):
            with self.subTest(size=size):
                width, height, bpp, pixel, end = read_bmp(strip)
                self.assertEqual((height, bpp, width % size), (size, 24, 0))
                self.assertEqual(end, len(strip))
                self.assertGreater(width // size, max(icons))
                # The bottom-left pixel is the transparent colour; each icon has a body.
                self.assertEqual(pixel(0, size - 1), (255, 0, 255))
                for i in range(width // size):
                    body = sum(pixel(i * size + x, y) != (255, 0, 255)
                               for x in range(size) for y in range(size))
                    self.assertGreater(body, size * size // 10)

    def test_redirect_to_a_listed_site(self):
        status, headers, _ = self.client.request("vendor", "/r/?103", method="GET")
        self.assertEqual(status, 302)
        location = headers["Location"]
        self.assertTrue(location.startswith(self.sandbox.urls["vendor"] + "/sites/103"))
        status, _, body = self.client.request("vendor", location, method="GET")
        self.assertEqual(status, 200)
        self.assertIn(b"Book Barn", body)
        for path in ("/r/?999", "/r/?abc", "/nothing"):
            with self.subTest(path):
                self.assertEqual(self.client.request("vendor", path, method="GET")[0], 404)
        for path in ("/help/", "/services/new_lr.php", "/"):
            with self.subTest(path):
                self.assertEqual(self.client.request("vendor", path, method="GET")[0], 200)


if __name__ == "__main__":
    unittest.main()
