#!/usr/bin/env python3
"""Signed releases, made with a throwaway test CA and certificates that openssl creates here (no key is ever
in the tree):

- SignedRelease: copies of the built programs signed by the build's own signing step (cmake/sign-file), with
  an RFC 3161 time stamp from a local time-stamping service, and the installer package made from the signed
  copies by installer/make_package.py and signed in turn. Every file, and every program inside the package,
  verifies against the test CA and carries its time stamp; the signer is the test certificate; one changed
  byte breaks a signature; a signed program is the built one with its signature appended and a correct PE
  checksum; a release is not signed without a time stamp, nor when its time-stamping service does not
  answer. The signed copies stay in OUT_DIR, where the Wine smoke run (smoke_test.cpp) takes them from.
- Rebuilds: a small project signed through cmake/Signing.cmake, as the product's trees are: whatever a later
  build remakes is signed again (without a time stamp, which a release's check tells), a build that cannot
  sign leaves nothing behind, and switching signing off and on again remakes the outputs.

usage: signing_test.py SOURCE_DIR DIST_DIR VERSION OUT_DIR ICON ACTIONS (the package builder's --icon and --actions)
"""
import http.server
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import unittest
from array import array

SOURCE, DIST, VERSION, OUT, ICON, ACTIONS = sys.argv[1:7]
SIGN_FILE = os.path.join(SOURCE, "cmake", "sign-file")
CHECK_TIMESTAMP = os.path.join(SOURCE, "cmake", "check-timestamp")  # a release build's last check
MAKE_PACKAGE = os.path.join(SOURCE, "installer", "make_package.py")

SIGNER_SUBJECT = "/O=Corvane Test/CN=Corvane Test Code Signing"
PASSWORD = "test pass 'word' $HOME"  # blanks, quotes and a dollar sign reach osslsigncode unchanged
PROGRAMS = ("Velmora/Velmora.exe", "Oskavel/Oskavel3.exe", "Oskavel-x64/Oskavel3.exe")
PACKAGE = "CorvanePowerUtilities.msi"
ACTIONS_COPY = "CorvaneActions.dll"  # the package's custom action library, signed like the programs


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


def environment(**signing):
    """This process's environment without any signing settings of its own, plus `signing`."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("CORVANE_SIGN_")}
    env.update(signing)
    return env


class TestPki:
    """A root CA, a code-signing certificate it issued (as PKCS#12 with and without a password) and a
    time-stamping certificate, in `folder`."""

    def __init__(self, folder):
        self.folder = folder
        self.ca = self.path("ca.pem")
        self.openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.path("ca.key"), "-out",
                     self.ca, "-days", "2", "-subj", "/CN=Corvane Test Root", "-addext",
                     "basicConstraints=critical,CA:true", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        self.issue("signer", SIGNER_SUBJECT, "extendedKeyUsage=codeSigning")
        self.issue("tsa", "/CN=Corvane Test Time Stamping", "extendedKeyUsage=critical,timeStamping")
        self.pfx = self.path("signer.pfx")
        self.pfx_without_password = self.path("signer-nopass.pfx")
        for pfx, password in ((self.pfx, PASSWORD), (self.pfx_without_password, "")):
            self.openssl("pkcs12", "-export", "-out", pfx, "-inkey", self.path("signer.key"), "-in",
                         self.path("signer.pem"), "-passout", "pass:" + password)

    def path(self, name):
        return os.path.join(self.folder, name)

    def openssl(self, *args):
        result = run(["openssl", *args], cwd=self.folder)
        if result.returncode != 0:
            raise RuntimeError(f"openssl {args[0]} failed: {result.stderr}")

    def issue(self, name, subject, usage):
        with open(self.path(name + ".ext"), "w") as f:
            f.write(f"basicConstraints=critical,CA:false\nkeyUsage=critical,digitalSignature\n{usage}\n")
        self.openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", self.path(name + ".key"), "-out",
                     self.path(name + ".csr"), "-subj", subject)
        self.openssl("x509", "-req", "-in", self.path(name + ".csr"), "-CA", self.ca, "-CAkey",
                     self.path("ca.key"), "-CAcreateserial", "-days", "2", "-out", self.path(name + ".pem"),
                     "-extfile", self.path(name + ".ext"))


class TimeStampingService:
    """An RFC 3161 service on this machine: answers each request with `openssl ts -reply`."""

    def __init__(self, pki):
        config = pki.path("tsa.cnf")
        with open(config, "w") as f:
            f.write("[tsa]\ndefault_tsa = corvane\n[corvane]\nserial = tsa.serial\n"
                    "default_policy = 1.2.3.4.1\ndigests = sha256\nsigner_digest = sha256\n"
                    "ess_cert_id_alg = sha256\n")

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers["Content-Length"]))
                reply = subprocess.run(
                    ["openssl", "ts", "-reply", "-config", config, "-queryfile", "/dev/stdin", "-signer",
                     pki.path("tsa.pem"), "-inkey", pki.path("tsa.key"), "-chain", pki.ca, "-out",
                     "/dev/stdout"],
                    input=query, capture_output=True, cwd=pki.folder)
                self.send_response(200 if reply.returncode == 0 else 500)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply.stdout)))
                self.end_headers()
                self.wfile.write(reply.stdout)

            def log_message(self, *args):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/"
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def sign(paths, pfx, password="", timestamp_url=""):
    """The build's signing step on `paths`."""
    # The local time-stamping service is reached directly, whatever proxy the machine names.
    env = environment(CORVANE_SIGN_PFX=pfx, CORVANE_SIGN_PASSWORD=password,
                      CORVANE_SIGN_TIMESTAMP_URL=timestamp_url, no_proxy="127.0.0.1", NO_PROXY="127.0.0.1")
    result = run(["sh", SIGN_FILE, *paths], env=env)
    if result.returncode != 0:
        raise RuntimeError(f"sign-file failed: {result.stdout}{result.stderr}")


def verify(path, ca):
    """(verified, osslsigncode's report) for a file against the test CA, time stamp included."""
    result = run(["osslsigncode", "verify", "-CAfile", ca, "-TSA-CAfile", ca, "-in", path])
    return result.returncode == 0, result.stdout + result.stderr


# The PE header fields signing touches.
def pe_fields(data):
    """(offset of CheckSum, offset of the certificate table's directory entry, that entry (offset, size))."""
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    assert data[pe:pe + 4] == b"PE\0\0"
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", data, optional)
    directory = optional + (128 if magic == 0x10B else 144)  # PE32 or PE32+: entry 4 of the data directory
    return optional + 64, directory, struct.unpack_from("<II", data, directory)


def pe_checksum(data):
    """The PE image checksum, computed as Windows' CheckSumMappedFile does: 16-bit words added with their
    carry folded back, the CheckSum field itself left out, plus the file's length."""
    checksum_at = pe_fields(data)[0]
    words = array("H", data + b"\0" * (len(data) % 2))
    if sys.byteorder != "little":
        words.byteswap()
    words[checksum_at // 2] = 0
    words[checksum_at // 2 + 1] = 0
    total = 0
    for word in words:
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def image_without_signature(data):
    """A program's bytes with any certificate table cut off and the fields signing sets cleared."""
    checksum_at, directory, (table, _) = pe_fields(data)
    image = bytearray(data[:table] if table else data)
    image[checksum_at:checksum_at + 4] = bytes(4)
    image[directory:directory + 8] = bytes(8)
    return bytes(image)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class SignedRelease(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.keys = tempfile.TemporaryDirectory()
        cls.pki = TestPki(cls.keys.name)
        shutil.rmtree(OUT, ignore_errors=True)
        for folder in ("Velmora", "Oskavel", "Oskavel-x64"):
            shutil.copytree(os.path.join(DIST, folder), os.path.join(OUT, folder))
        service = TimeStampingService(cls.pki)
        try:
            shutil.copy(ACTIONS, os.path.join(OUT, ACTIONS_COPY))
            sign([os.path.join(OUT, p) for p in PROGRAMS + (ACTIONS_COPY,)], cls.pki.pfx, PASSWORD, service.url)
            # The package builder leaves msidump's streams in its working folder.
            result = run([sys.executable, MAKE_PACKAGE, "--version", VERSION, "--velmora",
                          os.path.join(OUT, "Velmora"), "--agent", os.path.join(OUT, "Oskavel"), "--icon", ICON,
                          "--actions", os.path.join(OUT, ACTIONS_COPY), "--output", os.path.join(OUT, PACKAGE)],
                         cwd=cls.keys.name)
            if result.returncode != 0:
                raise RuntimeError(f"make_package.py failed: {result.stdout}{result.stderr}")
            sign([os.path.join(OUT, PACKAGE)], cls.pki.pfx, PASSWORD, service.url)
        finally:
            service.close()

    @classmethod
    def tearDownClass(cls):
        cls.keys.cleanup()

    def test_every_file_and_the_programs_in_the_package_verify(self):
        with tempfile.TemporaryDirectory() as extracted:
            run(["msiextract", "-C", extracted, os.path.join(OUT, PACKAGE)]).check_returncode()
            inside = {}
            for root, _, files in os.walk(extracted):
                for name in files:
                    if name.endswith(".exe"):
                        inside[name] = os.path.join(root, name)
            self.assertEqual(sorted(inside), ["Oskavel3.exe", "Velmora.exe"])
            # The package holds the signed programs: the shipped 32-bit agent and Velmora.
            self.assertEqual(read(inside["Velmora.exe"]), read(os.path.join(OUT, PROGRAMS[0])))
            self.assertEqual(read(inside["Oskavel3.exe"]), read(os.path.join(OUT, PROGRAMS[1])))
            for path in [os.path.join(OUT, p) for p in PROGRAMS + (ACTIONS_COPY, PACKAGE)] + list(inside.values()):
                with self.subTest(path=path):
                    verified, report = verify(path, self.pki.ca)
                    self.assertTrue(verified, report)
                    signer = re.search(r"Signer's certificate:.*?Subject: (.*?)\n", report, re.S)
                    self.assertEqual(signer and signer.group(1), SIGNER_SUBJECT, report)
                    self.assertIn("Text description: Corvane Power Utilities\n", report)
                    self.assertIn("URL description: https://www.corvane.com/\n", report)
                    self.assertRegex(report, r"Message digest algorithm *: SHA256\n")
                    self.assertIn("Timestamp Server Signature verification: ok", report)
                    self.assertEqual(run(["sh", CHECK_TIMESTAMP, path]).returncode, 0)

    def test_signed_programs_are_the_built_ones_with_a_signature(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                built, signed = read(os.path.join(DIST, program)), read(os.path.join(OUT, program))
                checksum_at, _, (table, size) = pe_fields(signed)
                # Code, resources and version untouched; the signature appended (after padding to 8 bytes).
                self.assertEqual(image_without_signature(signed), image_without_signature(built))
                self.assertEqual(table % 8, 0)
                self.assertEqual(table + size, len(signed))
                (stored,) = struct.unpack_from("<I", signed, checksum_at)
                self.assertNotEqual(stored, 0)
                self.assertEqual(stored, pe_checksum(signed))

    def test_a_release_is_not_signed_without_a_time_stamp(self):
        with tempfile.TemporaryDirectory() as folder, socket.socket() as silent:
            silent.bind(("127.0.0.1", 0))  # nothing listens: a time-stamping service that does not answer
            silent_url = f"http://127.0.0.1:{silent.getsockname()[1]}/"
            program = os.path.join(folder, "Oskavel3.exe")
            shutil.copy(os.path.join(DIST, PROGRAMS[1]), program)
            for url, message in (("", "a release is not signed without a time stamp"),
                                 (silent_url, f"could not sign {program}")):
                with self.subTest(url=url):
                    env = environment(CORVANE_SIGN_PFX=self.pki.pfx, CORVANE_SIGN_PASSWORD=PASSWORD,
                                      CORVANE_SIGN_RELEASE="1", CORVANE_SIGN_TIMESTAMP_URL=url,
                                      no_proxy="127.0.0.1", NO_PROXY="127.0.0.1")
                    result = run(["sh", SIGN_FILE, program], env=env)
                    self.assertNotEqual(result.returncode, 0)
                    self.assertIn(message, result.stderr)
                    self.assertEqual(read(program), read(os.path.join(DIST, PROGRAMS[1])))

    def test_one_changed_byte_breaks_the_signature(self):
        signed = bytearray(read(os.path.join(OUT, PROGRAMS[1])))
        signed[len(signed) // 2] ^= 0x01  # a byte of the program image, which the signature covers
        with tempfile.TemporaryDirectory() as folder:
            changed = os.path.join(folder, "Oskavel3.exe")
            with open(changed, "wb") as f:
                f.write(signed)
            verified, report = verify(changed, self.pki.ca)
            self.assertFalse(verified, report)


PROBE_PROJECT = """cmake_minimum_required(VERSION 3.20)
project(SigningProbe C)
include({source}/cmake/Signing.cmake)
add_executable(probe probe.c)
corvane_sign_program(probe)
# Stands in for the package: remade whenever the signed program is, from content that nothing else signs.
add_executable(content probe.c)
add_custom_command(OUTPUT ${{CMAKE_BINARY_DIR}}/package.exe
                   COMMAND ${{CMAKE_COMMAND}} -E copy $<TARGET_FILE:content> ${{CMAKE_BINARY_DIR}}/package.exe
                   DEPENDS probe content VERBATIM)
corvane_sign_output(${{CMAKE_BINARY_DIR}}/package.exe)
add_custom_target(package ALL DEPENDS ${{CMAKE_BINARY_DIR}}/package.exe)
"""


class Rebuilds(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.pki = TestPki(self.folder.name)
        self.source = os.path.join(self.folder.name, "src")
        self.tree = os.path.join(self.folder.name, "build")
        os.makedirs(self.source)
        with open(os.path.join(self.source, "CMakeLists.txt"), "w") as f:
            f.write(PROBE_PROJECT.format(source=SOURCE))
        self.program = os.path.join(self.tree, "probe.exe")
        self.package = os.path.join(self.tree, "package.exe")

    def tearDown(self):
        self.folder.cleanup()

    def write_program(self, result):
        with open(os.path.join(self.source, "probe.c"), "w") as f:
            f.write(f"int main(void) {{ return {result}; }}\n")

    def configure(self, pfx):
        result = run(["cmake", "-S", self.source, "-B", self.tree,
                      "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(SOURCE, "cmake", "mingw-x64.cmake"),
                      "-DCORVANE_SIGN_PFX=" + pfx], env=environment())
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def build(self, password=""):
        return run(["cmake", "--build", self.tree], env=environment(CORVANE_SIGN_PASSWORD=password))

    def assertBuilt(self, result):
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def assertSigned(self, *paths):
        for path in paths:
            verified, report = verify(path, self.pki.ca)
            self.assertTrue(verified, f"{path}: {report}")

    def assertUnsigned(self, *paths):
        for path in paths:
            self.assertEqual(pe_fields(read(path))[2], (0, 0), path)

    def test_what_a_build_remakes_is_signed_again(self):
        pfx = self.pki.pfx_without_password
        self.write_program(1)
        self.configure(pfx)
        self.assertBuilt(self.build())
        self.assertSigned(self.program, self.package)
        self.assertIn(f"{self.program} is signed without a time stamp",
                      run(["sh", CHECK_TIMESTAMP, self.program]).stderr)
        first = read(self.program)

        self.write_program(2)
        self.assertBuilt(self.build())
        self.assertNotEqual(read(self.program), first)
        self.assertSigned(self.program, self.package)

        # A build that cannot sign fails and keeps no unsigned program for the next build to take as done.
        self.write_program(3)
        self.assertNotEqual(self.build(password="wrong").returncode, 0)
        self.assertFalse(os.path.exists(self.program))
        self.assertBuilt(self.build())
        self.assertSigned(self.program, self.package)

        # Signing switched off remakes both unsigned, and switched on again signed, with no source changed.
        self.configure("")
        self.assertBuilt(self.build())
        self.assertUnsigned(self.program, self.package)
        self.configure(pfx)
        self.assertBuilt(self.build())
        self.assertSigned(self.program, self.package)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
