#!/usr/bin/env python3
"""An independent reader and writer of the strong profile format, written from
docs/profile-format.md alone (hashlib for BLAKE2b, PyNaCl for Argon2id and XChaCha20-Poly1305).

It reads a file that nummora-cli wrote, and nummora-cli reads a file that it wrote.
Usage: read_strong_profile.py NUMMORA_CLI    (exit 77 when PyNaCl is not installed)
"""
import hashlib
import os
import struct
import subprocess
import sys
import tempfile
import unittest

try:
    import nacl.bindings
    import nacl.pwhash
except ImportError:
    print("PyNaCl (python3-nacl) is not installed", file=sys.stderr)
    sys.exit(77)

CLI = None
MAGIC = bytes([0x89, 0x4E, 0x4D, 0x52, 0x0D, 0x0A, 0x1A, 0x0A])
SERIAL = 0x0BADF00D
DOCUMENT = (b'<?nmr version="4.4" encoding="iso-8859-1"?>\r\n'
            b'<Account> <Type>0</Type><ID>123456</ID><Name>Main \xe9</Name><Password>phrase-one-xyz'
            b'</Password><APIname></APIname><LRusd>0</LRusd><LReur>0</LReur><Gold>0.25</Gold>'
            b'<Silver>0</Silver><Platinum>0</Platinum><Palladium>0</Palladium><Updated></Updated>'
            b'<Update>0</Update><Refresh>0</Refresh><Batch>0</Batch><BatchDate></BatchDate></Account>\r\n'
            b'<Rates></Rates>\r\n<?end>\r\n')


class Refused(Exception):
    pass


def volume_key_suffix(serial):
    # Python's round() on a float rounds halves to even, as the page asks.
    return "%08X" % (round(serial * 1.6180339887) + 755)


def key_material(password, serial):
    return password.encode("latin-1") + b" " + volume_key_suffix(serial).encode("ascii")


def blake2b_128(data, key=b""):
    return hashlib.blake2b(data, digest_size=16, key=key).digest()


def derive(password, serial, salt, memory_kib, passes):
    out = nacl.pwhash.argon2id.kdf(64, key_material(password, serial), salt,
                                   opslimit=passes, memlimit=memory_kib * 1024)
    return out[:32], out[32:]


def read_profile(data, password, serial):
    """The reading steps of the page, in their order."""
    if len(data) >= 9 and data[8] != 1:
        raise Refused("unknown version")
    if len(data) < 112:
        raise Refused("cut short")
    if data[:8] != MAGIC or blake2b_128(data[:80]) != data[80:96]:
        raise Refused("header damaged")
    kdf, cipher, reserved = data[9], data[10], data[11]
    memory, passes, lanes = struct.unpack("<III", data[12:24])
    work_ok = (memory // 1024) * passes <= 4096
    if (kdf, cipher, reserved, lanes) != (1, 1, 0, 1) or not (8192 <= memory <= 1048576) \
            or not (1 <= passes <= 16) or not work_ok:
        raise Refused("unsupported")
    if len(data) - 112 > 64 * 1024 * 1024:
        raise Refused("too large")
    cipher_key, check_key = derive(password, serial, data[24:40], memory, passes)
    if blake2b_128(data[:64], key=check_key) != data[64:80]:
        raise Refused("wrong password or volume")
    try:
        return nacl.bindings.crypto_aead_xchacha20poly1305_ietf_decrypt(data[96:], data[:96], data[40:64],
                                                                        cipher_key)
    except Exception as e:  # nacl.exceptions.CryptoError
        raise Refused("tag") from e


def write_profile(document, password, serial, memory_kib=8192, passes=1):
    salt, nonce = os.urandom(16), os.urandom(24)
    cipher_key, check_key = derive(password, serial, salt, memory_kib, passes)
    head = MAGIC + bytes([1, 1, 1, 0]) + struct.pack("<III", memory_kib, passes, 1) + salt + nonce
    head += blake2b_128(head, key=check_key)
    head += blake2b_128(head)
    return head + nacl.bindings.crypto_aead_xchacha20poly1305_ietf_encrypt(document, head, nonce, cipher_key)


def run_cli(args, stdin):
    return subprocess.run([CLI] + args, input=stdin, capture_output=True, timeout=120)


class StrongProfileFormat(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.dir.name, "p.nmr")

    def tearDown(self):
        self.dir.cleanup()

    def test_reads_a_file_the_program_wrote(self):
        r = run_cli(["profile", "encipher", self.path, "--password-stdin", "--volume-serial", "%08X" % SERIAL],
                    b"pw-reader-1\n" + DOCUMENT)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path, "rb") as f:
            data = f.read()
        self.assertEqual(len(data), len(DOCUMENT) + 112)
        self.assertEqual(struct.unpack("<II", data[12:20]), (131072, 4))  # the default parameters
        self.assertEqual(read_profile(data, "pw-reader-1", SERIAL), DOCUMENT)
        with self.assertRaisesRegex(Refused, "wrong password"):
            read_profile(data, "pw-reader-2", SERIAL)
        with self.assertRaisesRegex(Refused, "wrong password"):
            read_profile(data, "pw-reader-1", SERIAL + 1)
        flipped = bytearray(data)
        flipped[100] ^= 0x40
        with self.assertRaisesRegex(Refused, "tag"):
            read_profile(bytes(flipped), "pw-reader-1", SERIAL)

    def test_the_program_reads_a_file_written_from_the_page(self):
        with open(self.path, "wb") as f:
            f.write(write_profile(DOCUMENT, "pw-reader-1", SERIAL))
        r = run_cli(["profile", "decipher", self.path, "--password-stdin", "--volume-serial", "%08X" % SERIAL],
                    b"pw-reader-1\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, DOCUMENT)
        r = run_cli(["profile", "show", self.path, "--password-stdin", "--volume-serial", "%08X" % SERIAL],
                    b"pw-reader-1\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn(b"Format: strong (Argon2id with 8 MiB and 1 pass, XChaCha20-Poly1305)", r.stdout)


if __name__ == "__main__":
    CLI = sys.argv.pop(1)
    unittest.main(verbosity=2)
