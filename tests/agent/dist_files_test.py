#!/usr/bin/python3
"""The agent's shipped data files as a machine reads them.

usage: dist_files_test.py PLAN_SOURCE DIST_DIR

- corvane.pow, read by hivex (an independent reader of registry hives), holds exactly the plan of its
  source file: the names, every setting key with its AC/DC values, nothing else. The source is parsed
  here on its own, not by the build's writer. The file's base block is what Windows writes.
- The shipped x86 and x64 folders hold the same plan file.
- The logon task asks for the highest rights the user has (device wake needs an administrator).
"""
import os
import re
import struct
import sys
import unittest

import hivex

SOURCE = DIST = None

# The settings a notebook plan must set (subgroup, setting), whatever values the maker chooses.
REQUIRED = {
    ("4f971e89-eebd-4455-a8de-9e59040e7347", "5ca83367-6e45-459f-a27b-476b1d01c936"),  # lid close
    ("4f971e89-eebd-4455-a8de-9e59040e7347", "7648efa3-dd9c-4e3e-b566-50f929386280"),  # power button
    ("4f971e89-eebd-4455-a8de-9e59040e7347", "96996bc0-ad50-47ec-923b-6f41874dd9eb"),  # sleep button
    ("238c9fa8-0aad-41ed-83f4-97be242c8f20", "29f6c1db-86da-48c5-9fdb-f2b67b1f44da"),  # sleep after
    ("238c9fa8-0aad-41ed-83f4-97be242c8f20", "9d7815a6-7ee4-497e-8888-515a05f02364"),  # hibernate after
    ("238c9fa8-0aad-41ed-83f4-97be242c8f20", "94ac6d29-73ce-41a6-809f-6363ba21b47e"),  # hybrid sleep
    ("238c9fa8-0aad-41ed-83f4-97be242c8f20", "bd3b718a-0680-4d9d-8ab2-e1d2b4ac806d"),  # wake timers
    ("7516b95f-f776-4464-8c53-06167f40cc99", "3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e"),  # display off
    ("54533251-82be-4824-96c1-47b60b740d00", "893dee8e-2bef-41e0-89c6-b55d0929964c"),  # processor minimum
    ("54533251-82be-4824-96c1-47b60b740d00", "bc5038f7-23e0-4960-96da-33abaf5935ec"),  # processor maximum
    ("2a737441-1930-4402-8d77-b2bebba308a3", "48e6b7a6-50f5-4782-a5d4-53bb8f07e226"),  # USB selective suspend
    ("501a4d13-42af-4429-9fd1-a8218c268e20", "ee12f906-d277-404b-b6da-e5fa1a576df5"),  # PCI Express ASPM
    ("19cbb8fa-5279-450e-9fac-8a3d5fedd0c1", "12bbebe6-58d6-4636-95bb-3217ef867c1a"),  # wireless power saving
}

REG_EXPAND_SZ, REG_DWORD = 2, 4
SETTING_LINE = re.compile(r"^([0-9a-f-]{36})\s+([0-9a-f-]{36})\s+(\d+)\s+(\d+)$")


def read_source(path):
    names, settings = {}, {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            field = re.match(r"^(name|description)\s*=\s*(.*)$", line)
            if field:
                names[field.group(1)] = field.group(2)
                continue
            m = SETTING_LINE.match(line)
            if not m:
                raise AssertionError("unexpected line in the plan source: %r" % line)
            settings[(m.group(1), m.group(2))] = (int(m.group(3)), int(m.group(4)))
    return names, settings


def read_hive(path):
    """(root values {name: (type, bytes)}, {(subgroup, setting): {value name: (type, bytes)}}, loose keys)."""
    h = hivex.Hivex(path)
    root = h.root()

    def values(node):
        return {h.value_key(v): h.value_value(v) for v in h.node_values(node)}

    settings, odd = {}, []
    for sub in h.node_children(root):
        if h.node_values(sub):
            odd.append(h.node_name(sub))
        for setting in h.node_children(sub):
            if h.node_children(setting):
                odd.append(h.node_name(setting))
            settings[(h.node_name(sub), h.node_name(setting))] = values(setting)
    return values(root), settings, odd


class PlanFile(unittest.TestCase):
    def test_the_file_holds_exactly_the_source_plan(self):
        names, expected = read_source(SOURCE)
        self.assertEqual(names["name"], "Corvane Power Plan")
        self.assertLessEqual(REQUIRED, set(expected), "the plan leaves out settings a notebook plan sets")

        root, settings, odd = read_hive(os.path.join(DIST, "Oskavel-x64", "corvane.pow"))
        self.assertEqual(root, {
            "FriendlyName": (REG_EXPAND_SZ, (names["name"] + "\0").encode("utf-16-le")),
            "Description": (REG_EXPAND_SZ, (names["description"] + "\0").encode("utf-16-le")),
        })
        self.assertEqual(odd, [], "keys that are neither subgroups nor settings")
        self.assertEqual(set(settings), set(expected))
        for key, (ac, dc) in expected.items():
            self.assertEqual(settings[key], {
                "ACSettingIndex": (REG_DWORD, struct.pack("<I", ac)),
                "DCSettingIndex": (REG_DWORD, struct.pack("<I", dc)),
            }, key)

    def test_the_base_block_is_what_windows_writes(self):
        with open(os.path.join(DIST, "Oskavel-x64", "corvane.pow"), "rb") as f:
            data = f.read()
        # signature, sequence numbers, version 1.3, primary file, format 1, root at 0x20, bins, clustering 1
        self.assertEqual(struct.unpack_from("<4sII8xIIIIIII", data),
                         (b"regf", 1, 1, 1, 3, 0, 1, 0x20, len(data) - 4096, 1))
        checksum = 0
        for (word,) in struct.iter_unpack("<I", data[:0x1FC]):
            checksum ^= word
        self.assertEqual(struct.unpack_from("<I", data, 0x1FC)[0], checksum)
        self.assertEqual(data[4096:4100], b"hbin")

    def test_both_agent_folders_ship_the_same_file(self):
        x86 = os.path.join(DIST, "Oskavel", "corvane.pow")
        if not os.path.exists(x86):
            self.skipTest("the x86 tree has not been built")
        with open(x86, "rb") as a, open(os.path.join(DIST, "Oskavel-x64", "corvane.pow"), "rb") as b:
            self.assertEqual(a.read(), b.read())


class TaskDefinition(unittest.TestCase):
    def test_the_logon_task_runs_with_the_highest_rights_the_user_has(self):
        paths = [os.path.join(DIST, folder, "Oskavel.xml") for folder in ("Oskavel-x64", "Oskavel")]
        for path in paths[:1] + [p for p in paths[1:] if os.path.exists(p)]:  # x86: when built
            with open(path, "rb") as f:
                text = f.read().decode("utf-16")
            self.assertEqual(re.findall(r"<RunLevel>(\w+)</RunLevel>", text), ["HighestAvailable"], path)


if __name__ == "__main__":
    SOURCE, DIST = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
