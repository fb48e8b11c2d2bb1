#!/usr/bin/env python3
"""Build the Corvane Velmora help files, one CHM per language.

usage: build_help.py SRC_DIR OUT_DIR --languages languages.txt [--strings UIString.ini.txt] [--chmcmd PATH]
                     [--html-only]

SRC_DIR/texts/<CODE>.txt holds the page texts of one language as key=value lines (UTF-8, ';' starts a
comment). A file may name another one with base=<CODE> and only override what differs (regional
variants). One help file is built for each language of languages.txt (the program's list); a listed language
without its text, or a text of no listed language, is an error. Feature and button names are taken from the
settings program's UIString.ini.txt so the help
always uses the captions the user sees. For every language an index.html and a .hhp project are written
to a scratch directory and compiled with chmcmd into OUT_DIR/<CODE>.chm.
"""
import argparse
import concurrent.futures
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

TEXT_KEYS = (
    "intro", "on_head", "on1", "on2", "on3", "on4", "on5",
    "off_head", "off1", "off2", "off3", "off4", "off5",
    "buttons_head", "apply", "ok", "cancel", "admin_head", "admin", "unavailable",
)
UI_KEYS = ("FuncName", "OK", "CANCEL", "APPLY")
RTL_LANGS = ("ar", "he")
TITLE = "Corvane Velmora"

# Plain divs and CSS 2 only: hh.exe renders with the Internet Explorer engine.
CSS = """
body { margin: 0; background: #fff; color: #222; font: 10pt/1.5 "Segoe UI", Tahoma, Arial, sans-serif; }
.top { background: #0B6E79; color: #fff; padding: 14px 24px; }
.top h1 { margin: 0; font-size: 16pt; font-weight: normal; }
.content { padding: 8px 24px 24px; max-width: 720px; }
h2 { color: #0B6E79; font-size: 13pt; margin: 18px 0 6px; }
h3 { color: #0B6E79; font-size: 11pt; margin: 16px 0 4px; }
ul { margin: 4px 0; padding: 0 0 0 22px; }
[dir=rtl] ul { padding: 0 22px 0 0; }
li { margin: 3px 0; }
dl { margin: 4px 0; }
dt { font-weight: bold; margin-top: 6px; }
dd { margin: 0 0 0 22px; }
[dir=rtl] dd { margin: 0 22px 0 0; }
.note { border-left: 4px solid #0B6E79; background: #eef6f7; padding: 8px 12px; margin: 12px 0; }
[dir=rtl] .note { border-left: 0; border-right: 4px solid #0B6E79; }
"""


def read_kv(path):
    values = {}
    with open(path, encoding="utf-8-sig") as f:
        for n, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith(";"):
                continue
            if "=" not in line:
                raise ValueError("%s:%d: expected key=value" % (path, n))
            key, value = line.split("=", 1)
            values[key.strip()] = value.strip()
    return values


def read_ui_strings(path):
    sections, current = {}, None
    with open(path, encoding="utf-8-sig") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith(";"):
                continue
            m = re.fullmatch(r"\[([^\]]+)\]", line)
            if m:
                current = sections.setdefault(m.group(1).upper(), {})
            elif current is not None and "=" in line:
                key, value = line.split("=", 1)
                current[key.strip()] = value.strip()
    return sections


def load_texts(texts_dir, code, seen=()):
    if code in seen:
        raise ValueError("base= loop at %s" % code)
    own = read_kv(os.path.join(texts_dir, code + ".txt"))
    base = own.pop("base", None)
    merged = load_texts(texts_dir, base.upper(), seen + (code,)) if base else {}
    merged.update(own)
    return merged


def render_page(t, ui):
    e = html.escape
    lang = t["lang"]
    rtl = lang.split("-")[0] in RTL_LANGS
    on_items = "".join("<li>%s</li>\n" % e(t["on%d" % i]) for i in range(1, 6))
    off_items = "".join("<li>%s</li>\n" % e(t["off%d" % i]) for i in range(1, 6))
    buttons = "".join(
        "<dt>%s</dt><dd>%s</dd>\n" % (e(ui[k]), e(t[v]))
        for k, v in (("APPLY", "apply"), ("OK", "ok"), ("CANCEL", "cancel")))
    return (
        '<!DOCTYPE html>\n'
        '<html lang="%(lang)s"%(dir)s>\n<head>\n'
        '<meta charset="utf-8">\n'
        '<meta http-equiv="X-UA-Compatible" content="IE=edge">\n'
        '<title>%(title)s</title>\n<style>%(css)s</style>\n</head>\n<body>\n'
        '<div class="top"><h1>%(title)s</h1></div>\n<div class="content">\n'
        '<h2>%(feature)s</h2>\n<p>%(intro)s</p>\n'
        '<h3>%(on_head)s</h3>\n<ul>\n%(on)s</ul>\n'
        '<h3>%(off_head)s</h3>\n<ul>\n%(off)s</ul>\n'
        '<h3>%(buttons_head)s</h3>\n<dl>\n%(buttons)s</dl>\n'
        '<h3>%(admin_head)s</h3>\n<p class="note">%(admin)s</p>\n'
        '<p>%(unavailable)s</p>\n'
        '</div>\n</body>\n</html>\n'
    ) % {
        "lang": e(lang), "dir": ' dir="rtl"' if rtl else "", "title": e(TITLE), "css": CSS,
        "feature": e(ui["FuncName"]), "intro": e(t["intro"]),
        "on_head": e(t["on_head"]), "on": on_items, "off_head": e(t["off_head"]), "off": off_items,
        "buttons_head": e(t["buttons_head"]), "buttons": buttons,
        "admin_head": e(t["admin_head"]), "admin": e(t["admin"]), "unavailable": e(t["unavailable"]),
    }


def render_project(code):
    # The title stays ASCII: hh.exe shows .hhp strings in the code page of the help file's language.
    return (
        "[OPTIONS]\r\n"
        "Compatibility=1.1 or later\r\n"
        "Compiled file=%s.chm\r\n"
        "Default topic=index.html\r\n"
        "Display compile progress=No\r\n"
        "Language=0x%04x\r\n"
        "Title=%s\r\n"
        "\r\n[FILES]\r\nindex.html\r\n"
    ) % (code, int(code, 16), TITLE)


def build_one(code, texts_dir, ui, work_root, out_dir, chmcmd, html_only):
    t = load_texts(texts_dir, code)
    missing = [k for k in ("lang",) + TEXT_KEYS if not t.get(k)]
    if missing:
        raise ValueError("%s: missing %s" % (code, ", ".join(missing)))
    if code not in ui or any(not ui[code].get(k) for k in UI_KEYS):
        raise ValueError("%s: UIString section incomplete" % code)
    work = os.path.join(work_root, code)
    os.makedirs(work)
    # The BOM makes the IE engine of hh.exe pick UTF-8 even before it reaches the meta tag.
    with open(os.path.join(work, "index.html"), "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write(render_page(t, ui[code]))
    with open(os.path.join(work, code + ".hhp"), "w", encoding="ascii", newline="") as f:
        f.write(render_project(code))
    if html_only:
        shutil.copytree(work, os.path.join(out_dir, code))
        return
    r = subprocess.run([chmcmd, "--verbosity", "0", code + ".hhp"], cwd=work,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    chm = os.path.join(work, code + ".chm")
    if r.returncode != 0 or not os.path.isfile(chm) or os.path.getsize(chm) == 0:
        raise RuntimeError("chmcmd failed for %s:\n%s" % (code, r.stdout))
    shutil.move(chm, os.path.join(out_dir, code + ".chm"))


def read_languages(path):
    """The codes of languages.txt: the first word of each line that is not a comment."""
    with open(path, encoding="utf-8") as f:
        return [line.split()[0].upper() for line in f if line.strip() and not line.startswith("#")]


def main():
    p = argparse.ArgumentParser(description="Build the Corvane Velmora CHM help files.")
    p.add_argument("src_dir")
    p.add_argument("out_dir")
    p.add_argument("--strings", help="UIString.ini.txt (default: SRC_DIR/../UIString.ini.txt)")
    p.add_argument("--chmcmd", default=shutil.which("chmcmd") or "chmcmd")
    p.add_argument("--html-only", action="store_true", help="write the HTML sources instead of CHMs")
    p.add_argument("--languages", required=True, help="the program's languages.txt")
    a = p.parse_args()

    texts_dir = os.path.join(a.src_dir, "texts")
    strings = a.strings or os.path.join(a.src_dir, os.pardir, "UIString.ini.txt")
    ui = read_ui_strings(strings)
    codes = read_languages(a.languages)
    texts = sorted(f[:-4].upper() for f in os.listdir(texts_dir) if f.lower().endswith(".txt"))
    if sorted(codes) != texts:
        sys.stderr.write("build_help.py: the help texts (%s) are not the listed languages (%s)\n"
                         % (" ".join(sorted(set(texts) - set(codes))) or "-",
                            " ".join(sorted(set(codes) - set(texts))) or "-"))
        return 1
    missing = [c for c in codes if c not in ui]
    if missing:
        sys.stderr.write("build_help.py: UIString.ini.txt has no section for %s\n" % " ".join(missing))
        return 1
    os.makedirs(a.out_dir, exist_ok=True)
    # Scratch files never go to OUT_DIR: that folder is shipped as is.
    with tempfile.TemporaryDirectory(prefix="velmora-help-") as work_root:
        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 4) as pool:
            jobs = {pool.submit(build_one, c, texts_dir, ui, work_root, a.out_dir, a.chmcmd,
                                a.html_only): c for c in codes}
            errors = []
            for job in concurrent.futures.as_completed(jobs):
                try:
                    job.result()
                except Exception as ex:  # report every failing language, not just the first
                    errors.append(str(ex))
    if errors:
        sys.stderr.write("build_help.py: " + "\nbuild_help.py: ".join(sorted(errors)) + "\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
