#!/usr/bin/env python3
"""Convert a UTF-8 text file to UTF-16LE with BOM and CRLF line ends.

Windows reads the profile files through GetPrivateProfileStringW and the task
definition through the Task Scheduler, both of which expect UTF-16 with a BOM.
The sources stay UTF-8 so they can be edited and diffed comfortably.

usage: to_utf16.py IN OUT [NAME=VALUE ...]

Each NAME=VALUE replaces @NAME@ in the text.
"""
import os
import sys


def convert(src, dst, substitutions=()):
    with open(src, "rb") as f:
        data = f.read()
    text = data.decode("utf-8-sig")  # tolerate an editor-added UTF-8 BOM
    for item in substitutions:
        name, _, value = item.partition("=")
        text = text.replace("@%s@" % name, value)
    # Normalise any mix of CRLF/CR/LF first so CRLF sources don't end up with CRCRLF.
    lines = text.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    out = "\r\n".join(lines) + "\r\n"
    os.makedirs(os.path.dirname(os.path.abspath(dst)), exist_ok=True)
    tmp = dst + ".tmp"
    with open(tmp, "wb") as f:
        f.write(b"\xff\xfe" + out.encode("utf-16-le"))
    os.replace(tmp, dst)  # never leave a half-written file behind for the build


def main(argv):
    if len(argv) < 3:
        sys.stderr.write("usage: to_utf16.py IN OUT [NAME=VALUE ...]\n")
        return 2
    try:
        convert(argv[1], argv[2], argv[3:])
    except (OSError, UnicodeDecodeError) as e:
        sys.stderr.write("to_utf16.py: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
