"""The sandbox's own certificate authority and server certificate, made once with the openssl
command in the state folder."""

import os
import secrets
import subprocess

CA_CONFIG = """[req]
distinguished_name = dn
prompt = no
x509_extensions = v3_ca
[dn]
CN = Nummora Sandbox CA
O = Nummora Sandbox
[v3_ca]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
"""

SERVER_CONFIG = """[req]
distinguished_name = dn
prompt = no
[dn]
CN = 127.0.0.1
O = Nummora Sandbox
"""

SERVER_EXTENSIONS = """basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1,DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
"""


class TlsFiles:
    def __init__(self, folder):
        self.folder = folder
        self.ca_cert = os.path.join(folder, "ca.pem")
        self.ca_key = os.path.join(folder, "ca.key")
        self.cert = os.path.join(folder, "server.pem")
        self.key = os.path.join(folder, "server.key")


def _run(args, cwd):
    result = subprocess.run(["openssl"] + args, cwd=cwd, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        raise RuntimeError("openssl %s failed: %s" % (args[0], result.stderr.strip()))


def ensure_certificates(state_dir):
    """Makes DIR/tls/ with a CA and a server certificate for 127.0.0.1 and localhost, unless
    they are there already. Private keys get mode 0600."""
    folder = os.path.join(state_dir, "tls")
    os.makedirs(folder, exist_ok=True)
    os.chmod(folder, 0o755)
    files = TlsFiles(folder)
    old_umask = os.umask(0o077)
    try:
        if not (os.path.exists(files.ca_cert) and os.path.exists(files.ca_key)):
            cfg = os.path.join(folder, "ca.cnf")
            with open(cfg, "w") as f:
                f.write(CA_CONFIG)
            _run(["req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                  "-nodes", "-sha256", "-days", "3650", "-config", cfg,
                  "-keyout", files.ca_key, "-out", files.ca_cert], folder)
            for stale in (files.cert, files.key):
                if os.path.exists(stale):
                    os.unlink(stale)
        if not (os.path.exists(files.cert) and os.path.exists(files.key)):
            cfg = os.path.join(folder, "server.cnf")
            ext = os.path.join(folder, "server.ext")
            csr = os.path.join(folder, "server.csr")
            with open(cfg, "w") as f:
                f.write(SERVER_CONFIG)
            with open(ext, "w") as f:
                f.write(SERVER_EXTENSIONS)
            _run(["req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                  "-nodes", "-sha256", "-config", cfg, "-keyout", files.key, "-out", csr], folder)
            _run(["x509", "-req", "-in", csr, "-CA", files.ca_cert, "-CAkey", files.ca_key,
                  "-set_serial", "0x" + secrets.token_hex(12), "-days", "825", "-sha256",
                  "-extfile", ext, "-out", files.cert], folder)
            os.unlink(csr)
        os.chmod(files.ca_cert, 0o644)
        os.chmod(files.cert, 0o644)
    finally:
        os.umask(old_umask)
    return files
