#!/usr/bin/env python3
"""Writes the Group Policy templates into a PolicyDefinitions folder: CorvanePowerUtilities.admx as it stands,
and CorvanePowerUtilities.adml for every interface language, its texts taken from UIString.ini.txt (the feature
name, the two choices, the description and the line that says the organization manages the setting). The
English file also explains what each state of the policy does.

usage: make_policy_templates.py ADMX UISTRING_INI_TXT LANGUAGES_TXT VERSION OUTPUT_DIR
"""
import os
import re
import sys
from xml.sax.saxutils import escape

# Windows names each ADML folder by the culture of its language.
CULTURES = {
    "0401": "ar-SA", "0402": "bg-BG", "0404": "zh-TW", "0405": "cs-CZ", "0406": "da-DK", "0407": "de-DE",
    "0408": "el-GR", "0409": "en-US", "040B": "fi-FI", "040C": "fr-FR", "040D": "he-IL", "040E": "hu-HU",
    "0410": "it-IT", "0412": "ko-KR", "0413": "nl-NL", "0414": "nb-NO", "0415": "pl-PL", "0416": "pt-BR",
    "0418": "ro-RO", "0419": "ru-RU", "041A": "hr-HR", "041B": "sk-SK", "041D": "sv-SE", "041E": "th-TH",
    "041F": "tr-TR", "0421": "id-ID", "0422": "uk-UA", "0804": "zh-CN", "0814": "nn-NO", "0816": "pt-PT",
    "081A": "sr-Latn-RS", "081D": "sv-FI", "0C01": "ar-EG", "0C04": "zh-HK", "0C0A": "es-ES",
    "0C1A": "sr-Cyrl-RS", "2801": "ar-SY", "2C01": "ar-JO", "3001": "ar-LB",
}

ENGLISH_EXPLAIN = (
    "Sets quick resume for every user of the computer.\n\n"
    "Enabled: quick resume is on or off as chosen below. Corvane Velmora shows the choice and does not let users "
    "change it, its ON and OFF commands refuse the other direction, and at each logon the power-plan agent brings "
    "the mode back to this choice when a user's record differs from it.\n\n"
    "Disabled or not configured: each user chooses in Corvane Velmora.\n\n"
    "The value is HKLM\\Software\\Policies\\Corvane\\Velmora, QuickResume (REG_DWORD): 1 on, 0 off.")

ADML = """<?xml version="1.0" encoding="utf-8"?>
<policyDefinitionResources xmlns:xsd="http://www.w3.org/2001/XMLSchema"
                           xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" revision="1.0" schemaVersion="1.0"
                           xmlns="http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions">
  <displayName>Corvane Power Utilities</displayName>
  <description>{description}</description>
  <resources>
    <stringTable>
      <string id="Corvane">Corvane</string>
      <string id="PowerUtilities">Corvane Power Utilities</string>
      <string id="SUPPORTED_PowerUtilities">Corvane Power Utilities {version}</string>
      <string id="QuickResume">{name}</string>
      <string id="QuickResume_Explain">{explain}</string>
      <string id="QuickResume_On">{on}</string>
      <string id="QuickResume_Off">{off}</string>
    </stringTable>
    <presentationTable>
      <presentation id="QuickResume">
        <dropdownList refId="QuickResume_Mode" noSort="true" defaultItem="0">{name}</dropdownList>
      </presentation>
    </presentationTable>
  </resources>
</policyDefinitionResources>
"""


def sections(path):
    texts, section = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            heading = re.match(r"^\[([0-9A-F]{4})\]$", line)
            if heading:
                section = texts.setdefault(heading.group(1), {})
            elif section is not None and "=" in line and not line.startswith(";"):
                key, _, value = line.partition("=")
                section[key] = value
    return texts


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    admx, ui_strings, languages, version, out = sys.argv[1:]
    with open(languages, encoding="utf-8") as f:
        codes = [line.split()[0] for line in f if line.strip() and not line.startswith("#")]
    texts = sections(ui_strings)
    os.makedirs(out, exist_ok=True)
    with open(admx, encoding="utf-8") as f:
        template = f.read()
    with open(os.path.join(out, "CorvanePowerUtilities.admx"), "w", encoding="utf-8") as f:
        f.write(template)
    for code in codes:
        t = texts[code]
        explain = ENGLISH_EXPLAIN if code == "0409" else t["Desc"] + "\n\n" + t["POLICY"]
        folder = os.path.join(out, CULTURES[code])
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "CorvanePowerUtilities.adml"), "w", encoding="utf-8") as f:
            f.write(ADML.format(description=escape(t["FuncName"]), version=escape(version), name=escape(t["FuncName"]),
                                explain=escape(explain), on=escape(t["On"]), off=escape(t["Off"])))


if __name__ == "__main__":
    main()
