#!/usr/bin/env python3
"""Writes the built-in sample trees into data/.

The output is deterministic: every name, number and byte below is derived
from fixed tables and the loop counters, so running the script again gives
the same files byte for byte. Run it from anywhere:

    scripts/make-sample-trees.py

data/acme.json         the large tree ACME_TREE: an organisation with nested
                       containers, a few hundred users, groups, printers,
                       servers, volumes, application objects, workstations,
                       aliases, values of every syntax and every structured
                       octet-string attribute the value rendering knows, and
                       deliberate duplicates for the duplicate search.
data/acme-second.json  a second server of the same tree, spelled Acme_Tree:
                       the workstation's second connection to ACME_TREE.
data/globex.json       a small second tree, GLOBEX-TREE.
"""

import json
import os
import struct

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
DATA = os.path.join(ROOT, "data")

# ---------------------------------------------------------------------------
# Byte helpers: values are written as "hex:" texts in the tree file.


def hexbytes(data):
    return "hex:" + data.hex().upper()


def u8(n):
    return struct.pack("<B", n)


def u16(n):
    return struct.pack("<H", n)


def u32(n):
    return struct.pack("<I", n & 0xFFFFFFFF)


def ztext(text):
    return text.encode("utf-8") + b"\0"


def wtext(text):
    return text.encode("utf-16-le") + b"\0\0"


def at(offset, data, buffer):
    """Writes data into buffer (a bytearray) at offset, growing it as needed."""
    if len(buffer) < offset + len(data):
        buffer.extend(b"\0" * (offset + len(data) - len(buffer)))
    buffer[offset : offset + len(data)] = data
    return buffer


def record(*parts, size=0):
    """A record from (offset, bytes) parts, at least size bytes long."""
    buffer = bytearray(size)
    for offset, data in parts:
        at(offset, data, buffer)
    return bytes(buffer)


def seconds(year, month, day, hour=0, minute=0, second=0):
    """Seconds since 1970-01-01 UTC for a UTC date (no leap seconds)."""
    days_before_month = [0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334]
    days = (year - 1970) * 365 + sum(1 for y in range(1970, year) if y % 4 == 0 and (y % 100 != 0 or y % 400 == 0))
    days += days_before_month[month - 1] + day - 1
    if month > 2 and year % 4 == 0 and (year % 100 != 0 or year % 400 == 0):
        days += 1
    return ((days * 24 + hour) * 60 + minute) * 60 + second


def iso(secs):
    days, rest = divmod(secs, 86400)
    # Civil date from days since 1970 (Howard Hinnant's algorithm).
    z = days + 719468
    era = z // 146097
    doe = z - era * 146097
    yoe = (doe - doe // 1460 + doe // 36524 - doe // 146096) // 365
    y = yoe + era * 400
    doy = doe - (365 * yoe + yoe // 4 - yoe // 100)
    mp = (5 * doy + 2) // 153
    d = doy - (153 * mp + 2) // 5 + 1
    m = mp + 3 if mp < 10 else mp - 9
    y += 1 if m <= 2 else 0
    return "%04d-%02d-%02dT%02d:%02d:%02dZ" % (y, m, d, rest // 3600, rest // 60 % 60, rest % 60)


def guid(n):
    """A 16-byte GUID derived from a number."""
    return bytes(((n * 37 + i * 101 + (n >> 8) * 13) & 0xFF) for i in range(16))


# ---------------------------------------------------------------------------
# Structured octet values, laid out as the value rendering reads them.


def partition_status(index, replica_name, state, when, replica, error):
    """Index 1 carries its replica name at 28 and an error at 16; further
    values carry the name at 24 and no error."""
    name_offset = 28 if index == 1 else 24
    return record((4, u32(state)), (8, u32(when)), (12, u32(replica)), (16, u32(error)), (name_offset, wtext(replica_name)))


PORT_OTHER, PORT_PARALLEL, PORT_SERIAL, PORT_XNP, PORT_APPLE, PORT_UNIX, PORT_AIO = range(7)


def printer_configuration(port_type, driver, starting_form=0, buffer_kb=3, form_change=0, service=5, postscript=0, **port):
    parts = [
        (0, u16(port_type)),
        (2, u16(starting_form)),
        (4, u16(buffer_kb)),
        (6, u16(form_change)),
        (8, u16(service)),
        (10, u16(postscript)),
        (16, ztext(driver)),
    ]
    if port_type in (PORT_PARALLEL, PORT_SERIAL):
        parts += [
            (48, u16(port.get("port", 0))),
            (50, u16(port.get("auto_load", 0))),
            (52, u16(port.get("irq_mode", 0))),
            (54, u16(port.get("irq", 0))),
            (56, u16(port.get("xon_xoff", 0))),
            (58, u16(port.get("baud_exp", 5))),
            (60, u16(port.get("data_bits", 8))),
            (62, u16(port.get("stop_bits", 0))),
            (64, u16(port.get("parity", 0))),
        ]
    elif port_type == PORT_APPLE:
        parts += [(48, ztext(port["name"])), (82, ztext(port["zone"])), (116, ztext(port["type"]))]
    elif port_type == PORT_UNIX:
        parts += [(48, ztext(port["host"])), (304, ztext(port["queue"]))]
    return record(*parts, size=68)


def bindery_property(name, value_text=None, value_bytes=None):
    """Property name at 5; value text at 47, or raw bytes from 47 on."""
    if value_text is not None:
        return record((5, ztext(name)), (47, ztext(value_text)), size=64)
    return record((5, ztext(name)), (47, value_bytes), size=47 + max(len(value_bytes), 8))


def public_key(a, b, key_bytes, c, owner):
    return record((0, u32(a)), (4, u32(b)), (8, key_bytes[:14]), (22, u32(c)), (26, wtext(owner)))


def inv_dma(channel, a, b, c, label):
    return record((0, u32(channel)), (4, u32(a)), (8, u32(b)), (12, u32(c)), (16, wtext(label)))


def inv_port(address, a, b, c, label):
    return record((0, u16(address)), (4, u32(a)), (8, u32(b)), (12, u32(c)), (16, wtext(label)))


def inv_cpu(speed, label):
    return record((0, u32(speed)), (8, wtext(label)))


def inv_five(a, b, c, d, e, label):
    return record((0, u32(a)), (4, u32(b)), (8, u32(c)), (12, u32(d)), (16, u32(e)), (20, wtext(label)))


def vector(a, b, c, label):
    return record((0, u32(a)), (4, u32(b)), (8, u32(c)), (12, wtext(label)))


def aot_header(kind, count):
    """The 24-byte header of an application-object stream file."""
    return b"AOT FILE" + u32(kind) + u32(count) + u32(0x10000 + kind) + u16(1) + u16(count)


def counted(text):
    """A 32-bit count, then the text and its terminating zero, which the count includes."""
    return u32(len(text) + 1) + ztext(text)


def app_macros(macros):
    data = aot_header(1, len(macros))
    for number, (name, value) in enumerate(macros):
        data += u32(number) + u32(0) + u32(1) + counted(name) + counted(value)
    return data


def app_copy_files(files):
    data = aot_header(2, len(files))
    for number, path in enumerate(files):
        data += u32(number) + u32(1) + u32(0) + u32(0x20) + counted(path)
    return data


def app_scan_stream(kind, texts):
    data = aot_header(kind, len(texts))
    for text in texts:
        data += counted(text)
    return data


# ---------------------------------------------------------------------------
# The people of the large tree.

FIRST = [
    "Anna", "Ben", "Carla", "David", "Eva", "Frank", "Grace", "Henry", "Ines", "Jonas",
    "Karin", "Lars", "Maria", "Nils", "Olga", "Paul", "Quinn", "Rosa", "Stefan", "Tanja",
    "Uwe", "Vera", "Walter", "Xenia", "Yusuf", "Zoe",
]
LAST = [
    "Adams", "Becker", "Clark", "Dietrich", "Evans", "Fischer", "Garcia", "Hoffmann", "Ito",
    "Jansen", "Klein", "Lopez", "Meyer", "Novak", "Olsen", "Peters",
]
TITLES = ["Engineer", "Manager", "Analyst", "Consultant", "Assistant", "Director", "Technician"]
LANGUAGES = [["ENGLISH"], ["DEUTSCH", "ENGLISH"], ["FRANCAIS"], ["ENGLISH", "ESPANOL"]]

# (container, number of users, telephone prefix)
USER_CONTAINERS = [
    ("East.Sales.Acme", 40, "+1 555 01"),
    ("West.Sales.Acme", 35, "+1 555 02"),
    ("Sales.Acme", 15, "+1 555 03"),
    ("Dev.Engineering.Acme", 55, "+1 555 11"),
    ("QA.Engineering.Acme", 25, "+1 555 12"),
    ("Finance.Acme", 25, "+1 555 21"),
    ("Staff.IT.Acme", 20, "+1 555 31"),
    ("Marketing.Acme", 25, "+1 555 41"),
    ("HR.Acme", 15, "+1 555 51"),
    ("Berlin.AcmeGmbH.DE", 30, "+49 30 5550"),
    ("Munich.AcmeGmbH.DE", 15, "+49 89 5550"),
]

GROUPS = [
    ("Everyone.Acme", None),
    ("SalesTeam.Sales.Acme", "Sales.Acme"),
    ("Developers.Engineering.Acme", "Dev.Engineering.Acme"),
    ("Testers.Engineering.Acme", "QA.Engineering.Acme"),
    ("Accounting.Finance.Acme", "Finance.Acme"),
    ("Admins.IT.Acme", "Staff.IT.Acme"),
    ("Campaigns.Marketing.Acme", "Marketing.Acme"),
    ("People.HR.Acme", "HR.Acme"),
    ("Mitarbeiter.AcmeGmbH.DE", "AcmeGmbH.DE"),
    ("VPN-Users.IT.Acme", None),
]

BASE_TIME = seconds(2004, 3, 1, 8, 0, 0)


def user_objects():
    """The users of the large tree with the duplicates a search should find."""
    users = []
    serial = 0
    for container, count, phone_prefix in USER_CONTAINERS:
        for i in range(count):
            first = FIRST[(serial * 7 + i) % len(FIRST)]
            last = LAST[(serial * 5 + i * 3) % len(LAST)]
            login = ("%s%s%d" % (first[0], last, serial)).lower()
            domain = "acme.example" if container.endswith("Acme") else "acme-gmbh.example"
            attributes = {
                "Given Name": [first],
                "Surname": [last],
                "Full Name": ["%s %s" % (first, last)],
                "Title": [TITLES[serial % len(TITLES)]],
                # Every fourth user shares the number of the user before:
                # duplicate telephone numbers within a container.
                "Telephone Number": ["%s%02d" % (phone_prefix, i - (1 if i % 4 == 3 else 0))],
                "Internet EMail Address": ["%s.%s@%s" % (first.lower(), last.lower(), domain)],
                "GUID": [hexbytes(guid(serial + 1))],
                "Language": [LANGUAGES[serial % len(LANGUAGES)]],
                "Login Disabled": [serial % 23 == 5],
                "Login Grace Limit": [6],
                "Login Grace Remaining": [6 - serial % 7],
                "Password Minimum Length": [8],
                "Password Expiration Interval": [90 * 86400 if serial % 5 else 3661],
                "Login Time": [iso(BASE_TIME + serial * 86400 + 3600 * (serial % 9))],
                "Group Membership": [],
                "Home Directory": [
                    {"nameSpace": 0, "volume": "FS1_DATA.Servers.IT.Acme", "path": "HOME\\%s" % login.upper()}
                ],
                "creatorsName": ["cn=Admin,o=Acme"],
                "modifiersName": ["cn=Admin,o=Acme" if serial % 3 else "cn=jobs,ou=Staff,ou=IT,o=Acme"],
            }
            if serial % 6 == 0:
                attributes["Facsimile Telephone Number"] = [{"number": "%s99" % phone_prefix}]
            if serial % 10 == 0:
                attributes["Postal Address"] = [["Acme Inc.", "%d Main Street" % (serial + 1), "Springfield"]]
            if serial % 8 == 0:
                attributes["EMail Address"] = [{"type": 0, "address": "%s@mail.%s" % (login, domain)}]
            if serial % 25 == 0:
                attributes["Last Login Time"] = [iso(BASE_TIME + 400 * 86400 + serial * 61)]
            name = "%s.%s" % (login, container)
            users.append(
                {
                    "name": name,
                    "class": "User",
                    "created": iso(BASE_TIME + serial * 3600),
                    "modified": iso(BASE_TIME + 200 * 86400 + serial * 7200),
                    "attributes": attributes,
                }
            )
            serial += 1
    return users


def add_deliberate_duplicates(users, by_name):
    """Values the duplicate search is meant to find, beyond the telephone numbers."""
    # Two users share one e-mail address; two more differ only in letter case.
    users[3]["attributes"]["Internet EMail Address"] = ["sales@acme.example"]
    users[47]["attributes"]["Internet EMail Address"] = ["sales@acme.example"]
    users[60]["attributes"]["Internet EMail Address"] = ["Support@Acme.example"]
    users[61]["attributes"]["Internet EMail Address"] = ["support@acme.example"]
    # A GUID shared by two users (a copied account).
    users[120]["attributes"]["GUID"] = users[10]["attributes"]["GUID"]
    # Full names differing only in letter case.
    users[200]["attributes"]["Full Name"] = ["Maria Meyer"]
    users[201]["attributes"]["Full Name"] = ["MARIA MEYER"]
    # Multi-valued attributes: several telephone numbers and descriptions.
    users[0]["attributes"]["Telephone Number"] = ["+1 555 0100", "+1 555 0199", "+1 555 0100 ext 2"]
    users[0]["attributes"]["Description"] = ["Regional lead", "Key account owner", "Mentor"]
    users[1]["attributes"]["Description"] = ["Key account owner"]
    # An object whose class is the user class with an auxiliary class.
    for index in (5, 6, 7):
        users[index]["auxClasses"] = ["acmeBadgeHolder"]
        users[index]["attributes"]["acmeBadge"] = ["B-%04d" % (100 + index)]
        users[index]["attributes"]["acmeEmployeeCode"] = ["E%05d" % (index * 17)]
        users[index]["attributes"]["acmeCostCenter"] = ["4711 %d" % (index % 2)]
    users[8]["auxClasses"] = ["acmeBadgeHolder"]
    users[8]["attributes"]["acmeBadge"] = ["B-0105"]  # the same badge as users[5]


def group_memberships(users):
    groups = []
    for name, container in GROUPS:
        if container is None:
            members = [u["name"] for u in users[:: 9 if name.startswith("Everyone") else 17]]
        else:
            members = [u["name"] for u in users if u["name"].split(".", 1)[1].endswith(container)][:40]
        for user in users:
            if user["name"] in members:
                user["attributes"]["Group Membership"].append(name)
        groups.append(
            {
                "name": name,
                "class": "Group",
                "attributes": {
                    "Member": members,
                    "Description": ["Members of %s" % name.split(".")[0]],
                    "Equivalent To Me": members[:2],
                    "GUID": [hexbytes(guid(1000 + len(groups)))],
                },
            }
        )
    for user in users:
        if not user["attributes"]["Group Membership"]:
            del user["attributes"]["Group Membership"]
    return groups


# ---------------------------------------------------------------------------
# The rest of the large tree.

SCHEMA = {
    "attributes": [
        {"name": "acmeBadge", "syntax": 3, "flags": 1, "oid": "2.16.840.1.113719.9.1.1"},
        {"name": "acmeEmployeeCode", "syntax": 2, "flags": 1, "oid": "2.16.840.1.113719.9.1.2"},
        {"name": "acmeCostCenter", "syntax": 5, "oid": "2.16.840.1.113719.9.1.3"},
        {"name": "acmeAssetTag", "syntax": 4, "oid": "2.16.840.1.113719.9.1.4"},
        {"name": "acmeLegacyData", "syntax": 0, "oid": "2.16.840.1.113719.9.1.5"},
        {"name": "acmeVendorBlob", "syntax": 30, "oid": "2.16.840.1.113719.9.1.6"},
        {"name": "acmeKeyRing", "syntax": 13, "oid": "2.16.840.1.113719.9.1.7"},
    ],
    "classes": [
        {
            "name": "acmeBadgeHolder",
            "flags": 32,
            "oid": "2.16.840.1.113719.9.2.1",
            "superClasses": ["Top"],
            "containment": [],
            "naming": [],
            "mandatory": [],
            "optional": ["acmeBadge", "acmeEmployeeCode", "acmeCostCenter"],
        },
        {
            "name": "acmeAsset",
            "flags": 32,
            "oid": "2.16.840.1.113719.9.2.2",
            "superClasses": ["Top"],
            "containment": [],
            "naming": [],
            "mandatory": [],
            "optional": ["acmeAssetTag", "acmeLegacyData", "acmeVendorBlob", "acmeKeyRing"],
        },
    ],
}

CONTAINERS = [
    ("Acme", "Organization"),
    ("Sales.Acme", "Organizational Unit"),
    ("East.Sales.Acme", "Organizational Unit"),
    ("West.Sales.Acme", "Organizational Unit"),
    ("Engineering.Acme", "Organizational Unit"),
    ("Dev.Engineering.Acme", "Organizational Unit"),
    ("QA.Engineering.Acme", "Organizational Unit"),
    ("Finance.Acme", "Organizational Unit"),
    ("IT.Acme", "Organizational Unit"),
    ("Servers.IT.Acme", "Organizational Unit"),
    ("Printers.IT.Acme", "Organizational Unit"),
    ("Staff.IT.Acme", "Organizational Unit"),
    ("Workstations.IT.Acme", "Organizational Unit"),
    ("Applications.Acme", "Organizational Unit"),
    ("Marketing.Acme", "Organizational Unit"),
    ("HR.Acme", "Organizational Unit"),
    ("Archive.Acme", "Organizational Unit"),
    ("DE", "Country"),
    ("AcmeGmbH.DE", "Organization"),
    ("Berlin.AcmeGmbH.DE", "Organizational Unit"),
    ("Munich.AcmeGmbH.DE", "Locality"),
]


def container_objects():
    objects = []
    for number, (name, cls) in enumerate(CONTAINERS):
        obj = {"name": name, "class": cls, "created": iso(BASE_TIME - 86400 * (40 - number))}
        if cls == "Organizational Unit":
            obj["attributes"] = {"Description": ["%s department" % name.split(".")[0]]}
        objects.append(obj)
    # The partition root carries the replication attributes.
    acme = objects[0]
    acme["attributes"] = {
        "Description": ["Acme Inc. headquarters"],
        "Telephone Number": ["+1 555 0000"],
        "Replica": [
            {"server": "FS1.Servers.IT.Acme", "type": 0, "number": 1},
            {"server": "FS2.Servers.IT.Acme", "type": 1, "number": 2},
            {"server": "BACKUP1.Servers.IT.Acme", "type": 2, "number": 3},
        ],
        "Partition Status": [
            hexbytes(partition_status(1, "FS1.Servers.IT.Acme", 2, seconds(2006, 11, 30, 17, 45, 10), 1, 0xFFFFFDA7)),
            hexbytes(partition_status(2, "FS2.Servers.IT.Acme", 2, seconds(2006, 11, 30, 17, 46, 0), 2, 0)),
            hexbytes(partition_status(3, "BACKUP1.Servers.IT.Acme", 0, seconds(2006, 11, 29, 3, 0, 0), 3, 0)),
        ],
        "Synchronized Up To": [
            {"time": "2006-11-30T17:45:10Z", "replica": 1, "event": 7},
            {"time": "2006-11-30T17:46:00Z", "replica": 2, "event": 3},
        ],
        "Transitive Vector": [
            hexbytes(vector(1, 0x45A3, 7, "FS1.Servers.IT.Acme")),
            hexbytes(vector(2, 0x45A4, 3, "FS2.Servers.IT.Acme")),
        ],
        "Local Received Up To": [hexbytes(vector(1, 0x45A3, 7, "FS1.Servers.IT.Acme"))],
        "ACL": [
            {"attribute": "[Entry Rights]", "subject": "[Public]", "rights": 1},
            {"attribute": "[All Attributes Rights]", "subject": "Admins.IT.Acme", "rights": 0x43},
            {"attribute": "[Entry Rights]", "subject": "Admin.Acme", "rights": 0x1F},
            {"attribute": "[Inheritance Mask]", "subject": "[Root]", "rights": 0x40},
            {"attribute": "Telephone Number", "subject": "[Public]", "rights": 0x02},
        ],
    }
    return objects


def server_objects():
    servers = []
    for number, name in enumerate(["FS1", "FS2", "BACKUP1"]):
        servers.append(
            {
                "name": "%s.Servers.IT.Acme" % name,
                "class": "NCP Server",
                "created": iso(BASE_TIME - 86400 * 60 + number * 3600),
                "attributes": {
                    "Network Address": [
                        {"type": 1, "address": hexbytes(bytes([10, 0, 0, 10 + number, 2, 12]))},
                        {"type": 9, "address": hexbytes(bytes([2, 12, 10, 0, 0, 10 + number]))},
                        {"type": 0, "address": hexbytes(bytes([0, 0, 0, 0x11 + number, 0, 0x1B, 0x21, 0x44, 0x55, number]))},
                    ],
                    "Version": ["Server 6.5 SP%d" % (number + 5)],
                    "Description": ["File server %d" % (number + 1)],
                    "Status": [2],
                    "Back Link": [{"remoteId": 0x0100 + number, "name": "Admin.Acme"}],
                    "Notify": [{"name": "Admins.IT.Acme", "level": 1, "interval": 3600}],
                },
            }
        )
    servers[0]["attributes"]["Network Address"].append(
        {"type": 5, "address": hexbytes(bytes(range(1, 13)))}
    )
    servers[0]["attributes"]["Network Address"].append(
        {"type": 13, "address": hexbytes(wtext("fs1.acme.example"))}
    )
    return servers


def volume_objects():
    volumes = []
    for server, volume in [("FS1", "SYS"), ("FS1", "DATA"), ("FS2", "SYS"), ("FS2", "APPS")]:
        volumes.append(
            {
                "name": "%s_%s.Servers.IT.Acme" % (server, volume),
                "class": "Volume",
                "attributes": {
                    "Host Server": ["%s.Servers.IT.Acme" % server],
                    "Host Resource Name": [volume],
                },
            }
        )
    return volumes


def printer_objects():
    configs = [
        ("LaserEast", printer_configuration(PORT_PARALLEL, "HPLJ4", port=0, irq_mode=0, auto_load=1)),
        ("LaserWest", printer_configuration(PORT_PARALLEL, "HPLJ5", port=1, irq_mode=1, irq=7, postscript=1)),
        ("Plotter", printer_configuration(PORT_SERIAL, "HPGL", port=1, irq_mode=1, irq=4, xon_xoff=1, baud_exp=5, data_bits=8, stop_bits=0, parity=0)),
        ("Labels", printer_configuration(PORT_SERIAL, "ZEBRA", port=0, baud_exp=3, data_bits=7, stop_bits=3, parity=1, form_change=3)),
        ("MacColor", printer_configuration(PORT_APPLE, "PSCOLOR", postscript=1, name="Color Laser", zone="Design Zone", type="LaserWriter")),
        ("UnixLine", printer_configuration(PORT_UNIX, "LINE", host="printhost.acme.example", queue="lp0")),
        ("Legacy", printer_configuration(PORT_OTHER, "GENERIC", form_change=2, service=10)),
        ("Remote", printer_configuration(PORT_XNP, "REMOTE", buffer_kb=16, starting_form=2, form_change=1)),
        ("Odd", printer_configuration(9, "ODD")),
    ]
    printers = []
    for name, config in configs:
        printers.append(
            {
                "name": "%s.Printers.IT.Acme" % name,
                "class": "Printer",
                "attributes": {
                    "Printer Configuration": [hexbytes(config)],
                    "Description": ["Printer %s" % name],
                    "Queue": ["Queue1.Printers.IT.Acme"],
                },
            }
        )
    printers.append({"name": "Queue1.Printers.IT.Acme", "class": "Queue",
                     "attributes": {"Host Server": ["FS1.Servers.IT.Acme"], "Queue Directory": ["SYS:QUEUES\\Q1"]}})
    printers.append({"name": "PServer.Printers.IT.Acme", "class": "Print Server",
                     "attributes": {"Printer": ["LaserEast.Printers.IT.Acme", "Plotter.Printers.IT.Acme"]}})
    return printers


def application_objects():
    def app(name, path, version, extra):
        attributes = {
            "App:Path": [hexbytes(ztext(path))],
            "App:Version String": [hexbytes(ztext(version))],
            "App:Working Directory": [hexbytes(ztext(path.rsplit("\\", 1)[0]))],
            "App:Parameters": [hexbytes(ztext("/quiet /log"))],
            "App:GUID": [hexbytes(ztext("{%08X-0000-4000-8000-%012X}" % (len(name) * 0x1111, len(path))))],
            "App:Drive Mappings": [hexbytes(ztext("G:=FS1_APPS.Servers.IT.Acme:APPS"))],
            "App:Folder List": [
                hexbytes(record((0, u32(1)), (4, u32(0)), (8, u32(0x10)), (12, ztext("Office")))),
                hexbytes(record((0, u32(2)), (4, u32(1)), (8, u32(0x11)), (12, ztext("Office\\Tools")))),
            ],
            "App:FS Rights Path": [
                hexbytes(record((0, u32(1)), (4, u32(2)), (8, u32(3)), (12, u8(0x1F)), (13, ztext("FS1_APPS.Servers.IT.Acme:APPS\\%s" % name.upper()))))
            ],
            "App:Macros": [hexbytes(app_macros([("SOURCE_PATH", "\\\\FS1\\APPS"), ("TARGET_PATH", "C:\\Program Files\\" + name)]))],
            "App:Copy Files": [hexbytes(app_copy_files(["\\\\FS1\\APPS\\%s\\setup.exe" % name, "\\\\FS1\\APPS\\%s\\readme.txt" % name]))],
            "App:Program Groups": [hexbytes(app_scan_stream(3, ["Acme Tools", name]))],
            "App:Inventory": [hexbytes(app_scan_stream(4, ["%s.exe" % name, "%s.dll" % name, "license.dat"]))],
        }
        attributes.update(extra)
        return {"name": "%s.Applications.Acme" % name, "class": "Application", "attributes": attributes}

    return [
        app("WordPad", "C:\\Program Files\\WordPad\\wordpad.exe", "5.1.2600", {}),
        app("Calculator", "C:\\Windows\\calc.exe", "6.0", {"App:Path": [hexbytes(b"C:\\WINDOWS\\CALC.EXE")]}),
        app("Reports", "\\\\FS1\\APPS\\Reports\\reports.exe", "2.4", {}),
        app("Viewer", "C:\\Program Files\\Viewer\\view.exe", "1.0 beta", {}),
    ]


def workstation_objects():
    stations = []
    for number in range(6):
        name = "WS%03d.Workstations.IT.Acme" % (number + 1)
        stations.append(
            {
                "name": name,
                "class": "Workstation",
                "attributes": {
                    "WM:INV DMA": [hexbytes(inv_dma(2, 0, 1, 0, "Floppy controller")), hexbytes(inv_dma(4, 0, 0, 0, "Cascade"))],
                    "WM:INV Interrupt": [hexbytes(inv_dma(14, 1, 0, 0, "Primary IDE")), hexbytes(inv_dma(1, 0, 0, 0, "Keyboard"))],
                    "WM:INV Port": [hexbytes(inv_port(0x3F8, 8, 0, 0, "COM1")), hexbytes(inv_port(0x378, 3, 0, 0, "LPT1"))],
                    "WM:INV CPU Information": [hexbytes(inv_cpu(1800 + number * 200, "Intel Pentium 4"))],
                    "WM:INV Shared Memory": [hexbytes(inv_five(0xA0000, 0x20000, 0, 1, 0, "Video RAM"))],
                    "WM:INV Volume": [hexbytes(inv_five(0x80, 40000, 12000 + number, 512, 3, "C:\\"))],
                    "ZEN:INV Disk Info": [hexbytes(ztext("ST340014A 40 GB"))],
                    "Network Address": [{"type": 1, "address": hexbytes(bytes([192, 168, 1, 100 + number, 0, 0]))}],
                    "Description": ["Workstation %d" % (number + 1)],
                },
            }
        )
    # Two workstations carry the same disk serial: a duplicate to find.
    stations[4]["attributes"]["ZEN:INV Disk Info"] = stations[3]["attributes"]["ZEN:INV Disk Info"]
    return stations


def special_objects():
    """Objects carrying the remaining structured and rarely used values."""
    admin = {
        "name": "Admin.Acme",
        "class": "User",
        "auxClasses": ["acmeAsset", "extensibleObject"],
        "created": iso(BASE_TIME - 86400 * 100),
        "modified": iso(seconds(2006, 11, 30, 17, 45, 10)),
        "attributes": {
            "Surname": ["Administrator"],
            "Full Name": ["Tree Administrator"],
            "Telephone Number": ["+1 555 0000"],
            "Internet EMail Address": ["admin@acme.example"],
            "GUID": [hexbytes(guid(0))],
            "Login Script": ["text:MAP ROOT F:=FS1_SYS.Servers.IT.Acme:\r\nWRITE \"Good %GREETING_TIME, %LOGIN_NAME\"\r\n"],
            "Public Key": [hexbytes(public_key(1, 0x200, guid(77), 0x10001, "Admin.Acme"))],
            "Account Balance": [250],
            "Server Holds": [{"name": "FS1.Servers.IT.Acme", "amount": 100}],
            "Intruder Lockout Reset Interval": [1800],
            "Password Expiration Time": ["2007-03-01T00:00:00Z"],
            "Bindery Property": [
                hexbytes(bindery_property("IDENTIFICATION", value_text="Tree Administrator")),
                hexbytes(bindery_property("OLD_BLOCK", value_bytes=bytes([0, 0x41, 0x42, 0, 0, 0, 0, 0]))),
            ],
            "FW0 USER ADD": [hexbytes(record((0, u32(1)), (15, ztext("admin-firewall-profile"))))],
            "rbsTaskRights": [hexbytes(ztext("Manage Users;Reset Passwords"))],
            "DirXML-EntitlementResult": [hexbytes(ztext("<result><status level=\"success\"/></result>"))],
            "bhObjectGUID": [hexbytes(ztext("{B0A1C2D3-0000-4000-8000-000000000001}"))],
            "acmeAssetTag": ["TAG-0001"],
            "acmeLegacyData": [{"number": 9, "bytes": "hex:0102A0FF"}],
            "acmeVendorBlob": ["hex:0102"],
            "acmeKeyRing": [["hex:0102", "hex:A0B0C0"]],
        },
    }
    ca = {
        "name": "CA.Servers.IT.Acme",
        "class": "NCP Server",
        "auxClasses": ["extensibleObject"],
        "attributes": {
            "CA Public Key": [hexbytes(public_key(2, 0x400, guid(99), 0x10001, "Acme Organizational CA"))],
            "snmpTrapDescription": [hexbytes(ztext("Link down") + ztext("Link up"))],
            "bhConfig": [hexbytes(record((0, u32(3)), (4, ztext("backup-daily")), (92, ztext("FS1_DATA:BACKUP"))))],
            "NGW: Location": [hexbytes(record((0, bytes(range(0x10, 0x1D))), (13, ztext("Post office Springfield"))))],
        },
    }
    dynamic = {
        "name": "Managers.Acme",
        "class": "Group",
        "auxClasses": ["dynamicGroupAux"],
        "attributes": {
            "memberQuery": [hexbytes(record((0, u32(1)), (4, u32(0)), (8, u32(0)), (12, wtext("(Title=Manager)"))))],
            "Description": ["Everyone whose title is Manager"],
        },
    }
    role = {
        "name": "Helpdesk.IT.Acme",
        "class": "Organizational Role",
        "attributes": {"Role Occupant": ["Admin.Acme"], "Telephone Number": ["+1 555 3100"]},
    }
    profile = {
        "name": "Default.Staff.IT.Acme",
        "class": "Profile",
        "attributes": {"Login Script": ["text:MAP G:=FS1_APPS.Servers.IT.Acme:APPS\r\n"]},
    }
    return [admin, ca, dynamic, role, profile]


def alias_objects():
    return [
        {"name": "Admin.Sales.Acme", "class": "Alias", "attributes": {"Aliased Object Name": ["Admin.Acme"]}},
        {"name": "Printers.Acme", "class": "Alias", "attributes": {"Aliased Object Name": ["Printers.IT.Acme"]}},
        {"name": "Helpdesk.HR.Acme", "class": "Alias", "attributes": {"Aliased Object Name": ["Helpdesk.IT.Acme"]}},
    ]


def acme_tree():
    users = user_objects()
    add_deliberate_duplicates(users, {u["name"]: u for u in users})
    groups = group_memberships(users)
    # Users carry a few more rarely set values.
    users[2]["attributes"]["Network Address"] = [{"type": 1, "address": hexbytes(bytes([10, 1, 2, 3, 2, 12]))}]
    users[2]["attributes"]["Login Intruder Attempts"] = [3]
    users[4]["attributes"]["Security Equals"] = ["Admins.IT.Acme"]
    users[4]["attributes"]["See Also"] = ["Admin.Acme"]
    objects = (
        container_objects()
        + special_objects()
        + server_objects()
        + volume_objects()
        + printer_objects()
        + application_objects()
        + workstation_objects()
        + alias_objects()
        + groups
        + users
    )
    return {
        "format": "veralith-tree/1",
        "tree": "ACME_TREE",
        "defaultNameContext": "Acme",
        "schema": SCHEMA,
        "objects": objects,
    }


def acme_second_server():
    return {
        "format": "veralith-tree/1",
        "tree": "Acme_Tree",
        "defaultNameContext": "Acme",
        "objects": [{"name": "Acme", "class": "Organization"}],
    }


def globex_tree():
    objects = [
        {"name": "Globex", "class": "Organization", "attributes": {"Description": ["Globex Corporation"]}},
        {"name": "Research.Globex", "class": "Organizational Unit"},
        {"name": "Labs.Research.Globex", "class": "Organizational Unit"},
        {"name": "Empty.Globex", "class": "Organizational Unit"},
        {"name": "Admin.Globex", "class": "User", "attributes": {"Surname": ["Admin"], "Telephone Number": ["+44 20 5550 100"]}},
    ]
    for number in range(12):
        first = FIRST[number * 3 % len(FIRST)]
        last = LAST[number * 5 % len(LAST)]
        objects.append(
            {
                "name": "%s%s.Labs.Research.Globex" % (first[0].lower(), last.lower()),
                "class": "User",
                "attributes": {
                    "Given Name": [first],
                    "Surname": [last],
                    "Telephone Number": ["+44 20 5550 %03d" % (110 + number // 2)],
                    "Internet EMail Address": ["%s.%s@globex.example" % (first.lower(), last.lower())],
                },
            }
        )
    return {"format": "veralith-tree/1", "tree": "GLOBEX-TREE", "objects": objects}


def dumps(value):
    return json.dumps(value, ensure_ascii=False)


def object_text(obj):
    """One object: its header on one line, then one line per attribute."""
    head = ", ".join("%s: %s" % (dumps(k), dumps(v)) for k, v in obj.items() if k != "attributes")
    attributes = obj.get("attributes")
    if not attributes:
        return "  {" + head + "}"
    lines = ["    %s: %s" % (dumps(k), dumps(v)) for k, v in attributes.items()]
    return "  {" + head + ', "attributes": {\n' + ",\n".join(lines) + "}}"


def write(name, document):
    """Writes a tree file laid out for reading: one line per attribute."""
    path = os.path.join(DATA, name)
    header = ['  %s: %s' % (dumps(k), dumps(v)) for k, v in document.items() if k not in ("schema", "objects")]
    if "schema" in document:
        schema = document["schema"]
        header.append(
            '  "schema": {\n    "attributes": [\n'
            + ",\n".join("      " + dumps(a) for a in schema["attributes"])
            + '\n    ],\n    "classes": [\n'
            + ",\n".join("      " + dumps(c) for c in schema["classes"])
            + "\n    ]\n  }"
        )
    text = "{\n" + ",\n".join(header) + ',\n  "objects": [\n'
    text += ",\n".join(object_text(obj) for obj in document["objects"]) + "\n  ]\n}\n"
    assert json.loads(text) == document
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)
    print("wrote %s (%d objects)" % (os.path.relpath(path, ROOT), len(document["objects"])))


def main():
    os.makedirs(DATA, exist_ok=True)
    write("acme.json", acme_tree())
    write("acme-second.json", acme_second_server())
    write("globex.json", globex_tree())


if __name__ == "__main__":
    main()
