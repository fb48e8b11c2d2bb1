#!/usr/bin/env python3
"""Writes a power scheme file (a registry hive) from a plan source.

usage: make_plan.py SOURCE [OUT ...] [--lists lf|lh] [--settings FILE]

A power scheme file is what "powercfg -export" writes and PowerImportPowerScheme reads: a registry
hive whose root key, named by the plan's GUID, holds FriendlyName and Description (REG_EXPAND_SZ)
and, below it, <subgroup>\\<setting> keys with ACSettingIndex / DCSettingIndex (REG_DWORD). The
hive is laid out as Windows writes one: a 4 KB base block (signature "regf", equal sequence numbers,
format 1.3, primary file, XOR checksum), then 4 KB hive bins holding nk (key), vk (value), lf
(subkey list), value-list, data and one sk (security) cell that every key shares, the rest of the
last bin one free cell.

The source is plain text (see resources/agent/corvane.pow.txt):
    guid = GUID
    name = TEXT
    description = TEXT
    SUBGROUP SETTING AC DC
Blank lines and lines starting with "#" are skipped. GUIDs are 36 characters. A value is decimal or
0x hex; "-" leaves it out, and "none:N" stores N as REG_NONE of 4 bytes. "-" as SUBGROUP puts the
setting directly below the root key. (The last three occur in files Windows exports; tests use them.)
The plan personality (setting 245d8541-3943-4422-b025-13a784f679b7, below the root) names the Windows
plan the settings left out come from: 0 Power saver, 1 High performance, 2 Balanced, the same on AC
and DC.

--settings FILE also writes the parsed settings for tests that are not written in Python, one line
each: SUBGROUP SETTING AC DC, the values in decimal, "-" for no subgroup or a value left out.

Standard library only; the output is byte-for-byte reproducible (fixed time stamps).
"""
import collections
import os
import re
import struct
import sys

REG_NONE, REG_EXPAND_SZ, REG_DWORD = 0, 2, 4
BASE_BLOCK = 4096
BIN = 4096
BIN_HEADER = 32
NONE = 0xFFFFFFFF
# 2024-01-01 00:00 UTC as a FILETIME: every key and the base block carry it, so builds are identical.
STAMP = 133485408000000000
GUID = re.compile(r"^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}$")


# The plan personality: which Windows plan (0 Power saver, 1 High performance, 2 Balanced) this one is.
PERSONALITY = "245d8541-3943-4422-b025-13a784f679b7"


class PlanError(Exception):
    pass


# guid: the name of the root key; settings: [(subgroup or None, setting, ac, dc)], a value (type,
# number) or None.
Plan = collections.namedtuple("Plan", "guid name description settings")


# --- the plan source -------------------------------------------------------------------------

def parse_value(text, where):
    if text == "-":
        return None
    kind = REG_DWORD
    if text.startswith("none:"):
        kind, text = REG_NONE, text[5:]
    try:
        number = int(text, 16) if text.lower().startswith("0x") else int(text, 10)
    except ValueError:
        raise PlanError("%s: %r is not a number" % (where, text))
    if not 0 <= number <= 0xFFFFFFFF:
        raise PlanError("%s: %r does not fit 32 bits" % (where, text))
    return (kind, number)


def parse_source(text):
    """Returns the Plan of a source text."""
    fields = {}
    settings = []
    for number, line in enumerate(text.splitlines(), 1):
        where = "line %d" % number
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        key, eq, rest = line.partition("=")
        if eq and key.strip() in ("guid", "name", "description"):
            if key.strip() in fields:
                raise PlanError("%s: %s given twice" % (where, key.strip()))
            fields[key.strip()] = rest.strip()
            continue
        parts = line.split()
        if len(parts) != 4:
            raise PlanError("%s: expected SUBGROUP SETTING AC DC" % where)
        sub, setting = parts[0].lower(), parts[1].lower()
        if sub != "-" and not GUID.match(sub) or not GUID.match(setting):
            raise PlanError("%s: subgroup and setting must be GUIDs" % where)
        ac, dc = parse_value(parts[2], where), parse_value(parts[3], where)
        if ac is None and dc is None:
            raise PlanError("%s: the setting has no value" % where)
        key = (None if sub == "-" else sub, setting)
        if any((s[0], s[1]) == key for s in settings):
            raise PlanError("%s: setting given twice" % where)
        if setting == PERSONALITY and not (key[0] is None and ac == dc and ac[0] == REG_DWORD and ac[1] <= 2):
            raise PlanError("%s: the personality sits below the root (\"-\"), 0, 1 or 2 on AC and DC alike"
                            % where)
        settings.append((key[0], setting, ac, dc))
    if "name" not in fields:
        raise PlanError("the plan has no name")
    if not GUID.match(fields.get("guid", "")):
        raise PlanError("the plan needs its GUID (guid = ...)")
    return Plan(fields["guid"].lower(), fields["name"], fields.get("description", ""), settings)


def load(path):
    with open(path, encoding="utf-8-sig") as f:
        return parse_source(f.read())


def settings_text(plan):
    """The settings in the form the tests read: SUBGROUP SETTING AC DC, decimal, "-" for none."""
    def number(value):
        return "-" if value is None else str(value[1])
    return "".join("%s %s %s %s\n" % (sub or "-", setting, number(ac), number(dc))
                   for sub, setting, ac, dc in plan.settings)


# --- the key tree ----------------------------------------------------------------------------

class Key:
    def __init__(self, name):
        self.name = name
        self.values = []  # (name, type, bytes)
        self.subkeys = {}

    def child(self, name):
        return self.subkeys.setdefault(name, Key(name))

    def sorted_subkeys(self):
        # Windows keeps subkey lists sorted by the upper-cased name.
        return sorted(self.subkeys.values(), key=lambda k: k.name.upper())


def plan_tree(plan):
    root = Key(plan.guid)
    for text, label in ((plan.name, "FriendlyName"), (plan.description, "Description")):
        root.values.append((label, REG_EXPAND_SZ, (text + "\0").encode("utf-16-le")))
    for sub, setting, ac, dc in plan.settings:
        key = (root.child(sub) if sub else root).child(setting)
        for label, value in (("ACSettingIndex", ac), ("DCSettingIndex", dc)):
            if value is not None:
                key.values.append((label, value[0], struct.pack("<I", value[1])))
    return root


# --- cells and bins --------------------------------------------------------------------------

def align8(n):
    return (n + 7) & ~7


class Cell:
    """One cell: its payload is produced once every cell has an offset."""

    def __init__(self, size, fill):
        self.size = align8(4 + size)
        self.fill = fill  # () -> payload bytes
        self.offset = None


def security_descriptor():
    """Self-relative, as in plans Windows exports: SYSTEM is owner and group, and the access list is the
    one the keys inherit in the store (SYSTEM and Administrators full control, Authenticated Users read,
    each passed on to subkeys)."""
    def sid(*parts):
        return struct.pack("<BB", 1, len(parts) - 1) + b"\0" * 5 + bytes([parts[0]]) + \
            b"".join(struct.pack("<I", p) for p in parts[1:])

    system, admins, users = sid(5, 18), sid(5, 32, 544), sid(5, 11)
    aces = b""
    for who, mask in ((system, 0x000F003F), (admins, 0x000F003F), (users, 0x00020019)):
        # allowed; passed on to subkeys (container inherit) and inherited itself
        aces += struct.pack("<BBHI", 0, 0x12, 8 + len(who), mask) + who
    acl = struct.pack("<BBHHH", 2, 0, 8 + len(aces), 3, 0) + aces
    header = 20
    dacl_at, owner_at = header, header + len(acl)
    group_at = owner_at + len(system)
    # self-relative, DACL present, DACL inherited
    return struct.pack("<BBHIIII", 1, 0, 0x8404, owner_at, group_at, 0, dacl_at) + acl + system + system


def name_bytes(name):
    try:
        return name.encode("ascii"), True
    except UnicodeEncodeError:
        return name.encode("utf-16-le"), False


def hash_name(name):
    h = 0
    for c in name.upper():
        h = (h * 37 + ord(c)) & 0xFFFFFFFF
    return h


def layout(root, lists):
    cells = []

    def add(size, fill):
        cell = Cell(size, fill)
        cells.append(cell)
        return cell

    sd = security_descriptor()
    count = [0]

    def key_cells(key, parent):
        raw, compressed = name_bytes(key.name)
        nk = add(0x4C + len(raw), None)
        if parent is None:
            add_sk = add(0x14 + len(sd), None)
            sk_cell[0] = add_sk
        count[0] += 1
        vks = []
        for vname, vtype, data in key.values:
            vraw, vcomp = name_bytes(vname)
            data_cell = add(len(data), lambda d=data: d) if len(data) > 4 else None
            vk = add(0x14 + len(vraw), None)
            vk.fill = (lambda vraw=vraw, vcomp=vcomp, vtype=vtype, data=data, dc=data_cell:
                       struct.pack("<2sHIIIHH", b"vk", len(vraw),
                                   len(data) if dc else 0x80000000 | len(data),
                                   dc.offset if dc else struct.unpack("<I", data.ljust(4, b"\0"))[0],
                                   vtype, 1 if vcomp else 0, 0) + vraw)
            vks.append(vk)
        value_list = add(4 * len(vks), lambda: b"".join(struct.pack("<I", v.offset) for v in vks)) \
            if vks else None
        children = key.sorted_subkeys()
        subkey_list = add(4 + 8 * len(children), None) if children else None
        child_cells = [key_cells(c, nk) for c in children]
        if subkey_list:
            def fill_list(children=children, child_cells=child_cells):
                out = struct.pack("<2sH", lists.encode(), len(children))
                for child, cell in zip(children, child_cells):
                    hint = struct.pack("<I", hash_name(child.name)) if lists == "lh" else \
                        name_bytes(child.name)[0][:4].ljust(4, b"\0")
                    out += struct.pack("<I", cell.offset) + hint
                return out
            subkey_list.fill = fill_list

        def fill_nk():
            flags = 0x2C if parent is None else 0x00
            flags |= 0x20 if compressed else 0
            longest = max((len(c.name) * 2 for c in children), default=0)
            longest_value = max((len(v[0]) * 2 for v in key.values), default=0)
            largest_data = max((len(v[2]) for v in key.values), default=0)
            return struct.pack(
                "<2sHQ" + "I" * 15 + "HH", b"nk", flags, STAMP, 0,
                NONE if parent is None else parent.offset,
                len(children), 0, subkey_list.offset if subkey_list else NONE, NONE,
                len(vks), value_list.offset if value_list else NONE, sk_cell[0].offset, NONE,
                longest, 0, longest_value, largest_data, 0, len(raw), 0) + raw
        nk.fill = fill_nk
        return nk

    sk_cell = [None]
    key_cells(root, None)
    sk = sk_cell[0]
    sk.fill = lambda: struct.pack("<2sHIIII", b"sk", 0, sk.offset, sk.offset, count[0], len(sd)) + sd
    return cells


def place(cells):
    """Gives every cell its offset (relative to the first bin); returns the bin sizes."""
    bins = []
    start, used = 0, BIN_HEADER
    size = BIN
    for cell in cells:
        if used + cell.size > size:
            bins.append((start, size, used))
            start += size
            size = max(BIN, (BIN_HEADER + cell.size + BIN - 1) // BIN * BIN)
            used = BIN_HEADER
        cell.offset = start + used
        used += cell.size
    bins.append((start, size, used))
    return bins


def hive_bytes(root, lists="lf"):
    cells = layout(root, lists)
    bins = place(cells)
    data = bytearray()
    for start, size, used in bins:
        data += struct.pack("<4sIIIIQI", b"hbin", start, size, 0, 0, STAMP, 0)
        data += b"\0" * (size - BIN_HEADER)
    for cell in cells:
        payload = cell.fill()
        if len(payload) + 4 > cell.size:
            raise AssertionError("cell payload outgrew its cell")
        struct.pack_into("<i", data, cell.offset, -cell.size)
        data[cell.offset + 4:cell.offset + 4 + len(payload)] = payload
    for start, size, used in bins:
        if used < size:  # the rest of the bin is one free cell
            struct.pack_into("<i", data, start + used, size - used)

    base = bytearray(BASE_BLOCK)
    struct.pack_into("<4sIIQIIIIIII", base, 0, b"regf", 1, 1, STAMP, 1, 5 if lists == "lh" else 3, 0, 1,
                     cells[0].offset, len(data), 1)
    # The base block's checksum is the XOR of its first 127 words; 0 and 0xFFFFFFFF are kept for "no
    # checksum" and "invalid" by the registry's own readers, so they are stored as 1 and 0xFFFFFFFE.
    checksum = 0
    for (word,) in struct.iter_unpack("<I", bytes(base[:0x1FC])):
        checksum ^= word
    checksum = {0: 1, NONE: NONE - 1}.get(checksum, checksum)
    struct.pack_into("<I", base, 0x1FC, checksum)
    return bytes(base) + bytes(data)


def write(path, data):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)  # never leave a half-written file behind for the build


def main(argv):
    args, options = [], {"--lists": "lf", "--settings": None}
    rest = iter(argv[1:])
    for arg in rest:
        if arg in options:
            options[arg] = next(rest, "")
        else:
            args.append(arg)
    lists, settings = options["--lists"], options["--settings"]
    if not args or len(args) == 1 and not settings or lists not in ("lf", "lh") or settings == "":
        sys.stderr.write("usage: make_plan.py SOURCE [OUT ...] [--lists lf|lh] [--settings FILE]\n")
        return 2
    try:
        plan = load(args[0])
        data = hive_bytes(plan_tree(plan), lists)
        for out in args[1:]:
            write(out, data)
        if settings:
            write(settings, settings_text(plan).encode("ascii"))
    except (OSError, UnicodeDecodeError) as e:
        sys.stderr.write("make_plan.py: %s\n" % e)
        return 1
    except PlanError as e:
        sys.stderr.write("%s: %s\n" % (args[0], e))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
