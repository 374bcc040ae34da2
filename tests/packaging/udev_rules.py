#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A small reader of udev rule files, strict enough to check ours.

It checks the syntax of each rule (comma-separated KEY[{attr}] OP "value"
pairs with known keys, match operators only on keys that can be matched,
assignment operators only on keys that can be assigned) and evaluates the
match keys of a rule against a synthetic device given as properties, to
see which assignments a device would get without a udev daemon.

    udev_rules.py check FILE...
    udev_rules.py match FILE KEY=VALUE...   e.g. SUBSYSTEM=usb ATTR{idVendor}=16c0
"""
import fnmatch
import re
import sys

MATCH_OPS = ("==", "!=")
ASSIGN_OPS = ("=", "+=", "-=", ":=")

# key: (can be matched, can be assigned, attribute: "required"/"optional"/None)
KEYS = {
    "ACTION": (True, False, None),
    "DEVPATH": (True, False, None),
    "KERNEL": (True, False, None),
    "KERNELS": (True, False, None),
    "SUBSYSTEM": (True, False, None),
    "SUBSYSTEMS": (True, False, None),
    "DRIVER": (True, False, None),
    "DRIVERS": (True, False, None),
    "NAME": (True, True, None),
    "SYMLINK": (True, True, None),
    "TAG": (True, True, None),
    "TAGS": (True, False, None),
    "ATTR": (True, True, "required"),
    "ATTRS": (True, False, "required"),
    "SYSCTL": (True, True, "required"),
    "ENV": (True, True, "required"),
    "CONST": (True, False, "required"),
    "TEST": (True, False, "optional"),
    "PROGRAM": (True, True, None),  # "=" runs it too
    "RESULT": (True, False, None),
    "OWNER": (False, True, None),
    "GROUP": (False, True, None),
    "MODE": (False, True, None),
    "SECLABEL": (False, True, "required"),
    "RUN": (False, True, "optional"),
    "IMPORT": (False, True, "required"),
    "OPTIONS": (False, True, None),
    "LABEL": (False, True, None),
    "GOTO": (False, True, None),
}

# Keys whose value is compared with a device property in match(); the rest
# (PROGRAM, TEST, parent lookups) need a live system and are refused there.
EVALUABLE = {"ACTION", "DEVPATH", "KERNEL", "SUBSYSTEM", "DRIVER", "TAG", "ATTR", "ENV", "NAME"}

TOKEN = re.compile(
    r'\s*(?P<key>[A-Z_]+)(?:\{(?P<attr>[^}]*)\})?\s*'
    r'(?P<op>==|!=|\+=|-=|:=|=)\s*"(?P<value>(?:[^"\\]|\\.)*)"\s*')


class RuleError(ValueError):
    pass


class Pair:
    def __init__(self, key, attr, op, value):
        self.key, self.attr, self.op, self.value = key, attr, op, value

    @property
    def is_match(self):
        return self.op in MATCH_OPS

    @property
    def name(self):
        return f"{self.key}{{{self.attr}}}" if self.attr is not None else self.key

    def __repr__(self):
        return f'{self.name}{self.op}"{self.value}"'


def parse_line(line, where="line"):
    """The pairs of one rule line; raises RuleError on a syntax fault."""
    pairs = []
    pos = 0
    while True:
        m = TOKEN.match(line, pos)
        if not m:
            raise RuleError(f"{where}: cannot read a KEY OP \"value\" pair at: {line[pos:].strip()!r}")
        pairs.append(check_pair(m.group("key"), m.group("attr"), m.group("op"), m.group("value"), where))
        pos = m.end()
        if pos == len(line):
            return pairs
        if line[pos] != ",":
            raise RuleError(f"{where}: expected a comma before: {line[pos:].strip()!r}")
        pos += 1
        if not line[pos:].strip():
            raise RuleError(f"{where}: trailing comma")


def check_pair(key, attr, op, value, where):
    if key not in KEYS:
        raise RuleError(f"{where}: unknown key {key}")
    can_match, can_assign, attr_rule = KEYS[key]
    if op in MATCH_OPS and not can_match:
        raise RuleError(f"{where}: {key} cannot be matched ({op})")
    if op in ASSIGN_OPS and not can_assign:
        raise RuleError(f"{where}: {key} cannot be assigned ({op})")
    if attr_rule == "required" and not attr:
        raise RuleError(f"{where}: {key} needs an attribute in braces")
    if attr_rule is None and attr is not None:
        raise RuleError(f"{where}: {key} takes no attribute")
    if key == "MODE" and not re.fullmatch(r"0?[0-7]{3,4}", value):
        raise RuleError(f"{where}: MODE {value!r} is not an octal mode")
    return Pair(key, attr, op, value)


def parse(text, name="rules"):
    """Every rule of a file as a list of pairs; comments and blank lines skipped,
    backslash-newline continuations joined."""
    rules = []
    joined = re.sub(r"\\\n", "", text)
    for number, line in enumerate(joined.splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        pairs = parse_line(line, f"{name}:{number}")
        if not any(not p.is_match for p in pairs):
            raise RuleError(f"{name}:{number}: a rule with no assignment does nothing")
        rules.append(pairs)
    return rules


def value_matches(pattern, value):
    """udev's pattern match: shell globs, alternatives separated by '|'."""
    return any(fnmatch.fnmatchcase(value, alt) for alt in pattern.split("|"))


def match(rule, device):
    """The assignments `rule` makes on a device with the given properties
    ({"SUBSYSTEM": "usb", "ATTR{idVendor}": "16c0", ...}), or [] when one of
    its match keys fails. A missing property compares as the empty string."""
    for p in rule:
        if not p.is_match:
            continue
        if p.key not in EVALUABLE:
            raise RuleError(f"{p!r} cannot be evaluated without a live system")
        if p.key == "TAG":
            hit = any(value_matches(p.value, t) for t in device.get("TAGS", "").split(":") if t)
        else:
            hit = value_matches(p.value, device.get(p.name, ""))
        if hit != (p.op == "=="):
            return []
    return [p for p in rule if not p.is_match]


def assignments(rules, device):
    """All assignments the rules make on the device, in order."""
    out = []
    for rule in rules:
        out.extend(match(rule, device))
    return out


def main(argv):
    if len(argv) >= 2 and argv[0] == "check":
        for path in argv[1:]:
            with open(path, encoding="utf-8") as f:
                rules = parse(f.read(), path)
            print(f"{path}: {len(rules)} rule(s), syntax ok")
        return 0
    if len(argv) >= 2 and argv[0] == "match":
        with open(argv[1], encoding="utf-8") as f:
            rules = parse(f.read(), argv[1])
        device = dict(kv.split("=", 1) for kv in argv[2:])
        for p in assignments(rules, device):
            print(repr(p))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except RuleError as e:
        print(f"error: {e}", file=sys.stderr)
        sys.exit(1)
