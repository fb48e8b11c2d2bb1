#!/usr/bin/env python3
"""Reads the shipped installer package with msitools (msidump, msiinfo, msiextract) and checks what it holds:
the product, the files and where they go (the 32-bit agent in the 32-bit program folder), the installer's
steps and their order, and that nothing of the simulated machine is in it. Then builds the package once more
with a firmware library given, and checks where that lands.

usage: check_shipped_package.py DIST_DIR MAKE_PACKAGE VERSION ICON ACTIONS
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

DIST, MAKE_PACKAGE, VERSION, ICON, ACTIONS = sys.argv[1:6]
PACKAGE = os.path.join(DIST, "CorvanePowerUtilities.msi")

LANGUAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "resources",
                         "settings", "languages.txt")
with open(LANGUAGES, encoding="utf-8") as f:
    HELP_CODES = [line.split()[0].upper() for line in f if line.strip() and not line.startswith("#")]
VELMORA_FILES = {"Velmora.exe", "UIString.ini"}
AGENT_FILES = {"Oskavel3.exe", "MultiLang.ini", "list.ini", "Oskavel.xml", "corvane.pow"}
MSIDBCOMPONENTATTRIBUTES64BIT = 256
MSIDBCOMPONENTATTRIBUTESPERMANENT = 16


def tables(package):
    """Every table of the package as {name: [row dict]} (msidump's text archive form)."""
    out = {}
    with tempfile.TemporaryDirectory() as folder:
        # msidump writes binary streams (the icon) below its working folder.
        subprocess.run(["msidump", "-d", folder, os.path.abspath(package)], check=True,
                       stdout=subprocess.DEVNULL, cwd=folder)
        for name in os.listdir(folder):
            if not name.endswith(".idt"):
                continue
            with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                lines = f.read().splitlines()
            columns = lines[0].split("\t")
            out[name[:-4]] = [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]
    return out


def long_name(default_dir):
    """The long part of a Directory or File name column ("short|long" or just "long")."""
    return default_dir.split("|")[-1]


def install_path(t, directory):
    """The folder a Directory row stands for, from the root, e.g. ProgramFilesFolder/Corvane/Oskavel."""
    rows = {r["Directory"]: r for r in t["Directory"]}
    parts = []
    while directory in rows and rows[directory]["Directory_Parent"]:
        name = long_name(rows[directory]["DefaultDir"])
        parts.append(directory if name == "." else name)
        directory = rows[directory]["Directory_Parent"]
    return "/".join(reversed(parts))


IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE = 0x8000


def pe_header(path):
    """(machine, DllCharacteristics) of a program's PE header."""
    with open(path, "rb") as f:
        data = f.read(4096)
    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    assert data[pe_offset:pe_offset + 4] == b"PE\0\0", path
    (machine,) = struct.unpack_from("<H", data, pe_offset + 4)
    # The optional header follows the 20-byte file header; DllCharacteristics sits at offset 70 in both forms.
    (characteristics,) = struct.unpack_from("<H", data, pe_offset + 24 + 70)
    return machine, characteristics


class ShippedPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(PACKAGE):
            raise unittest.SkipTest(f"{PACKAGE} is missing: scripts/build makes it")
        cls.t = tables(PACKAGE)

    # The msiexec runs show the product's name, publisher, version, icon and where each file lands; these are
    # what they do not show.
    def test_platform_size_and_contents(self):
        info = subprocess.run(["msiinfo", "suminfo", PACKAGE], check=True, capture_output=True, text=True).stdout
        self.assertIn("Template: x64;1033", info)
        self.assertLess(os.path.getsize(PACKAGE), 600 * 1024)
        # The Add/Remove Programs icon is an icon file, not a copy of the program.
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "icon"), "wb") as out:
                subprocess.run(["msiinfo", "extract", PACKAGE, "Icon.VelmoraIcon.ico"], check=True, stdout=out)
            with open(os.path.join(folder, "icon"), "rb") as f:
                self.assertEqual(f.read(4), b"\0\0\1\0")
        # No firmware library unless the build is given one, and nothing of the simulated machine.
        names = {long_name(f["FileName"]) for f in self.t["File"]}
        self.assertEqual(names, VELMORA_FILES | AGENT_FILES | {f"{code}.chm" for code in HELP_CODES})

    def test_programs_are_the_built_ones(self):
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["msiextract", "-C", folder, PACKAGE], check=True, stdout=subprocess.DEVNULL)
            found = {}
            for root, _, files in os.walk(folder):
                for name in files:
                    found[name] = os.path.join(root, name)
            agent, velmora = pe_header(found["Oskavel3.exe"]), pe_header(found["Velmora.exe"])
            self.assertEqual(agent[0], 0x14C)  # the shipped 32-bit agent
            self.assertEqual(velmora[0], 0x8664)
            # Terminal-server aware: a terminal server gives neither program a private Windows folder.
            for name, (_, characteristics) in (("Oskavel3.exe", agent), ("Velmora.exe", velmora)):
                self.assertTrue(characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, name)
            for name, built in (("Oskavel3.exe", os.path.join(DIST, "Oskavel", "Oskavel3.exe")),
                                ("corvane.pow", os.path.join(DIST, "Oskavel", "corvane.pow")),
                                ("Velmora.exe", os.path.join(DIST, "Velmora", "Velmora.exe"))):
                with open(found[name], "rb") as a, open(built, "rb") as b:
                    self.assertEqual(a.read(), b.read(), name)

    # What the msiexec runs of the installer suite cannot show, since Wine models no impersonation and sets
    # REMOVE and UPGRADINGPRODUCTCODE its own way: how each program runs, and when the command lines are set.
    def test_what_only_windows_shows_of_the_steps(self):
        types = {r["Action"]: int(r["Type"]) for r in self.t["CustomAction"]}
        # The programs run deferred (1024) as the system (2048 no impersonation); two of them on rollback (256).
        for action in ("AgentInstall", "AgentUninstall", "VelmoraUninstall"):
            self.assertEqual(types[action] & (256 | 1024 | 2048), 1024 | 2048, action)
        for action in ("AgentInstallRollback", "AgentUninstallRollback"):
            self.assertEqual(types[action] & (256 | 1024 | 2048), 256 | 1024 | 2048, action)
        sequence = {r["Action"]: (int(r["Sequence"]), r["Condition"]) for r in self.t["InstallExecuteSequence"]}
        # REMOVE becomes ALL only at InstallValidate: the uninstall's command lines are set after it.
        for action in ("SetAgentUninstall", "SetAgentUninstallRollback", "SetVelmoraUninstall"):
            self.assertGreater(sequence[action][0], sequence["InstallValidate"][0], action)
            self.assertLess(sequence[action][0], sequence["InstallInitialize"][0], action)
        # The programs are named by their folders: Windows leaves a file's path ([#file]) blank while its
        # component is removed, which Wine's msiexec does not.
        lines = {r["Action"]: r["Target"] for r in self.t["CustomAction"] if r["Action"].startswith("Set")}
        self.assertEqual([a for a, line in lines.items() if "[#" in line], [])
        # An upgrade's removal is told apart by UPGRADINGPRODUCTCODE.
        for action in ("AgentUninstallRollback", "AgentUninstall", "VelmoraUninstall", "SetAgentUninstall"):
            self.assertIn("NOT UPGRADINGPRODUCTCODE", sequence[action][1], action)
        # The record is looked for in the 32-bit agent's registry view (no 64-bit flag, 16).
        locator = self.t["RegLocator"][0]
        self.assertEqual((locator["Root"], locator["Key"], locator["Name"], int(locator["Type"])),
                         ("2", "Software\\Corvane\\Oskavel", "CorvaneMode", 2))

    def test_what_windows_installers_validation_rules_ask(self):
        summary = {int(r["PropertyId"]): r["Value"] for r in self.t["_SummaryInformation"]}
        self.assertEqual(summary[14], "400")  # Windows Installer 4.0, as Windows 6.0 ships it
        guids = [r["ComponentId"] for r in self.t["Component"]]
        guids += [r["Value"] for r in self.t["Property"] if r["Property"] in ("ProductCode", "UpgradeCode")]
        self.assertEqual([g for g in guids if g != g.upper()], [])
        # Each name is a short name itself or carries one ("short|long").
        short = re.compile(r"^[^\s.\\/:*?\"<>|+,;=\[\]]{1,8}(\.[^\s.\\/:*?\"<>|+,;=\[\]]{1,3})?$")
        names = [r["FileName"] for r in self.t["File"]] + [r["Name"] for r in self.t["Shortcut"]]
        names += [r["FileName"] for r in self.t["RemoveFile"] if r["FileName"]]
        names += [r["DefaultDir"].split(":")[-1] for r in self.t["Directory"]
                  if r["DefaultDir"] not in (".", "SourceDir")]
        self.assertEqual([n for n in names if not short.match(n.split("|")[0])], [])
        # A folder that keys its component is one the component creates; a shortcut's icon is in the Icon
        # table; only files without a version have a hash; only deferred actions carry the no-impersonation
        # bit.
        created = {(r["Directory_"], r["Component_"]) for r in self.t["CreateFolder"]}
        self.assertEqual([c["Component"] for c in self.t["Component"]
                          if not c["KeyPath"] and (c["Directory_"], c["Component"]) not in created], [])
        icons = {r["Name"] for r in self.t["Icon"]}
        self.assertEqual([r["Icon_"] for r in self.t["Shortcut"] if r["Icon_"] not in icons], [])
        versioned = {r["File"] for r in self.t["File"] if r["Version"]}
        self.assertEqual([r["File_"] for r in self.t["MsiFileHash"] if r["File_"] in versioned], [])
        self.assertEqual([r["Action"] for r in self.t["CustomAction"]
                          if int(r["Type"]) & 2048 and not int(r["Type"]) & 1024], [])
        # The shortcut's component is keyed by a value of the user's registry (HKCU: root 1).
        component = next(r["Component_"] for r in self.t["Shortcut"])
        key = next(r["KeyPath"] for r in self.t["Component"] if r["Component"] == component)
        self.assertEqual(next(r["Root"] for r in self.t["Registry"] if r["Registry"] == key), "1")
        languages = {r["File"]: r["Language"] for r in self.t["File"]}
        self.assertEqual((languages["VelmoraExe"], languages["Oskavel3Exe"]), ("1033", "1042"))

    def test_a_given_firmware_library_goes_beside_velmora(self):
        with tempfile.TemporaryDirectory() as folder:
            library = os.path.join(folder, "vendor-KOLU3.DLL")
            shutil.copy(os.path.join(DIST, "Velmora", "Velmora.exe"), library)
            package = os.path.join(folder, "with-library.msi")
            subprocess.run([sys.executable, MAKE_PACKAGE, "--version", VERSION, "--velmora",
                            os.path.join(DIST, "Velmora"), "--agent", os.path.join(DIST, "Oskavel"),
                            "--icon", ICON, "--actions", ACTIONS, "--kolu3", library, "--output", package],
                           check=True, capture_output=True)
            t = tables(package)
            components = {r["Component"]: r for r in t["Component"]}
            rows = [f for f in t["File"] if long_name(f["FileName"]) == "KOLU3.DLL"]
            self.assertEqual(len(rows), 1)
            component = components[rows[0]["Component_"]]
            self.assertEqual(install_path(t, component["Directory_"]),
                             "ProgramFiles64Folder/Corvane/Velmora/Win7_Driver/x64")
            self.assertEqual(int(component["Attributes"]) & MSIDBCOMPONENTATTRIBUTES64BIT, 256)
            # The driver package owns it: our uninstall never removes it.
            self.assertEqual(int(component["Attributes"]) & MSIDBCOMPONENTATTRIBUTESPERMANENT, 16)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
