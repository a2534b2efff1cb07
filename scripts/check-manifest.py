#!/usr/bin/env python3
"""Reads back what a Windows program declares in its resources: the manifest
(asInvoker, DPI awareness, the supported Windows versions) and, with --icon,
a 256-pixel image in its first icon group. Prints one line per fault and
exits 1 when there is any.

Usage: check-manifest.py [--icon] PROGRAM.exe ...
"""
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
DECLARED = [
    ('<requestedExecutionLevel level="asInvoker" uiAccess="false"/>', "execution level asInvoker"),
    (">true</dpiAware>", "DPI awareness (dpiAware)"),
    (">system</dpiAwareness>", "DPI awareness (dpiAwareness)"),
]


def resources(data):
    """{type: {id: bytes}} of a PE file's resource tree (first language)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = []
    for i in range(sections):
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
        table.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in table:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("resource address outside every section")

    base = offset(rsrc_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield name, target

    found = {}
    for kind, kinds in entries(0):
        for name, names in entries(kinds & 0x7FFFFFFF):
            for _, leaf in entries(names & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + (leaf & 0x7FFFFFFF))
                found.setdefault(kind, {}).setdefault(name, data[offset(rva):offset(rva) + size])
                break
    return found


def check(path, want_icon):
    faults = []
    with open(path, "rb") as f:
        found = resources(f.read())
    manifests = list(found.get(RT_MANIFEST, {}).values())
    if not manifests:
        return ["no manifest"]
    manifest = manifests[0].decode("utf-8", "replace")
    for text, what in DECLARED:
        if text not in manifest:
            faults.append("its manifest lacks " + what)
    for guid, system in SUPPORTED_OS.items():
        if 'supportedOS Id="%s"' % guid not in manifest:
            faults.append("its manifest does not name " + system)
    if want_icon:
        groups = found.get(RT_GROUP_ICON, {})
        if not groups:
            return faults + ["no icon group"]
        group = groups[sorted(groups)[0]]
        count = struct.unpack_from("<H", group, 4)[0]
        large = [struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
                 for i in range(count) if group[6 + 14 * i] == 0 and group[6 + 14 * i + 1] == 0]
        image = found.get(RT_ICON, {}).get(large[0], b"") if large else b""
        if not (image.startswith(b"\x89PNG\r\n\x1a\n") and struct.unpack_from(">II", image, 16) == (256, 256)):
            faults.append("its icon group holds no 256-pixel image")
    return faults


def main(args):
    want_icon = "--icon" in args
    failed = False
    for path in (a for a in args if a != "--icon"):
        try:
            faults = check(path, want_icon)
        except (OSError, ValueError, struct.error) as error:
            faults = ["cannot be read: %s" % error]
        for fault in faults:
            print("%s: %s" % (path.rsplit("/", 1)[-1], fault))
        failed = failed or bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
