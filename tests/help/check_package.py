#!/usr/bin/env python3
"""Checks a distributable zip: every program that must ship is in it, and the programs are Windows
executables of the zip's architecture (x86: 32-bit, x64: 64-bit), stripped, as Windows wants them:
a manifest (modern controls for Quillmark.exe, asInvoker, DPI awareness), a fixed file version and
a version dialog that match the version the zip is named after, and the start-up narrowing of the
DLL search. (tools/package fails on a missing file, and the build makes the icons and version
strings.)
Usage: check_package.py ZIP VERSION ARCH --require NAME,NAME... SOURCE=NAME_IN_ZIP ..."""
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile

# The PE machine of each architecture a zip is named after.
MACHINES = {"x86": (0x14C, "32-bit"), "x64": (0x8664, "64-bit")}


def pe_image(data):
    """The machine, every resource as {(type, id, language): bytes}, and whether the image is
    stripped (no symbol table, no debug sections); None when the bytes are no PE image."""
    pe = struct.unpack_from("<I", data, 0x3C)[0] if data[:2] == b"MZ" else 0
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    machine, count, table, symbols, optsize = struct.unpack_from("<HHxxxxIIH", data, pe + 4)
    opt = pe + 24
    directories = opt + (96 if struct.unpack_from("<H", data, opt)[0] == 0x10B else 112)
    sections = [struct.unpack_from("<8sIIII", data, opt + optsize + 40 * i) for i in range(count)]
    offset = lambda rva: next(ptr + rva - va for _, vsize, va, size, ptr in sections if va <= rva < va + max(vsize, size))
    base = offset(struct.unpack_from("<I", data, directories + 16)[0])

    def entries(at):
        named, ids = struct.unpack_from("<HH", data, base + (at & 0x7FFFFFFF) + 12)
        return [struct.unpack_from("<II", data, base + (at & 0x7FFFFFFF) + 16 + 8 * i) for i in range(named + ids)]

    resources = {}
    for kind, names_at in entries(0):
        for ident, languages_at in entries(names_at):
            for language, leaf in entries(languages_at):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                resources[(kind, ident, language)] = data[offset(rva):offset(rva) + size]
    # A long section name (.eh_frame, .debug_info) is "/N": N is its place in the string table.
    long_name = lambda name: data[table + 18 * symbols + int(name[1:].rstrip(b"\0")):].split(b"\0")[0]
    names = [long_name(name) if name.startswith(b"/") else name for name, *_ in sections]
    stripped = symbols == 0 and not any(name.startswith(b".debug") for name in names)
    return machine, resources, stripped


def check_program(name, data, version, errors):
    _, resources, stripped = pe_image(data)
    if not stripped:
        errors.append(f"{name}: not stripped (it carries symbols or debug sections)")
    found = lambda kind: [v for (k, _, _), v in resources.items() if k == kind]

    root = [e for m in found(24)[:1] for e in ET.fromstring(m).iter()]
    attr = lambda tag, key: next((e.attrib.get(key) for e in root if e.tag.endswith(tag)), None)
    text = lambda tag: next(((e.text or "").strip() for e in root if e.tag.endswith(tag)), "")
    controls = any(e.attrib.get("name") == "Microsoft.Windows.Common-Controls" and e.attrib.get("version") == "6.0.0.0" for e in root)
    for wrong, what in [(attr("requestedExecutionLevel", "level") != "asInvoker", "asInvoker"),
                        (text("dpiAware").lower() not in ("true", "true/pm"), "DPI awareness"),
                        (name.endswith("/Quillmark.exe") and not controls, "common controls 6")]:
        if wrong:
            errors.append(f"{name}: the manifest lacks {what}")

    # The fixed part of the version resource: the file version.
    major, minor = (int(part) for part in version.split("."))
    info = (found(16) or [b""])[0]
    fixed = info.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0 or struct.unpack_from("<I", info, fixed + 8)[0] != (major << 16 | minor):
        errors.append(f"{name}: no version information for {version}")
    # The start-up routine looks both functions up by name (older systems lack them).
    errors += [f"{name}: does not narrow the DLL search ({f})" for f in ("SetDefaultDllDirectories", "SetDllDirectoryA")
               if f.encode() + b"\0" not in data]


def main():
    if len(sys.argv) < 4 or sys.argv[3] not in MACHINES:
        sys.exit(__doc__)
    path, version, arch, args = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    machine, bits = MACHINES[arch]
    if not path.endswith(f"-{version}-{arch}.zip"):
        sys.exit(f"{path}: not named Quillmark-{version}-{arch}.zip")
    required = []
    if args[:1] == ["--require"]:
        required, args = [n for n in args[1].split(",") if n], args[2:]
    expected = {name: source for source, name in (a.split("=", 1) for a in args)}
    errors = [f"{name}: must ship, but the build has no program for it" for name in required if name not in expected]
    with zipfile.ZipFile(path) as z:
        names = {i.filename for i in z.infolist() if not i.is_dir()}
        for name in sorted(names):
            data = z.read(name)
            if name.endswith(".exe") and (pe_image(data) or [0])[0] != machine:
                errors.append(f"{name}: not a {bits} Windows executable")
            elif name.endswith(".exe"):
                check_program(name, data, version, errors)
            # Dialog templates hold their texts in UTF-16: the version dialog's "Ver x.yy".
            if name == "Quillmark/Quillmark.exe" and f"Ver {version}".encode("utf-16-le") not in data:
                errors.append(f"{name}: its version dialog does not show Ver {version}")
    if errors:
        sys.exit("\n".join(errors))
    print(f"package: {path} ({bits}) holds {', '.join(sorted(names))}")


if __name__ == "__main__":
    main()
