#!/usr/bin/env python3
"""Builds the Windows Installer package from CorvanePowerUtilities.wxs with wixl, then makes the table edits
wixl cannot express, with msibuild (both from msitools):

- the previous version is removed right after InstallInitialize, before the new files (its uninstall steps
  are skipped there: an upgrade keeps mode, plan, record and task); Wine: the removal names the package's
  feature in REMOVE instead of ALL (Upgrade table, column Remove), since Wine's msiexec sets no
  UPGRADINGPRODUCTCODE, by which Windows Installer tells the steps it is an upgrade's removal;
- a package of the same version replaces the installed one (wixl drops AllowSameVersionUpgrades);
- the rollback actions are rollback actions (wixl makes them immediate ones);
- a firmware library shipped in the package is permanent (wixl drops Permanent="yes");
- the file, folder and shortcut names that are no short names carry their short form (wixl drops ShortName);
- the definition file a cut-short "/install" leaves (Oskavel.xml.new) is removed with the product (wixl takes
  no RemoveFile element);
- the property-setting actions carry no impersonation bit (only a deferred action runs as someone);
- the File table carries the version and language of each program, read from its version resource, and
  the file hashes are those of the unversioned files only (Windows Installer compares versions for the rest);
- AGENTRECORD, which the rollback's condition reads, may be searched by the system's side of the install,
  and QUICKRESUME, given on the command line, reaches it;
- the help files are those of the languages in resources/settings/languages.txt, written into the source's
  HELP FILES place.

usage: make_package.py --version V --velmora DIR --agent DIR --icon FILE.ico --actions FILE.dll
                       --output FILE.msi [--kolu3 FILE] [--test-failure-after-uninstall]
                       [--test-blank-uninstall-program] [--test-x64-agent]

--version V builds the package at another version (the upgrade test's next version, or a release's).
--test-failure-after-uninstall adds a step that fails every uninstall after the uninstall steps have run; only
the tests build such a package, to see the rollback.
--test-blank-uninstall-program gives the agent's uninstall step the command line '"" /uninstall /package', as
Windows Installer would make it from a file's path that is blank while its component is removed; only the tests
build such a package, to see that step fail.
The agent that ships is the 32-bit one; a package is refused any other. --test-x64-agent takes the x64 agent
in its place, for machines that cannot run 32-bit programs: the package then looks for the agent's record in
the 64-bit registry view, where that agent keeps it, and says in its CorvaneTestPackage property that it is
test equipment. Such a package never ships.
"""
import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
LANGUAGES = os.path.join(HERE, os.pardir, "resources", "settings", "languages.txt")
HELP_MARKER = re.compile(r"^\s*<!-- HELP FILES:.*?-->\n", re.M | re.S)


def help_file_rows():
    """One File row for each listed language's help file."""
    with open(LANGUAGES, encoding="utf-8") as f:
        codes = [line.split()[0].upper() for line in f if line.strip() and not line.startswith("#")]
    return "".join('              <File Id="Help%s" Name="%s.chm" Source="$(var.VelmoraDir)/Help/%s.chm"/>\n'
                   % (code, code, code) for code in codes)

EDITS = [
    "UPDATE `InstallExecuteSequence` SET `Sequence` = 1501 WHERE `Action` = 'RemoveExistingProducts'",
    # wixl writes Execute="rollback" as an immediate action; a rollback action is 1 library + 256 rollback +
    # 1024 in the script + 2048 without impersonation.
    "UPDATE `CustomAction` SET `Type` = 3329 WHERE `Action` = 'AgentUninstallRollback'",
    "UPDATE `CustomAction` SET `Type` = 3329 WHERE `Action` = 'AgentInstallRollback'",
    # wixl drops Permanent="yes": the firmware library, when the package carries one, is never removed by our
    # uninstall (the driver package owns it). 256 64-bit + 16 permanent.
    "UPDATE `Component` SET `Attributes` = 272 WHERE `Component` = 'FirmwareLibrary'",
    # Names that are not short names themselves carry one ("short|long").
    "UPDATE `File` SET `FileName` = 'MULTIL~1.INI|MultiLang.ini' WHERE `File` = 'MultiLangIni'",
    "UPDATE `Shortcut` SET `Name` = 'CORVAN~1|Corvane Velmora' WHERE `Shortcut` = 'VelmoraShortcut'",
    "UPDATE `Directory` SET `DefaultDir` = 'WIN7_D~1|Win7_Driver' WHERE `Directory` = 'DriverFolder'",
    # What a cut-short "/install" leaves beside the agent goes with the product, on install and uninstall (3);
    # wixl takes no RemoveFile element.
    "INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) "
    "VALUES ('RemoveDefinitionLeftover', 'AgentData', 'OSKAVE~1.NEW|Oskavel.xml.new', 'AgentFolder', 3)",
    # wixl gives the immediate property-setting actions (51) the no-impersonation bit (2048), which only a
    # deferred action may carry.
    "UPDATE `CustomAction` SET `Type` = 51 WHERE `Type` = 2099",
]

# The check of QUICKRESUME runs in the client's and the server's sequence alike, as whoever runs the package:
# an immediate action from the library (type 1) without the no-impersonation bit wixl gives it.
EDITS += ["UPDATE `CustomAction` SET `Type` = 1 WHERE `Action` = 'CheckQuickResume'"]

# The event source's key goes with the product ("-": the key is removed on uninstall), which wixl's
# RegistryKey cannot say.
EDITS += [
    "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`) VALUES ('EventSourceRemoved', 2, "
    "'SYSTEM\\\\CurrentControlSet\\\\Services\\\\EventLog\\\\Application\\\\Corvane Velmora', '-', 'VelmoraProgram')",
]

# A step that fails the uninstall once our uninstall steps have run (test packages only): the logging
# program runner, deferred, given no command line, as an uninstall step whose command line was never set. A
# newer package still replaces such a package, and CORVANE_TEST_NO_FAILURE=1 lets a test remove it.
TEST_FAILURE = [
    "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
    "VALUES ('TestFailure', 3073, 'CorvaneActions', 'RunLogged')",
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) "
    "VALUES ('TestFailure', 'REMOVE~=\"ALL\" AND NOT CORVANE_TEST_NO_FAILURE', 1804)",
]

# The agent's uninstall step given a command line whose program is blank (test packages only): a property-setting
# action after the package's own, which CORVANE_TEST_NO_FAILURE=1 leaves out so that a test can remove the package.
TEST_BLANK_UNINSTALL_PROGRAM = [
    "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
    "VALUES ('TestBlankUninstallProgram', 51, 'AgentUninstall', '\"\" /uninstall /package')",
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) "
    "VALUES ('TestBlankUninstallProgram', "
    "'REMOVE~=\"ALL\" AND NOT UPGRADINGPRODUCTCODE AND NOT CORVANE_TEST_NO_FAILURE', 1406)",
]

UPGRADE_CODE = "{5EED611A-0247-4F3B-A514-A9C4DFD4118F}"  # as in CorvanePowerUtilities.wxs

VS_FIXEDFILEINFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)

IMAGE_FILE_MACHINE = {0x014C: "x86", 0x8664: "x64"}

# The x64 agent in place of the 32-bit one (test packages only): its record is in the 64-bit view (the
# registry search's type: 2 raw + 16 64-bit), and the package says what it is.
TEST_X64_AGENT = [
    "UPDATE `RegLocator` SET `Type` = 18 WHERE `Signature_` = 'AgentRecordSearch'",
    "INSERT INTO `Property` (`Property`, `Value`) VALUES ('CorvaneTestPackage', "
    "'Test equipment, not for shipping: the x64 agent in place of the 32-bit one')",
]


def machine_of(path):
    """The processor a program is built for ("x86", "x64"), from its PE header."""
    with open(path, "rb") as f:
        data = f.read(4096)
    if len(data) < 0x40 or data[:2] != b"MZ":
        sys.exit(f"make_package: {path} is no program")
    (header,) = struct.unpack_from("<I", data, 0x3C)
    if header + 6 > len(data) or data[header:header + 4] != b"PE\0\0":
        sys.exit(f"make_package: {path} is no program")
    (machine,) = struct.unpack_from("<H", data, header + 4)
    return IMAGE_FILE_MACHINE.get(machine, hex(machine))


def version_resource(path):
    """(file version "a.b.c.d", language) of a program's version resource: the language of its first
    translation (VarFileInfo\\Translation)."""
    with open(path, "rb") as f:
        data = f.read()
    at = data.find(VS_FIXEDFILEINFO_SIGNATURE)
    if at < 0:
        sys.exit(f"make_package: {path} has no version resource")
    ms, ls = struct.unpack_from("<II", data, at + 8)
    translation = data.find("Translation".encode("utf-16-le") + b"\0\0", at)
    if translation < 0:
        sys.exit(f"make_package: {path} names no language in its version resource")
    value = translation + len("Translation") * 2 + 2
    value += (4 - value % 4) % 4  # the value is aligned to 32 bits
    (language,) = struct.unpack_from("<H", data, value)
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}", language


def run(args, cwd=None):
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, cwd=cwd)
    # wixl warns about attributes it ignores; only failures matter.
    if result.returncode != 0:
        sys.stderr.write(result.stdout)
        sys.exit(f"make_package: {args[0]} failed ({result.returncode})")


def secure_properties(msi):
    """The current SecureCustomProperties value, read back through msidump."""
    with tempfile.TemporaryDirectory() as tables:
        # msidump writes binary streams below its working folder: the temporary one, not the caller's.
        run(["msidump", "-d", tables, os.path.abspath(msi), "Property"], cwd=tables)
        with open(os.path.join(tables, "Property.idt"), encoding="utf-8", errors="replace") as f:
            for line in f.read().splitlines()[3:]:
                name, _, value = line.partition("\t")
                if name == "SecureCustomProperties":
                    return value
    return ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--agent", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--icon", required=True)
    parser.add_argument("--actions", required=True)
    parser.add_argument("--kolu3")
    parser.add_argument("--test-failure-after-uninstall", action="store_true")
    parser.add_argument("--test-blank-uninstall-program", action="store_true")
    parser.add_argument("--test-x64-agent", action="store_true")
    a = parser.parse_args()

    for path in [os.path.join(a.velmora, "Velmora.exe"), os.path.join(a.agent, "Oskavel3.exe"),
                 os.path.join(a.agent, "corvane.pow"), a.icon, a.actions] + ([a.kolu3] if a.kolu3 else []):
        if not os.path.isfile(path):
            sys.exit(f"make_package: {path} is missing")
    agent_machine = machine_of(os.path.join(a.agent, "Oskavel3.exe"))
    wanted = "x64" if a.test_x64_agent else "x86"
    if agent_machine != wanted:
        sys.exit(f"make_package: the agent in {a.agent} is built for {agent_machine}; this package takes the "
                 f"{wanted} one")

    output = os.path.abspath(a.output)
    os.makedirs(os.path.dirname(output), exist_ok=True)
    partial = output + ".part"
    if os.path.exists(partial):
        os.remove(partial)
    # wixl looks files up relative to its source, so the inputs are linked into one staging folder.
    with tempfile.TemporaryDirectory() as stage:
        os.symlink(os.path.abspath(a.velmora), os.path.join(stage, "Velmora"))
        os.symlink(os.path.abspath(a.agent), os.path.join(stage, "Agent"))
        source = os.path.join(stage, "CorvanePowerUtilities.wxs")
        with open(os.path.join(HERE, "CorvanePowerUtilities.wxs"), encoding="utf-8") as f:
            wxs, places = HELP_MARKER.subn(lambda m: help_file_rows(), f.read())
        if places != 1:
            sys.exit("make_package: CorvanePowerUtilities.wxs has no HELP FILES place")
        with open(source, "w", encoding="utf-8") as f:
            f.write(wxs)
        os.symlink(os.path.abspath(a.icon), os.path.join(stage, "velmora.ico"))
        os.symlink(os.path.abspath(a.actions), os.path.join(stage, "CorvaneActions.dll"))
        wixl = ["wixl", "-a", "x64", "-o", partial,
                "-D", f"Version={a.version}", "-D", "VelmoraDir=Velmora", "-D", "AgentDir=Agent",
                "-D", "Icon=velmora.ico", "-D", "Actions=CorvaneActions.dll"]
        if a.kolu3:
            os.symlink(os.path.abspath(a.kolu3), os.path.join(stage, "KOLU3.DLL"))
            wixl += ["-D", "Kolu3Dll=KOLU3.DLL"]
        run(wixl + [source])

    edits = list(EDITS)
    # Same version included (wixl drops AllowSameVersionUpgrades): a rebuild replaces the installed copy instead
    # of installing beside it. Attributes 1 migrate features + 512 maximum version inclusive. Wine: Remove
    # names the older product's one feature, so that its removal is told from an uninstall (REMOVE is not ALL
    # then); Windows marks it with UPGRADINGPRODUCTCODE, Wine's msiexec does not. The key columns cannot be
    # updated, so the row is written anew.
    edits += ["DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'",
              "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `Remove`, `ActionProperty`) "
              "VALUES ('%s', '%s', 513, 'Complete', 'WIX_UPGRADE_DETECTED')" % (UPGRADE_CODE, a.version)]
    programs = [("VelmoraExe", os.path.join(a.velmora, "Velmora.exe")),
                ("Oskavel3Exe", os.path.join(a.agent, "Oskavel3.exe"))]
    if a.kolu3:
        programs.append(("Kolu3Dll", a.kolu3))
    for file_id, program in programs:
        version, language = version_resource(program)
        edits.append("UPDATE `File` SET `Version` = '%s', `Language` = '%d' WHERE `File` = '%s'"
                     % (version, language, file_id))
        edits.append("DELETE FROM `MsiFileHash` WHERE `File_` = '%s'" % file_id)
    if a.test_failure_after_uninstall:
        edits += TEST_FAILURE
    if a.test_blank_uninstall_program:
        edits += TEST_BLANK_UNINSTALL_PROGRAM
    if a.test_x64_agent:
        edits += TEST_X64_AGENT
    secure = [p for p in secure_properties(partial).split(";") if p]
    for prop in ("AGENTRECORD", "QUICKRESUME"):
        if prop not in secure:
            secure.append(prop)
    edits.append("UPDATE `Property` SET `Value` = '%s' WHERE `Property` = 'SecureCustomProperties'"
                 % ";".join(secure))
    command = ["msibuild", partial]
    for edit in edits:
        command += ["-q", edit]
    with tempfile.TemporaryDirectory() as scratch:
        run(command, cwd=scratch)
    os.replace(partial, output)


if __name__ == "__main__":
    main()
