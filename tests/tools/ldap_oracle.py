#!/usr/bin/env python3
"""An independent computation of what veralith-cli prints over LDAP.

Two commands:

  ldap_oracle.py generate [-n USERS]
      writes a production-like LDIF tree below dc=example,dc=com to standard
      output: dotted uids, names in many scripts, siblings whose values are
      equal under different naming attributes, relative names of several
      values, posix users and groups of one name, an auxiliary class with a
      long attribute name, an attribute known by two names, multi-valued and
      planted duplicate values, a referral and an entry whose name is too
      long to carry.

  ldap_oracle.py schema
      writes the schema the generated tree needs (slapd.conf syntax).

  ldap_oracle.py expect MODE --ldif FILE --attribute NAMES [--class C] [--base DN]
      reads `ldapsearch -LLL -o ldif-wrap=no` output of the whole tree (every
      user attribute) and prints what `find --mode MODE --recurse` from DN
      should print, one line per object, sorted; for the duplicates mode one
      line per group of equal values, its names sorted and joined by tabs.

  ldap_oracle.py groups --json FILE
      prints the groups of a `find --report groups --format json` result in
      the form `expect duplicates` prints them.

It shares no code with the program: names are built from the DNs by the rule
docs/ldap.md states, values are compared as docs/command-line.md states.
"""

import argparse
import base64
import json
import random
import sys

SUFFIX = "dc=example,dc=com"

# Superclasses of the classes the generated tree uses, for the class test
# (a class matches its subclasses).
SUPERIOR = {
    "inetorgperson": "organizationalperson",
    "organizationalperson": "person",
    "person": "top",
    "posixaccount": "top",
    "posixgroup": "top",
    "account": "top",
    "organizationalunit": "top",
    "groupofnames": "top",
}

SCHEMA = """\
attributetype ( 1.3.6.1.4.1.55555.1.1 NAME 'msDS-ExampleEmployeeIdentifierAssignedByHumanResources'
  EQUALITY caseIgnoreMatch SUBSTR caseIgnoreSubstringsMatch
  SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )
objectclass ( 1.3.6.1.4.1.55555.2.1 NAME 'exampleHumanResourcesRecord' AUXILIARY
  MAY ( msDS-ExampleEmployeeIdentifierAssignedByHumanResources ) )
"""

FIRST = ["anna", "jean", "zoë", "mária", "søren", "иван", "ольга", "ελένη", "νίκος", "太郎",
         "花子", "محمد", "فاطمة", "राहुल", "jo", "o'neil"]
LAST = ["doe", "smith", "müller", "petrov", "παππάς", "山田", "علي", "sharma", "st.claire", "o.brien"]


def ldif_value(name, value):
    """One attribute line, base64 where LDIF needs it."""
    raw = value.encode("utf-8")
    safe = all(32 <= b < 127 for b in raw) and value[:1] not in (" ", ":", "<") and not value.endswith(" ")
    if safe:
        return "%s: %s\n" % (name, value)
    return "%s:: %s\n" % (name, base64.b64encode(raw).decode("ascii"))


def dn_value(value):
    """A DN attribute value escaped as RFC 4514 asks."""
    out = ""
    for i, c in enumerate(value):
        if c in ',+"\\<>;=' or (c == "#" and i == 0) or (c == " " and i in (0, len(value) - 1)):
            out += "\\"
        out += c
    return out


def generate(users):
    rng = random.Random(20261209)
    out = []

    def entry(dn, classes, attrs):
        text = ldif_value("dn", dn)
        for c in classes:
            text += "objectClass: %s\n" % c
        for name, values in attrs:
            for v in values:
                text += ldif_value(name, v)
        out.append(text)

    person = ["top", "person", "organizationalPerson", "inetOrgPerson"]
    entry(SUFFIX, ["top", "dcObject", "organization"], [("dc", ["example"]), ("o", ["Example"])])
    for ou in ["People", "Staff", "Posix", "St.Louis", "Odd"]:
        entry("ou=%s,%s" % (dn_value(ou), SUFFIX), ["top", "organizationalUnit"], [("ou", [ou])])
    entry("ou=Sales.EU,ou=St.Louis,%s" % SUFFIX, ["top", "organizationalUnit"], [("ou", ["Sales.EU"])])

    shared_mail = ["shared%d@example.com" % i for i in range(40)]
    shared_phone = ["+1 555 01%02d" % i for i in range(30)]
    people = "ou=People," + SUFFIX
    for i in range(users):
        first = FIRST[i % len(FIRST)]
        last = LAST[(i // len(FIRST)) % len(LAST)]
        uid = "%s.%s%d" % (first, last, i)
        cn = "%s %s" % (first.capitalize(), last.capitalize())
        classes = list(person)
        attrs = [("uid", [uid]), ("cn", [cn]), ("sn", [last])]
        roll = rng.random()
        if roll < 0.08:
            mail = rng.choice(shared_mail)
            mails = [mail.upper() if rng.random() < 0.3 else mail]
        elif roll < 0.12:
            mails = ["%s.%d@example.com" % (uid.encode("ascii", "replace").decode(), i), rng.choice(shared_mail)]
        elif roll < 0.92:
            mails = ["user%d@example.com" % i]
        else:
            mails = []
        if mails:
            attrs.append(("mail", mails))
        if rng.random() < 0.5:
            attrs.append(("telephoneNumber", [rng.choice(shared_phone) if rng.random() < 0.1 else "+1 555 %04d" % i]))
        if rng.random() < 0.2:
            classes.append("extensibleObject")
            attrs.append(("drink", [rng.choice(["tea", "Tea", "coffee", "çay", "чай", "茶", "mate %d" % i])]))
        if rng.random() < 0.3:
            classes.append("exampleHumanResourcesRecord")
            attrs.append(("msDS-ExampleEmployeeIdentifierAssignedByHumanResources",
                          ["E%05d" % (i if rng.random() < 0.9 else i % 17)]))
        rdn = "uid=%s" % dn_value(uid) if i % 5 else "cn=%s" % dn_value(cn + " " + str(i))
        if i % 5 == 0:
            attrs[1] = ("cn", [cn + " " + str(i)])
        entry("%s,%s" % (rdn, people), classes, attrs)

    staff = "ou=Staff," + SUFFIX
    entry("uid=adm," + staff, ["account", "simpleSecurityObject"],
          [("uid", ["adm"]), ("userPassword", ["x"]), ("description", ["the administrators' account"])])
    entry("cn=adm," + staff, ["top", "person"], [("cn", ["adm"]), ("sn", ["Admin"]), ("description", ["a person"])])
    entry("cn=Sales," + staff, ["groupOfNames"],
          [("cn", ["Sales"]), ("member", ["cn=adm," + staff]), ("description", ["the sales group"])])
    entry("ou=Sales," + staff, ["top", "organizationalUnit"], [("ou", ["Sales"]), ("description", ["the sales unit"])])
    entry("uid=seller,ou=Sales," + staff, person,
          [("uid", ["seller"]), ("cn", ["Sal Seller"]), ("sn", ["Seller"]), ("mail", ["shared1@example.com"])])
    for n in (1, 2):
        entry("cn=Doe+uid=jdoe%d,%s" % (n, staff), person,
              [("cn", ["Doe"]), ("uid", ["jdoe%d" % n]), ("sn", ["Doe"]), ("mail", ["doe@example.com"])])
    entry("cn=Doe," + staff, person, [("cn", ["Doe"]), ("sn", ["Doe"]), ("mail", ["DOE@example.com"])])

    posix = "ou=Posix," + SUFFIX
    for n, who in enumerate(["pat", "lee", "kim"]):
        entry("uid=%s,%s" % (who, posix), ["account", "posixAccount"],
              [("uid", [who]), ("cn", [who]), ("uidNumber", [str(1000 + n)]), ("gidNumber", [str(1000 + n)]),
               ("homeDirectory", ["/home/" + who])])
        entry("cn=%s,%s" % (who, posix), ["posixGroup"],
              [("cn", [who]), ("gidNumber", [str(1000 + n)]), ("memberUid", [who])])

    louis = "ou=St.Louis," + SUFFIX
    for n, cn in enumerate(["Zoë Müller", "Иван Петров", "山田 太郎", "Ελένη Παππά", "محمد علي", "C++ Guild",
                            "a=b \\ c"]):
        entry("cn=%s,%s" % (dn_value(cn), louis), person,
              [("cn", [cn]), ("sn", [cn.split(" ")[-1]]), ("mail", ["zoe@example.com" if n % 3 == 0 else
                                                                      "louis%d@example.com" % n])])
    entry("cn=Ελένη,ou=Sales.EU," + louis, person, [("cn", ["Ελένη"]), ("sn", ["Π"]), ("mail", ["zoe@example.com"])])

    odd = "ou=Odd," + SUFFIX
    entry("ou=Remote," + odd, ["referral", "extensibleObject"],
          [("ou", ["Remote"]), ("ref", ["ldap://remote.example.org/ou=Remote,dc=example,dc=com"])])
    entry("cn=%s,%s" % ("L" * 200, odd), person, [("cn", ["L" * 200]), ("sn", ["Long"]), ("mail", ["long@example.com"])])
    entry("cn=short," + odd, person, [("cn", ["short"]), ("sn", ["Short"]), ("mail", ["long@example.com"])])
    sys.stdout.write("\n".join(out))


# --- reading ldapsearch output -------------------------------------------------


def read_ldif(stream):
    """Entries of `ldapsearch -LLL -o ldif-wrap=no` output: (dn, {attr: [values]})."""
    entries = []
    dn, attrs = None, {}
    for line in stream.read().split("\n") + [""]:
        if line.startswith("#"):
            continue
        if not line:
            if dn is not None:
                entries.append((dn, attrs))
            dn, attrs = None, {}
            continue
        name, _, rest = line.partition(":")
        if rest.startswith(":"):
            value = base64.b64decode(rest[1:].strip()).decode("utf-8")
        else:
            value = rest[1:] if rest.startswith(" ") else rest
        if name.lower() == "dn":
            dn = value
        else:
            attrs.setdefault(name.lower(), []).append(value)
    return entries


def parse_dn(dn):
    """RDNs of a DN, each a list of (type, value)."""
    rdns, rdn, attr, value, in_value = [], [], "", "", False
    i = 0
    while i < len(dn):
        c = dn[i]
        if c == "\\" and i + 1 < len(dn):
            nxt = dn[i + 1]
            if nxt in "0123456789abcdefABCDEF" and i + 2 < len(dn) and dn[i + 2] in "0123456789abcdefABCDEF":
                # a run of hex pairs is a UTF-8 sequence
                raw = bytearray()
                while i + 2 < len(dn) and dn[i] == "\\" and all(ch in "0123456789abcdefABCDEF" for ch in dn[i + 1:i + 3]):
                    raw.append(int(dn[i + 1:i + 3], 16))
                    i += 3
                value += raw.decode("utf-8")
                continue
            value += nxt
            i += 2
            continue
        if not in_value:
            if c == "=":
                in_value = True
            else:
                attr += c
        elif c in ",+":
            rdn.append((attr.strip(), value))
            attr, value, in_value = "", "", False
            if c == ",":
                rdns.append(rdn)
                rdn = []
        else:
            value += c
        i += 1
    rdn.append((attr.strip(), value))
    rdns.append(rdn)
    return rdns


def key_of(rdns):
    return tuple(tuple((t.lower(), v.lower()) for t, v in rdn) for rdn in rdns)


def escape(value):
    return "".join("\\" + c if c in ".=+\\" else c for c in value)


def names_of(entries):
    """Dotted names of the entries, by the DN-to-name rule."""
    suffix = parse_dn(SUFFIX)
    parsed = {key_of(parse_dn(dn)): parse_dn(dn) for dn, _ in entries}
    children = {}
    for rdns in parsed.values():
        children.setdefault(key_of(rdns[1:]), []).append(rdns[0])
    shared = {}
    for parent, rdns in children.items():
        counts = {}
        for rdn in rdns:
            if len(rdn) == 1:
                counts[rdn[0][1].lower()] = counts.get(rdn[0][1].lower(), 0) + 1
        shared[parent] = {v for v, n in counts.items() if n > 1}

    def component(rdns):
        rdn = rdns[0]
        if len(rdn) > 1:
            return "+".join("%s=%s" % (t, escape(v)) for t, v in rdn)
        if len(rdns) > len(suffix) and rdn[0][1].lower() in shared.get(key_of(rdns[1:]), set()):
            return "%s=%s" % (rdn[0][0], escape(rdn[0][1]))
        return escape(rdn[0][1])

    names = {}
    for dn, _ in entries:
        rdns = parse_dn(dn)
        names[dn] = ".".join(component(rdns[i:]) for i in range(len(rdns)))
    return names


def classes_of(attrs):
    out = set()
    for c in attrs.get("objectclass", []):
        c = c.lower()
        while c and c not in out:
            out.add(c)
            c = SUPERIOR.get(c)
    return out


def expect(args):
    with open(args.ldif, encoding="utf-8") as stream:
        entries = read_ldif(stream)
    names = names_of(entries)
    base = key_of(parse_dn(args.base))
    wanted = [n.lower() for n in args.attribute.split(",")]
    rows = []
    for dn, attrs in entries:
        rdns = parse_dn(dn)
        if len(rdns) <= len(base) or key_of(rdns[len(rdns) - len(base):]) != base:
            continue
        if args.cls and args.cls.lower() not in classes_of(attrs):
            continue
        name = names[dn]
        if len(name) > 255 or any(len(v) > 64 for rdn in rdns for _, v in rdn):
            continue  # too long for the client: left out with a message
        values = []
        for a in wanted:
            values = values or attrs.get(a, [])
        rows.append((name, "\r\n".join(values), bool(values)))
    lines = []
    if args.mode == "show":
        lines = ["%s\t%s" % (n, v) for n, v, _ in rows]
    elif args.mode == "present":
        lines = ["%s\t%s" % (n, v) for n, v, has in rows if has]
    elif args.mode == "absent":
        lines = [n for n, _, has in rows if not has]
    else:
        groups = {}
        for n, v, has in rows:
            if has:
                folded = "".join(c.lower() if "A" <= c <= "Z" else c for c in v)
                groups.setdefault(folded, []).append(n)
        lines = ["\t".join(sorted(ns)) for ns in groups.values() if len(ns) > 1]
    for line in sorted(lines):
        print(line)


def groups(args):
    with open(args.json, encoding="utf-8") as stream:
        result = json.load(stream)
    lines = ["\t".join(sorted(o["name"] for o in g["objects"])) for g in result["groups"]]
    for line in sorted(lines):
        print(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    gen = sub.add_parser("generate")
    gen.add_argument("-n", type=int, default=1200)
    sub.add_parser("schema")
    exp = sub.add_parser("expect")
    exp.add_argument("--ldif", required=True)
    exp.add_argument("mode", choices=["duplicates", "present", "absent", "show"])
    exp.add_argument("--attribute", required=True, help="the attribute's names, comma-separated")
    exp.add_argument("--class", dest="cls")
    exp.add_argument("--base", default=SUFFIX)
    grp = sub.add_parser("groups")
    grp.add_argument("--json", required=True)
    args = parser.parse_args()
    if args.command == "generate":
        generate(args.n)
    elif args.command == "schema":
        sys.stdout.write(SCHEMA)
    elif args.command == "groups":
        groups(args)
    else:
        expect(args)


if __name__ == "__main__":
    main()
