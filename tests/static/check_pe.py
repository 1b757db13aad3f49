#!/usr/bin/env python3
"""Static checks of a built hint.exe.

    python3 tests/static/check_pe.py <exe> [--machine i386|amd64]
                                           [--require-hardening]

The PE file is parsed here directly (no external tools). Every check prints
one line, "ok: ..." or "FAIL: ...", and the last line is "N passed, M failed".
The exit status is 0 only when nothing failed.

The parsing helpers (read_pe, read_imports, read_resources, ...) can be
imported and reused by other tests.
"""

import argparse
import fnmatch
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET

# Resource types.
RT_ICON = 3
RT_RCDATA = 10
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

LANG_NEUTRAL = 0x0000
LANG_CHINESE_PRC = 0x0804

MACHINES = {
    # name: (COFF machine, optional header magic, description)
    "i386": (0x014C, 0x010B, "PE32 / i386"),
    "amd64": (0x8664, 0x020B, "PE32+ / amd64"),
}

IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100

ALLOWED_DLLS = (
    "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll",
    "comctl32.dll", "ntdll.dll", "shell32.dll", "ole32.dll",
    "api-ms-win-crt-*.dll", "ucrtbase.dll",
)

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"

COMMON_CONTROLS = {
    "type": "win32",
    "name": "Microsoft.Windows.Common-Controls",
    "version": "6.0.0.0",
    "processorArchitecture": "x86",
    "publicKeyToken": "6595b64144ccf1df",
    "language": "*",
}

VS_FFI_SIGNATURE = 0xFEEF04BD
VOS__WINDOWS32 = 0x00000004
VFT_APP = 0x00000001

STRING_TABLE_KEY = "080404B0"
STRING_KEYS = ("FileVersion", "FileDescription", "ProductName",
               "ProductVersion", "LegalCopyright", "Comments")
TRANSLATION = (LANG_CHINESE_PRC, 1200)

VERSION_HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                              os.pardir, os.pardir, "app", "version.h")


class PEError(Exception):
    """The file is not a PE image we can read."""


# ---------------------------------------------------------------- parsing

class PEImage:
    """The parts of a PE image the checks need."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PEError("no MZ signature")
        (pe_offset,) = self._unpack("<I", 0x3C)
        if data[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise PEError("no PE signature at 0x%x" % pe_offset)
        coff = pe_offset + 4
        (self.machine, section_count, _, _, _, optional_size,
         self.characteristics) = self._unpack("<HHIIIHH", coff)
        opt = coff + 20
        (self.magic,) = self._unpack("<H", opt)
        if self.magic == 0x010B:
            (self.image_base,) = self._unpack("<I", opt + 28)
            dirs_at = opt + 92
        elif self.magic == 0x020B:
            (self.image_base,) = self._unpack("<Q", opt + 24)
            dirs_at = opt + 108
        else:
            raise PEError("unknown optional header magic 0x%x" % self.magic)
        (self.size_of_headers,) = self._unpack("<I", opt + 60)
        self.subsystem, self.dll_characteristics = self._unpack("<HH", opt + 68)
        (dir_count,) = self._unpack("<I", dirs_at)
        self.directories = [
            self._unpack("<II", dirs_at + 4 + 8 * i) for i in range(dir_count)]

        self.sections = []
        table = opt + optional_size
        for i in range(section_count):
            (name, vsize, vaddr, raw_size, raw_ptr) = self._unpack(
                "<8sIIII", table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"),
                                  vaddr, vsize, raw_ptr, raw_size))

    def _unpack(self, fmt, offset):
        size = struct.calcsize(fmt)
        if offset < 0 or offset + size > len(self.data):
            raise PEError("read past end of file at 0x%x" % offset)
        return struct.unpack_from(fmt, self.data, offset)

    def directory(self, index):
        """(rva, size) of a data directory, (0, 0) when absent."""
        if index < len(self.directories):
            return self.directories[index]
        return (0, 0)

    def offset(self, rva):
        """File offset of an RVA."""
        if rva < self.size_of_headers:
            return rva
        for _, vaddr, vsize, raw_ptr, raw_size in self.sections:
            if vaddr <= rva < vaddr + max(vsize, raw_size):
                delta = rva - vaddr
                if delta >= raw_size:
                    raise PEError("RVA 0x%x lies in uninitialised data" % rva)
                return raw_ptr + delta
        raise PEError("RVA 0x%x is in no section" % rva)

    def read(self, rva, size):
        start = self.offset(rva)
        if start + size > len(self.data):
            raise PEError("data at RVA 0x%x runs past end of file" % rva)
        return self.data[start:start + size]

    def unpack(self, fmt, rva):
        return struct.unpack(fmt, self.read(rva, struct.calcsize(fmt)))

    def c_string(self, rva, limit=512):
        start = self.offset(rva)
        end = self.data.find(b"\0", start, start + limit)
        if end < 0:
            raise PEError("unterminated string at RVA 0x%x" % rva)
        return self.data[start:end].decode("latin-1")


def read_pe(path):
    with open(path, "rb") as f:
        return PEImage(f.read())


def read_imports(pe):
    """Names of the DLLs the image imports from, normal and delay-loaded,
    in table order."""
    names = []
    rva, _ = pe.directory(1)
    if rva:
        pos = rva
        while True:
            desc = pe.unpack("<IIIII", pos)
            if desc == (0, 0, 0, 0, 0):
                break
            names.append(pe.c_string(desc[3]))
            pos += 20
    rva, _ = pe.directory(13)
    if rva:
        pos = rva
        while True:
            desc = pe.unpack("<8I", pos)
            if not any(desc):
                break
            attributes, name = desc[0], desc[1]
            if not attributes & 1:          # old style: a VA, not an RVA
                name -= pe.image_base
            names.append(pe.c_string(name))
            pos += 32
    return names


def _resource_name(pe, base, value):
    """An entry's name: an int id, or a str for a named entry."""
    if value & 0x80000000:
        rva = base + (value & 0x7FFFFFFF)
        (length,) = pe.unpack("<H", rva)
        return pe.read(rva + 2, 2 * length).decode("utf-16-le")
    return value


def _resource_entries(pe, base, offset):
    """(name, offset, is_directory) of the entries of one directory."""
    named, ids = pe.unpack("<HH", base + offset + 12)
    entries = []
    for i in range(named + ids):
        name, target = pe.unpack("<II", base + offset + 16 + 8 * i)
        entries.append((_resource_name(pe, base, name),
                        target & 0x7FFFFFFF, bool(target & 0x80000000)))
    return entries


def read_resource_list(pe):
    """All resources as a list of ((type, name, lang), bytes) in directory
    order (named entries first, then ids ascending, as the linker sorts
    them). Type and name are ints for ids and strs for names."""
    base, _ = pe.directory(2)
    if not base:
        return []
    result = []
    for rtype, type_off, type_dir in _resource_entries(pe, base, 0):
        if not type_dir:
            raise PEError("resource type entry is not a directory")
        for name, name_off, name_dir in _resource_entries(pe, base, type_off):
            if not name_dir:
                raise PEError("resource name entry is not a directory")
            for lang, leaf_off, leaf_dir in _resource_entries(pe, base, name_off):
                if leaf_dir:
                    raise PEError("resource tree deeper than three levels")
                data_rva, data_size, _, _ = pe.unpack("<IIII", base + leaf_off)
                result.append(((rtype, name, lang), pe.read(data_rva, data_size)))
    return result


def read_resources(path_or_pe):
    """Dict (type, name, lang) -> bytes, in directory order."""
    pe = path_or_pe if isinstance(path_or_pe, PEImage) else read_pe(path_or_pe)
    return dict(read_resource_list(pe))


def find_resources(resources, rtype, name=None):
    """Keys of the resources of one type (and name, if given), in order."""
    return [key for key in resources
            if key[0] == rtype and (name is None or key[1] == name)]


def _align4(n):
    return (n + 3) & ~3


def parse_version_node(data, offset=0):
    """Parse one node of a version resource.

    Returns a dict with key, type, value (bytes for binary values, str for
    text), children (a list of nodes) and end (offset after the node)."""
    if offset + 6 > len(data):
        raise PEError("version node at 0x%x runs past the resource" % offset)
    length, value_length, vtype = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise PEError("version node at 0x%x has bad length %d" % (offset, length))
    pos = offset + 6
    key_end = pos
    while key_end + 1 < end and data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos:key_end].decode("utf-16-le")
    pos = _align4(key_end + 2)
    if vtype == 1:
        # Text: wValueLength counts characters, but not every compiler agrees,
        # so read up to the terminating NUL and never past the node.
        value_end = min(pos + 2 * value_length, end)
        raw = data[pos:end] if value_length else b""
        text = raw.decode("utf-16-le", errors="replace")
        value = text.split("\0", 1)[0]
    else:
        value_end = min(pos + value_length, end)
        value = data[pos:value_end]
    children = []
    pos = _align4(value_end)
    while pos + 6 <= end:
        child = parse_version_node(data, pos)
        children.append(child)
        pos = _align4(child["end"])
    return {"key": key, "type": vtype, "value": value,
            "children": children, "end": end}


def read_version_header(path=VERSION_HEADER):
    """The four version numbers and the version string from app/version.h."""
    with open(path, "r", encoding="ascii") as f:
        text = f.read()
    pattern = r"^[ \t]*#[ \t]*define[ \t]+(HINT_VERSION_\w+)[ \t]+(\S.*?)[ \t]*$"
    macros = dict(re.findall(pattern, text, re.M))
    numbers = tuple(int(macros["HINT_VERSION_" + part], 0)
                    for part in ("MAJOR", "MINOR", "PATCH", "BUILD"))
    string = macros["HINT_VERSION_STRING"]
    if not (string.startswith('"') and string.endswith('"')):
        raise ValueError("HINT_VERSION_STRING is not a string literal")
    return numbers, string[1:-1]


# ---------------------------------------------------------------- reporting

class Report:
    def __init__(self, out=sys.stdout):
        self.passed = 0
        self.failed = 0
        self.out = out

    def ok(self, message):
        self.passed += 1
        print("ok: " + message, file=self.out)

    def fail(self, message):
        self.failed += 1
        print("FAIL: " + message, file=self.out)

    def expect(self, condition, message, detail=""):
        """Record one check; detail says what was found when it fails."""
        if condition:
            self.ok(message)
        else:
            self.fail(message + (" (" + detail + ")" if detail else ""))
        return bool(condition)

    def summary(self):
        print("%d passed, %d failed" % (self.passed, self.failed), file=self.out)


def _hex_list(values):
    return ", ".join("0x%x" % v for v in values)


def _key_text(key):
    return "(%r, %r, 0x%04x)" % key


# ---------------------------------------------------------------- checks

def check_format(pe, report, machine):
    coff_machine, magic, label = MACHINES[machine]
    report.expect(pe.magic == magic and pe.machine == coff_machine,
                  "image is %s (magic 0x%x, machine 0x%x)"
                  % (label, magic, coff_machine),
                  "found magic 0x%x, machine 0x%x" % (pe.magic, pe.machine))


def check_layout(pe, report):
    short = [name for name, _, _, raw_ptr, raw_size in pe.sections
             if raw_ptr + raw_size > len(pe.data)]
    report.expect(pe.sections and not short,
                  "file holds the raw data of all %d sections" % len(pe.sections),
                  "cut off: " + ", ".join(short) if short else "no sections")


def check_subsystem(pe, report):
    report.expect(pe.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI,
                  "subsystem is Windows GUI (2)",
                  "found %d" % pe.subsystem)


def _dll_allowed(name):
    lower = name.lower()
    return any(fnmatch.fnmatchcase(lower, pattern) for pattern in ALLOWED_DLLS)


def check_imports(pe, report):
    try:
        dlls = read_imports(pe)
    except PEError as e:
        report.fail("import table is readable (%s)" % e)
        return
    report.expect(dlls, "image imports from: " + ", ".join(dlls),
                  "no imported DLLs found")
    foreign = [d for d in dlls if not _dll_allowed(d)]
    report.expect(not foreign, "all imported DLLs are system DLLs",
                  "not allowed: " + ", ".join(foreign))


def check_hardening(pe, report):
    flags = pe.dll_characteristics
    report.expect(flags & DYNAMIC_BASE, "DllCharacteristics has DYNAMIC_BASE",
                  "DllCharacteristics 0x%04x" % flags)
    report.expect(flags & NX_COMPAT, "DllCharacteristics has NX_COMPAT",
                  "DllCharacteristics 0x%04x" % flags)


def _single_resource(resources, report, rtype, name, lang, what):
    """The bytes of the one resource of this type and name, with the given
    language; reports a failure and returns None otherwise."""
    keys = find_resources(resources, rtype, name)
    if not keys:
        report.fail("%s resource (type %d, name %r) exists" % (what, rtype, name))
        return None
    report.expect(keys == [(rtype, name, lang)],
                  "%s resource is type %d, name %r, language 0x%04x only"
                  % (what, rtype, name, lang),
                  "found " + ", ".join(_key_text(k) for k in keys))
    if (rtype, name, lang) in resources:
        return resources[(rtype, name, lang)]
    return resources[keys[0]]


def _xml_declaration(text):
    match = re.match(r"<\?xml\s+(.*?)\?>", text, re.S)
    if not match:
        return None
    return dict(re.findall(r"""(\w+)\s*=\s*["']([^"']*)["']""", match.group(1)))


def _local(tag):
    """A tag without its namespace, for messages."""
    return tag.rsplit("}", 1)[-1]


def _expect_only_child(report, parent, tag, what):
    kids = list(parent)
    found = [k.tag for k in kids]
    if report.expect(found == [tag],
                     "%s holds exactly one %s" % (what, _local(tag)),
                     "children " + repr(found)):
        return kids[0]
    return None


def check_manifest(resources, report, expected_version):
    data = _single_resource(resources, report, RT_MANIFEST, 1, LANG_NEUTRAL,
                            "manifest")
    if data is None:
        return
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        report.fail("manifest is valid UTF-8 (%s)" % e)
        return
    text = text.lstrip("\ufeff")
    decl = _xml_declaration(text)
    report.expect(decl is not None
                  and decl.get("version") == "1.0"
                  and decl.get("encoding", "").lower() == "utf-8"
                  and decl.get("standalone") == "yes",
                  'manifest declaration is version 1.0, UTF-8, standalone="yes"',
                  "found " + repr(decl))
    try:
        root = ET.fromstring(data)
    except ET.ParseError as e:
        report.fail("manifest is well-formed XML (%s)" % e)
        return
    report.ok("manifest is well-formed XML")

    v1 = "{%s}" % ASM_V1
    v3 = "{%s}" % ASM_V3
    report.expect(root.tag == v1 + "assembly"
                  and root.attrib == {"manifestVersion": "1.0"},
                  "manifest root is asm.v1 assembly with manifestVersion 1.0",
                  "found %s %r" % (root.tag, root.attrib))

    order = [v1 + "assemblyIdentity", v1 + "dependency", v3 + "trustInfo"]
    kids = list(root)
    if not report.expect([k.tag for k in kids] == order,
                         "manifest holds assemblyIdentity, dependency, "
                         "trustInfo in that order and nothing else",
                         "found " + repr([k.tag for k in kids])):
        return
    identity, dependency, trust = kids

    attrs = identity.attrib
    report.expect(attrs.get("type") == "win32"
                  and attrs.get("processorArchitecture") == "x86"
                  and attrs.get("version") == expected_version
                  and attrs.get("name"),
                  "manifest assemblyIdentity: type win32, processorArchitecture "
                  "x86, version %s, named" % expected_version,
                  "found %r" % attrs)

    dependent = _expect_only_child(report, dependency,
                                   v1 + "dependentAssembly", "dependency")
    if dependent is not None:
        target = _expect_only_child(report, dependent, v1 + "assemblyIdentity",
                                    "dependentAssembly")
        if target is not None:
            report.expect(target.attrib == COMMON_CONTROLS,
                          "dependency is Common-Controls 6.0.0.0 with exactly "
                          "the six expected attributes",
                          "found %r" % target.attrib)

    security = _expect_only_child(report, trust, v3 + "security", "trustInfo")
    if security is None:
        return
    privileges = _expect_only_child(report, security,
                                    v3 + "requestedPrivileges", "security")
    if privileges is None:
        return
    level = _expect_only_child(report, privileges,
                               v3 + "requestedExecutionLevel",
                               "requestedPrivileges")
    if level is not None:
        report.expect(level.attrib == {"level": "requireAdministrator",
                                       "uiAccess": "false"},
                      "requestedExecutionLevel is requireAdministrator, "
                      "uiAccess false",
                      "found %r" % level.attrib)


def check_icon(resources, report):
    groups = find_resources(resources, RT_GROUP_ICON)
    if not groups:
        report.fail("an icon group resource exists")
        return
    first = groups[0]
    report.expect(first[1] == "DEFAULT_ICON" and first[2] == LANG_NEUTRAL,
                  "first icon group is DEFAULT_ICON, language neutral",
                  "found " + _key_text(first))
    group = resources[first]
    if len(group) < 6:
        report.fail("icon group header is complete (%d bytes)" % len(group))
        return
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    if not report.expect(reserved == 0 and kind == 1 and count == 1
                         and len(group) == 6 + 14 * count,
                         "icon group holds exactly one icon entry",
                         "reserved %d, type %d, count %d, %d bytes"
                         % (reserved, kind, count, len(group))):
        return
    (width, height, colours, _, planes, bits,
     size, icon_id) = struct.unpack_from("<BBBBHHIH", group, 6)
    report.expect(width == 32 and height == 32 and bits == 32,
                  "icon entry is 32x32, 32 bits per pixel",
                  "found %dx%d, %d bpp" % (width or 256, height or 256, bits))

    images = find_resources(resources, RT_ICON, icon_id)
    if not report.expect(images, "icon image %d exists" % icon_id):
        return
    dib = resources[images[0]]
    report.expect(len(dib) == size,
                  "icon image size matches its group entry (%d bytes)" % size,
                  "image is %d bytes" % len(dib))
    if len(dib) < 40:
        report.fail("icon image has a BITMAPINFOHEADER (%d bytes)" % len(dib))
        return
    (hsize, bi_width, bi_height, bi_planes, bi_bits,
     compression) = struct.unpack_from("<IiiHHI", dib, 0)
    if not report.expect(hsize == 40 and bi_width == 32 and bi_height == 64
                         and bi_planes == 1 and bi_bits == 32
                         and compression == 0,
                         "icon image is a BI_RGB DIB, 32 wide, 64 high "
                         "(colour + mask), 32 bpp",
                         "header %d, %dx%d, planes %d, %d bpp, compression %d"
                         % (hsize, bi_width, bi_height, bi_planes, bi_bits,
                            compression)):
        return
    pixels = 32 * 32
    mask_bytes = 4 * 32
    if not report.expect(len(dib) >= 40 + 4 * pixels + mask_bytes,
                         "icon image holds colour data and AND mask",
                         "only %d bytes" % len(dib)):
        return
    colour = dib[40:40 + 4 * pixels]
    translucent = sum(1 for a in colour[3::4] if a != 0xFF)
    report.expect(translucent == 0, "every icon pixel has alpha 255",
                  "%d pixels are not opaque" % translucent)
    mask = dib[40 + 4 * pixels:40 + 4 * pixels + mask_bytes]
    report.expect(not any(mask), "icon AND mask is all zero",
                  "%d non-zero mask bytes" % sum(1 for b in mask if b))


def check_version(resources, report, expected_numbers, expected_string):
    keys = find_resources(resources, RT_VERSION)
    want = (RT_VERSION, 1, LANG_CHINESE_PRC)
    if not report.expect(keys == [want],
                         "version resource is type 16, id 1, language 0x0804 "
                         "only", "found " + ", ".join(_key_text(k) for k in keys)):
        if not keys:
            return
    data = resources[want] if want in resources else resources[keys[0]]
    try:
        root = parse_version_node(data)
    except PEError as e:
        report.fail("version resource is well-formed (%s)" % e)
        return
    fixed = root["value"]
    if not report.expect(root["key"] == "VS_VERSION_INFO" and len(fixed) == 52,
                         "version resource root is VS_VERSION_INFO with a "
                         "VS_FIXEDFILEINFO",
                         "key %r, %d value bytes" % (root["key"], len(fixed))):
        return
    (signature, _, file_ms, file_ls, prod_ms, prod_ls, flags_mask, flags,
     file_os, file_type, file_subtype, date_ms,
     date_ls) = struct.unpack("<13I", fixed)
    major, minor, patch, build = expected_numbers
    want_ms = (major << 16) | minor
    want_ls = (patch << 16) | build
    dotted = "%d.%d.%d.%d" % expected_numbers
    report.expect(signature == VS_FFI_SIGNATURE,
                  "VS_FIXEDFILEINFO signature 0xFEEF04BD",
                  "found 0x%08x" % signature)
    report.expect((file_ms, file_ls) == (want_ms, want_ls),
                  "file version " + dotted,
                  "found " + _hex_list((file_ms, file_ls)))
    report.expect((prod_ms, prod_ls) == (want_ms, want_ls),
                  "product version " + dotted,
                  "found " + _hex_list((prod_ms, prod_ls)))
    report.expect(flags_mask == 0 and flags == 0,
                  "file flags mask 0, file flags 0",
                  "found mask 0x%x, flags 0x%x" % (flags_mask, flags))
    report.expect(file_os == VOS__WINDOWS32 and file_type == VFT_APP
                  and file_subtype == 0,
                  "file OS VOS__WINDOWS32, type VFT_APP, subtype 0",
                  "found OS 0x%x, type %d, subtype %d"
                  % (file_os, file_type, file_subtype))
    report.expect(date_ms == 0 and date_ls == 0, "file date 0/0",
                  "found " + _hex_list((date_ms, date_ls)))

    blocks = [c["key"] for c in root["children"]]
    report.expect(sorted(blocks) == ["StringFileInfo", "VarFileInfo"],
                  "version resource holds one StringFileInfo and one "
                  "VarFileInfo", "found " + repr(blocks))
    by_key = {c["key"]: c for c in root["children"]}

    string_info = by_key.get("StringFileInfo")
    if string_info is None:
        report.fail("StringFileInfo present")
    else:
        tables = [t["key"] for t in string_info["children"]]
        if report.expect(tables == [STRING_TABLE_KEY],
                         "StringFileInfo holds exactly one table %s"
                         % STRING_TABLE_KEY, "found " + repr(tables)):
            entries = [(s["key"], s["value"])
                       for s in string_info["children"][0]["children"]]
            names = tuple(k for k, _ in entries)
            if report.expect(names == STRING_KEYS,
                             "string table holds exactly " + ", ".join(STRING_KEYS)
                             + " in that order", "found " + repr(names)):
                values = dict(entries)
                for key in ("FileVersion", "ProductVersion"):
                    report.expect(values[key] == expected_string,
                                  "%s string is %s" % (key, expected_string),
                                  "found %r" % values[key])
                empty = [k for k, v in entries if not v.strip()]
                report.expect(not empty, "no version string is empty",
                              "empty: " + ", ".join(empty))

    var_info = by_key.get("VarFileInfo")
    if var_info is None:
        report.fail("VarFileInfo present")
    else:
        found = [(v["key"], v["value"]) for v in var_info["children"]]
        want_value = struct.pack("<HH", *TRANSLATION)
        report.expect(found == [("Translation", want_value)],
                      "VarFileInfo Translation is exactly (0x%04x, %d)"
                      % TRANSLATION,
                      "found " + repr([(k, v.hex() if isinstance(v, bytes) else v)
                                       for k, v in found]))


def check_window_description(resources, report):
    data = _single_resource(resources, report, RT_RCDATA, "WINDOW_DESCRIPTION",
                            LANG_NEUTRAL, "WINDOW_DESCRIPTION RCDATA")
    if data is not None:
        report.expect(len(data) > 0,
                      "WINDOW_DESCRIPTION is not empty (%d bytes)" % len(data),
                      "it is empty")


# ---------------------------------------------------------------- main

def run_checks(path, machine="i386", require_hardening=False,
               version_header=VERSION_HEADER, out=sys.stdout):
    """Run every check on one file; returns the Report."""
    report = Report(out)
    try:
        numbers, string = read_version_header(version_header)
    except (OSError, KeyError, ValueError) as e:
        report.fail("version numbers readable from %s (%s)" % (version_header, e))
        return report
    try:
        pe = read_pe(path)
    except (OSError, PEError) as e:
        report.fail("%s is a readable PE image (%s)" % (path, e))
        return report
    check_format(pe, report, machine)
    check_layout(pe, report)
    check_subsystem(pe, report)
    check_imports(pe, report)
    if require_hardening:
        check_hardening(pe, report)
    try:
        resources = read_resources(pe)
    except PEError as e:
        report.fail("resource directory is readable (%s)" % e)
        return report
    check_manifest(resources, report, string)
    check_icon(resources, report)
    check_version(resources, report, numbers, string)
    check_window_description(resources, report)
    return report


def main(argv=None):
    parser = argparse.ArgumentParser(description="Static checks of hint.exe.")
    parser.add_argument("exe", help="the PE file to check")
    parser.add_argument("--machine", choices=sorted(MACHINES), default="i386",
                        help="expected architecture (default: i386)")
    parser.add_argument("--require-hardening", action="store_true",
                        help="also require DYNAMIC_BASE and NX_COMPAT")
    parser.add_argument("--version-header", default=VERSION_HEADER,
                        help="header holding the expected version numbers "
                             "(default: app/version.h)")
    args = parser.parse_args(argv)
    report = run_checks(args.exe, args.machine, args.require_hardening,
                        args.version_header)
    report.summary()
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
