#!/usr/bin/env python3
"""The Group Policy templates the build writes (PolicyDefinitions beside the package): every file valid against
the ADMX/ADML schema, the one policy setting exactly the machine policy value Velmora and the agent read, and
every text the template refers to present in every language's file.

usage: policy_templates_test.py POLICY_DEFINITIONS_DIR SCHEMA.xsd"""
import glob
import os
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET

NS = {"pd": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
DIR, SCHEMA = sys.argv[1], sys.argv[2]
ADMX = os.path.join(DIR, "CorvanePowerUtilities.admx")


class PolicyTemplates(unittest.TestCase):
    def test_every_file_is_valid_against_the_schema(self):
        files = [ADMX] + sorted(glob.glob(os.path.join(DIR, "*", "CorvanePowerUtilities.adml")))
        self.assertEqual(40, len(files))  # the template and one file for each of the 39 languages
        result = subprocess.run(["xmllint", "--noout", "--schema", SCHEMA] + files, capture_output=True, text=True)
        self.assertEqual(0, result.returncode, result.stderr)

    def test_the_policy_sets_exactly_the_machine_value(self):
        policies = ET.parse(ADMX).getroot().findall("pd:policies/pd:policy", NS)
        self.assertEqual(1, len(policies))
        policy = policies[0]
        self.assertEqual("Machine", policy.get("class"))
        self.assertEqual("Software\\Policies\\Corvane\\Velmora", policy.get("key"))
        self.assertIsNone(policy.get("valueName"))  # only the element writes: disabled removes the value
        self.assertIsNone(policy.find("pd:enabledValue", NS))
        self.assertIsNone(policy.find("pd:disabledValue", NS))
        enums = policy.findall("pd:elements/pd:enum", NS)
        self.assertEqual(1, len(enums))
        self.assertEqual("QuickResume", enums[0].get("valueName"))
        self.assertIsNone(enums[0].get("key"))
        values = [item.find("pd:value/pd:decimal", NS).get("value") for item in enums[0].findall("pd:item", NS)]
        self.assertEqual(["1", "0"], values)

    def test_every_language_has_every_text_the_template_names(self):
        with open(ADMX, encoding="utf-8") as f:
            admx = f.read()
        strings = {ref.split(".", 1)[1].rstrip(")") for ref in admx.split('"') if ref.startswith("$(string.")}
        self.assertEqual({"SUPPORTED_PowerUtilities", "Corvane", "PowerUtilities", "QuickResume",
                          "QuickResume_Explain", "QuickResume_On", "QuickResume_Off"}, strings)
        for adml in glob.glob(os.path.join(DIR, "*", "CorvanePowerUtilities.adml")):
            with self.subTest(adml=adml):
                root = ET.parse(adml).getroot()
                defined = {s.get("id"): s.text for s in root.findall("pd:resources/pd:stringTable/pd:string", NS)}
                self.assertTrue(strings <= set(defined), strings - set(defined))
                self.assertTrue(all(defined[s] for s in strings))
                lists = root.findall("pd:resources/pd:presentationTable/pd:presentation/pd:dropdownList", NS)
                self.assertEqual(["QuickResume_Mode"], [d.get("refId") for d in lists])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
