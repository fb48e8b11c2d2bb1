#!/usr/bin/python3
"""The agent's shipped data files as a machine reads them.

usage: dist_files_test.py PLAN_SOURCE DIST_DIR

- corvane.pow, read by hivex (an independent reader of registry hives), holds exactly the plan of its
  source file (parsed by the build's own make_plan.py): the names, every setting key with its AC/DC
  values, nothing else. The file is what Windows exports: its base block, its root key named by the
  plan's GUID, the Balanced personality, and one security descriptor owned by SYSTEM for all keys.
- The shipped x86 and x64 folders hold the same plan file.
- The logon task asks for the highest rights the user has (device wake needs an administrator).
"""
import os
import re
import struct
import sys
import unittest

import hivex

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "gen"))
import make_plan  # noqa: E402

SOURCE = DIST = None

# The settings a notebook plan must set (subgroup, setting), whatever values the maker chooses.
REQUIRED = {
    (None, "245d8541-3943-4422-b025-13a784f679b7"),  # plan personality
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
PLAN_GUID = "77f27d85-d222-404d-a542-9d1e8c800938"  # the shipped plan's own, as the README gives it


def read_hive(path):
    """(root key name, root values {name: (type, bytes)}, {(subgroup or None, setting): values},
    loose keys)."""
    h = hivex.Hivex(path)
    root = h.root()

    def values(node):
        return {h.value_key(v): h.value_value(v) for v in h.node_values(node)}

    settings, odd = {}, []
    for key in h.node_children(root):
        if not h.node_children(key) and h.node_values(key):  # a setting of no subgroup
            settings[(None, h.node_name(key))] = values(key)
            continue
        if h.node_values(key):
            odd.append(h.node_name(key))
        for setting in h.node_children(key):
            if h.node_children(setting):
                odd.append(h.node_name(setting))
            settings[(h.node_name(key), h.node_name(setting))] = values(setting)
    return h.node_name(root), values(root), settings, odd


def security(data, path):
    """The security cells the keys of the file name, and the first decoded: (how many cells, whether its
    reference count is the number of keys, control, owner, group, [(ACE type, flags, mask, SID)])."""
    h = hivex.Hivex(path)
    nodes, offsets, keys = [h.root()], set(), 0
    while nodes:
        node = nodes.pop()  # hivex's handle is the file offset of the key's cell
        offsets.add(struct.unpack_from("<I", data, node + 4 + 0x2C)[0])
        nodes += h.node_children(node)
        keys += 1
    sk = 4096 + next(iter(offsets)) + 4
    assert data[sk:sk + 2] == b"sk"
    count, sd = struct.unpack_from("<I", data, sk + 12)[0], sk + 20

    def sid(at):
        n = data[at + 1]
        authority = int.from_bytes(data[at + 2:at + 8], "big")
        subs = struct.unpack_from("<%dI" % n, data, at + 8)
        return "-".join(["S-1", str(authority)] + [str(x) for x in subs])

    _, _, control, owner, group, _, dacl = struct.unpack_from("<BBHIIII", data, sd)
    aces, at = [], sd + dacl + 8
    for _ in range(struct.unpack_from("<H", data, sd + dacl + 4)[0]):
        kind, flags, size, mask = struct.unpack_from("<BBHI", data, at)
        aces.append((kind, flags, mask, sid(at + 8)))
        at += size
    return len(offsets), count == keys, control, sid(sd + owner), sid(sd + group), aces


class PlanFile(unittest.TestCase):
    def setUp(self):
        self.path = os.path.join(DIST, "Oskavel-x64", "corvane.pow")
        with open(self.path, "rb") as f:
            self.data = f.read()

    def test_the_file_holds_exactly_the_source_plan(self):
        plan = make_plan.load(SOURCE)
        self.assertEqual(plan.name, "Corvane Power Plan")
        expected = {}
        for sub, setting, ac, dc in plan.settings:
            values = (("ACSettingIndex", ac), ("DCSettingIndex", dc))
            expected[(sub, setting)] = {name: (v[0], struct.pack("<I", v[1])) for name, v in values if v}
        self.assertLessEqual(REQUIRED, set(expected), "the plan leaves out settings a notebook plan sets")

        root_name, root, settings, odd = read_hive(self.path)
        self.assertEqual(root_name, PLAN_GUID)
        self.assertEqual(root, {
            "FriendlyName": (REG_EXPAND_SZ, (plan.name + "\0").encode("utf-16-le")),
            "Description": (REG_EXPAND_SZ, (plan.description + "\0").encode("utf-16-le")),
        })
        self.assertEqual(odd, [], "keys that are neither subgroups nor settings")
        self.assertEqual(settings, expected)
        # Based on Balanced: its personality, on mains and on battery.
        self.assertEqual(settings[(None, "245d8541-3943-4422-b025-13a784f679b7")], {
            "ACSettingIndex": (REG_DWORD, b"\2\0\0\0"), "DCSettingIndex": (REG_DWORD, b"\2\0\0\0")})

    def test_the_file_is_laid_out_as_windows_writes_it(self):
        data = self.data
        # signature, sequence numbers, version 1.3, primary file, format 1, root at 0x20, bins, clustering 1
        self.assertEqual(struct.unpack_from("<4sII8xIIIIIII", data),
                         (b"regf", 1, 1, 1, 3, 0, 1, 0x20, len(data) - 4096, 1))
        checksum = 0
        for (word,) in struct.iter_unpack("<I", data[:0x1FC]):
            checksum ^= word
        self.assertEqual(struct.unpack_from("<I", data, 0x1FC)[0], checksum)
        self.assertEqual(data[4096:4100], b"hbin")
        # One descriptor shared by every key: owned by SYSTEM (owner and group), a DACL inherited from the
        # store (self-relative, DACL present and auto-inherited; each ACE passed on to subkeys and inherited).
        self.assertEqual(security(data, self.path), (1, True, 0x8404, "S-1-5-18", "S-1-5-18", [
            (0, 0x12, 0x000F003F, "S-1-5-18"),      # SYSTEM: full control
            (0, 0x12, 0x000F003F, "S-1-5-32-544"),  # Administrators: full control
            (0, 0x12, 0x00020019, "S-1-5-11"),      # Authenticated Users: read
        ]))

    def test_both_agent_folders_ship_the_same_file(self):
        x86 = os.path.join(DIST, "Oskavel", "corvane.pow")
        if not os.path.exists(x86):
            self.skipTest("the x86 tree has not been built")
        with open(x86, "rb") as a:
            self.assertEqual(a.read(), self.data)


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
