#!/usr/bin/env python3
"""Builds the Windows Installer package from CorvanePowerUtilities.wxs with wixl, then makes the table edits
wixl cannot express, with msibuild (both from msitools):

- the previous version is removed right after InstallInitialize, so its uninstall steps (quick resume off, plan
  and task removed) run before the new files and the new agent's "/install";
- the Start-menu shortcut points at Velmora.exe itself (wixl only writes advertised shortcuts);
- FIRMWARELIBRARY holds the path of the installed firmware library when there is one (AppSearch), so that
  "Velmora.exe UNINSTALL" runs only where it can switch;
- uninstalling the agent removes its key HKLM\\Software\\Corvane\\Oskavel (the record "CorvaneMode"), in the
  registry view of the agent's own bitness, after the agent's "/uninstall" has read it.

usage: make_package.py --version V --velmora DIR --agent DIR --output FILE.msi [--kolu3 FILE]
"""
import argparse
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

EDITS = [
    "UPDATE `InstallExecuteSequence` SET `Sequence` = 1501 WHERE `Action` = 'RemoveExistingProducts'",
    "UPDATE `Shortcut` SET `Target` = '[#VelmoraExe]' WHERE `Shortcut` = 'VelmoraShortcut'",
    "CREATE TABLE `DrLocator` (`Signature_` CHAR(72) NOT NULL, `Parent` CHAR(72), `Path` CHAR(255), "
    "`Depth` SHORT PRIMARY KEY `Signature_`, `Parent`, `Path`)",
    "INSERT INTO `Signature` (`Signature`, `FileName`) VALUES ('FirmwareLibraryFile', 'KOLU3.DLL')",
    "INSERT INTO `DrLocator` (`Signature_`, `Path`, `Depth`) "
    "VALUES ('FirmwareLibraryFile', '[ProgramFiles64Folder]Corvane\\Velmora\\Win7_Driver\\x64', 0)",
    "INSERT INTO `AppSearch` (`Property`, `Signature_`) VALUES ('FIRMWARELIBRARY', 'FirmwareLibraryFile')",
    # Name "-": the key and everything below it go when the component is uninstalled.
    "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`) "
    "VALUES ('AgentRecord', 2, 'Software\\Corvane\\Oskavel', '-', 'AgentProgram')",
    # The package has no other registry entries, so wixl left the registry actions out of the sequence.
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveRegistryValues', 2600)",
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteRegistryValues', 5000)",
]


def run(args):
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    # wixl warns about attributes it ignores; only failures matter.
    if result.returncode != 0:
        sys.stderr.write(result.stdout)
        sys.exit(f"make_package: {args[0]} failed ({result.returncode})")


def secure_properties(msi):
    """The current SecureCustomProperties value, read back through msidump."""
    with tempfile.TemporaryDirectory() as tables:
        run(["msidump", "-d", tables, os.path.abspath(msi), "Property"])
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
    parser.add_argument("--kolu3")
    a = parser.parse_args()

    for path in [os.path.join(a.velmora, "Velmora.exe"), os.path.join(a.agent, "Oskavel3.exe"),
                 os.path.join(a.agent, "corvane.pow")] + ([a.kolu3] if a.kolu3 else []):
        if not os.path.isfile(path):
            sys.exit(f"make_package: {path} is missing")

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
        os.symlink(os.path.join(HERE, "CorvanePowerUtilities.wxs"), source)
        wixl = ["wixl", "-a", "x64", "-o", partial,
                "-D", f"Version={a.version}", "-D", "VelmoraDir=Velmora", "-D", "AgentDir=Agent"]
        if a.kolu3:
            os.symlink(os.path.abspath(a.kolu3), os.path.join(stage, "KOLU3.DLL"))
            wixl += ["-D", "Kolu3Dll=KOLU3.DLL"]
        run(wixl + [source])

    edits = list(EDITS)
    secure = [p for p in secure_properties(partial).split(";") if p]
    for prop in ("VELMORAMODE", "FIRMWARELIBRARY"):
        if prop not in secure:
            secure.append(prop)
    edits.append("UPDATE `Property` SET `Value` = '%s' WHERE `Property` = 'SecureCustomProperties'"
                 % ";".join(secure))
    command = ["msibuild", partial]
    for edit in edits:
        command += ["-q", edit]
    run(command)
    os.replace(partial, output)


if __name__ == "__main__":
    main()
