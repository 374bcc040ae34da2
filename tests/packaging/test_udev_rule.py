#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the shipped udev rule: it parses, it gives exactly the meter's USB
device node to the logged-in user (uaccess) and to the group plugdev, and it
grants nothing wider.
Usage: test_udev_rule.py RULE_FILE [unittest arguments]"""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import udev_rules  # noqa: E402

RULE_FILE = None

UACCESS = ('TAG', '+=', 'uaccess')
PLUGDEV = [('GROUP', '=', 'plugdev'), ('MODE', '=', '0660')]
METER = [UACCESS] + PLUGDEV


def usb_device(vendor="16c0", product="05dc", action="add", devtype="usb_device", subsystem="usb"):
    return {"ACTION": action, "SUBSYSTEM": subsystem, "ENV{DEVTYPE}": devtype,
            "ATTR{idVendor}": vendor, "ATTR{idProduct}": product}


def applied(rules, device):
    return [(p.key, p.op, p.value) for p in udev_rules.assignments(rules, device)]


class ShippedRule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(RULE_FILE, encoding="utf-8") as f:
            cls.rules = udev_rules.parse(f.read(), RULE_FILE)

    def test_udevadm_verify_accepts_it_where_available(self):
        udevadm = shutil.which("udevadm")
        if not udevadm or subprocess.run([udevadm, "verify", "--help"],
                                         capture_output=True).returncode != 0:
            self.skipTest("this udevadm has no verify")
        result = subprocess.run([udevadm, "verify", RULE_FILE], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_tags_the_meter_and_nothing_else(self):
        cases = [
            ("the meter plugged in", usb_device(), METER),
            ("the meter re-triggered", usb_device(action="change"), METER),
            ("the meter at boot (bind)", usb_device(action="bind"), METER),
            ("the meter unplugged", usb_device(action="remove"), []),
            ("the next product of the vendor", usb_device(product="05dd"), []),
            ("the product before", usb_device(product="05db"), []),
            ("another vendor, same product", usb_device(vendor="16c1"), []),
            ("ids swapped", usb_device(vendor="05dc", product="16c0"), []),
            ("an interface of the meter", usb_device(devtype="usb_interface"), []),
            ("another subsystem with the same ids", usb_device(subsystem="hidraw"), []),
            ("no ids at all", {"ACTION": "add", "SUBSYSTEM": "usb", "ENV{DEVTYPE}": "usb_device"}, []),
        ]
        for label, device, expected in cases:
            with self.subTest(label):
                self.assertEqual(applied(self.rules, device), expected)

    def test_grants_no_wider_access(self):
        # The group is plugdev and the mode gives others nothing; no owner,
        # no programs run.
        allowed = {"GROUP": {"plugdev"}, "MODE": {"0660", "0600"}}
        for rule in self.rules:
            for p in rule:
                with self.subTest(pair=repr(p)):
                    self.assertNotIn(p.key, ("OWNER", "RUN", "PROGRAM", "IMPORT"))
                    if p.key in allowed and p.op != "==":
                        self.assertIn(p.value, allowed[p.key])

    def test_sorts_before_the_seat_rules_that_act_on_the_tag(self):
        name = os.path.basename(RULE_FILE)
        self.assertTrue(name.endswith(".rules"))
        self.assertLess(name, "73-seat-late.rules")


class RuleChecker(unittest.TestCase):
    """The checker must be able to fail: broken rules are refused and the
    match logic tells close patterns apart."""

    def test_refuses_broken_rules(self):
        broken = [
            ("assignment to a match-only key", 'SUBSYSTEM="usb", TAG+="uaccess"'),
            ("unknown key", 'SUBSYSTEMX=="usb", TAG+="uaccess"'),
            ("attribute missing", 'ATTR=="16c0", TAG+="uaccess"'),
            ("attribute on a plain key", 'SUBSYSTEM{x}=="usb", TAG+="uaccess"'),
            ("match on an assign-only key", 'MODE=="0666", TAG+="uaccess"'),
            ("unterminated value", 'SUBSYSTEM=="usb", TAG+="uaccess'),
            ("unquoted value", 'SUBSYSTEM==usb, TAG+="uaccess"'),
            ("missing comma", 'SUBSYSTEM=="usb" TAG+="uaccess"'),
            ("trailing comma", 'SUBSYSTEM=="usb", TAG+="uaccess",'),
            ("not an octal mode", 'SUBSYSTEM=="usb", MODE="rw-rw-rw-"'),
            ("nothing assigned", 'SUBSYSTEM=="usb", ATTR{idVendor}=="16c0"'),
        ]
        for label, text in broken:
            with self.subTest(label), self.assertRaises(udev_rules.RuleError):
                udev_rules.parse(text + "\n")

    def test_reads_comments_and_continued_lines(self):
        rules = udev_rules.parse('# a comment\n\nSUBSYSTEM=="usb", \\\n  TAG+="uaccess"\n')
        self.assertEqual(len(rules), 1)
        self.assertEqual(applied(rules, {"SUBSYSTEM": "usb"}), [UACCESS])

    def test_matches_like_udev(self):
        cases = [
            ('ATTR{idProduct}=="05dc"', "05dd", False),
            ('ATTR{idProduct}=="05d*"', "05dd", True),
            ('ATTR{idProduct}=="05d?"', "05dc", True),
            ('ATTR{idProduct}=="05d[a-c]"', "05dd", False),
            ('ATTR{idProduct}=="05dd|05dc"', "05dc", True),
            ('ATTR{idProduct}!="05dc"', "05dc", False),
            ('ATTR{idProduct}!="05dc"', "05dd", True),
            ('ATTR{idProduct}=="05DC"', "05dc", False),
            ('ATTR{idProduct}==""', None, True),
        ]
        for match_text, product, tagged in cases:
            with self.subTest(rule=match_text, product=product):
                rules = udev_rules.parse(match_text + ', TAG+="uaccess"\n')
                device = {} if product is None else {"ATTR{idProduct}": product}
                self.assertEqual(applied(rules, device), [UACCESS] if tagged else [])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    RULE_FILE = os.path.abspath(sys.argv.pop(1))
    unittest.main()
