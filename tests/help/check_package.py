#!/usr/bin/env python3
"""Checks the distributable zip: exactly the expected files under Quillmark/, each one the file the
build made, the archive sound, and the programs 32-bit Windows executables as Windows wants them:
no debug sections, Japanese resources, a manifest (modern controls for Quillmark.exe, the Windows
versions, asInvoker, DPI awareness), version information and a version dialog that match the
version the zip is named after, every icon size, and the start-up narrowing of the DLL search.
Usage: check_package.py ZIP VERSION --require NAME,NAME... SOURCE=NAME_IN_ZIP ..."""
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile

ICON_SIZES = {16, 20, 24, 32, 40, 48, 64, 256}
WINDOWS_VISTA_TO_11 = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                       "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                       "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}


def pe_image(data):
    """The machine, section names, whether a symbol table is left, and every resource as
    {(type, id, language): bytes}; None when the bytes are no PE image."""
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
    # Long section names ("/4") stand in the string table after the symbols.
    names = [s[0].rstrip(b"\0").decode("latin-1") for s in sections]
    names = [data[table + 18 * symbols + int(n[1:]):].split(b"\0")[0].decode("latin-1") if n[:1] == "/" else n for n in names]
    return machine, names, symbols != 0, resources


def check_program(name, data, version, errors):
    machine, sections, symbols, resources = pe_image(data)
    debug = [s for s in sections if s.startswith(".debug")]
    if debug or symbols:
        errors.append(f"{name}: not stripped: {', '.join(debug) or 'a symbol table'} left")
    if any(language != 0x411 for _, _, language in resources):
        errors.append(f"{name}: resources not all tagged Japanese (0411)")
    exe = name.split("/")[-1]
    found = lambda kind: [v for (k, _, _), v in resources.items() if k == kind]

    root = [e for m in found(24)[:1] for e in ET.fromstring(m).iter()]
    attr = lambda tag, key: next((e.attrib.get(key) for e in root if e.tag.endswith(tag)), None)
    text = lambda tag: next(((e.text or "").strip() for e in root if e.tag.endswith(tag)), "")
    oses = {e.attrib["Id"] for e in root if e.tag.endswith("supportedOS")}
    controls = any(e.attrib.get("name") == "Microsoft.Windows.Common-Controls" and e.attrib.get("version") == "6.0.0.0" for e in root)
    for wrong, what in [(attr("requestedExecutionLevel", "level") != "asInvoker", "asInvoker"),
                        (oses != WINDOWS_VISTA_TO_11, "supportedOS Vista to 11"),
                        (text("dpiAware").lower() not in ("true", "true/pm"), "DPI awareness"),
                        (exe == "Quillmark.exe" and not controls, "common controls 6")]:
        if wrong:
            errors.append(f"{name}: the manifest lacks {what}")

    # The version resource: the fixed part's file version, and the strings of block 041103a4.
    major, minor = (int(part) for part in version.split("."))
    info = (found(16) or [b""])[0]
    fixed = info.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0 or struct.unpack_from("<I", info, fixed + 8)[0] != (major << 16 | minor):
        errors.append(f"{name}: no version information for {version}")
    u16 = lambda s: s.encode("utf-16-le")
    wanted = {"FileVersion": version, "ProductVersion": version, "ProductName": "クイルマーク",
              "CompanyName": "クイルマーク開発チーム", "OriginalFilename": exe, "FileDescription": None, "LegalCopyright": None}
    block = info.find(u16("041103a4"))

    def value(key, start):
        """The bytes of a key's value: after the key and its terminator, aligned to 4 bytes."""
        at = info.find(u16(key + "\0"), start) if start >= 0 else -1
        start = (at + 2 * len(key) + 5) & ~3
        end = next((i for i in range(start, len(info) - 1, 2) if info[i:i + 2] == b"\0\0"), len(info))
        return info[start:end] if at >= 0 else b""

    for key, wants in wanted.items():
        shown = value(key, block).decode("utf-16-le", "replace")
        if shown != wants and (wants is not None or not shown):
            errors.append(f"{name}: {key} is {shown!r}, not {wants or 'given'!r}")
    if value("Translation", 0)[:4] != struct.pack("<HH", 0x411, 932):
        errors.append(f"{name}: the version information is not Japanese, code page 932")

    if not found(14):
        errors.append(f"{name}: no icon")
    for group in found(14):
        entries = [struct.unpack_from("<BBxxxxxxxxxxH", group, 6 + 14 * i) for i in range(struct.unpack_from("<H", group, 4)[0])]
        sizes = {w or 256 for w, _, _ in entries}
        if sizes != ICON_SIZES:
            errors.append(f"{name}: icon sizes {sorted(sizes)}, not {sorted(ICON_SIZES)}")
        if not all(resources.get((3, ident, 0x411), b"").startswith(b"\x89PNG") for w, _, ident in entries if w == 0):
            errors.append(f"{name}: the 256-pixel icon is not PNG-compressed")
    # The start-up routine looks both functions up by name (older systems lack them).
    errors += [f"{name}: does not narrow the DLL search ({f})" for f in ("SetDefaultDllDirectories", "SetDllDirectoryA")
               if f.encode() + b"\0" not in data]


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    path, version, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    required = []
    if args[:1] == ["--require"]:
        required, args = [n for n in args[1].split(",") if n], args[2:]
    expected = {name: source for source, name in (a.split("=", 1) for a in args)}
    errors = [f"{name}: must ship, but the build has no program for it" for name in required if name not in expected]
    with zipfile.ZipFile(path) as z:
        bad = z.testzip()
        if bad:
            errors.append(f"{bad}: damaged in the zip")
        names = {i.filename for i in z.infolist() if not i.is_dir()}
        errors += [f"{n}: in the zip but not expected" for n in sorted(names - set(expected))]
        errors += [f"{n}: expected but not in the zip" for n in sorted(set(expected) - names)]
        for name in sorted(names & set(expected)):
            data = z.read(name)
            with open(expected[name], "rb") as f:
                if f.read() != data:
                    errors.append(f"{name}: differs from {expected[name]}")
            if name.endswith(".exe") and (pe_image(data) or [0])[0] != 0x14C:
                errors.append(f"{name}: not a 32-bit Windows executable")
            elif name.endswith(".exe"):
                check_program(name, data, version, errors)
            # Dialog templates hold their texts in UTF-16: the version dialog's "Ver x.yy".
            if name == "Quillmark/Quillmark.exe" and f"Ver {version}".encode("utf-16-le") not in data:
                errors.append(f"{name}: its version dialog does not show Ver {version}")
            if name.endswith(".chm") and data[:4] != b"ITSF":
                errors.append(f"{name}: not an HTML Help file")
    if errors:
        sys.exit("\n".join(errors))
    print(f"package: {path} holds {', '.join(sorted(names))}")


if __name__ == "__main__":
    main()
