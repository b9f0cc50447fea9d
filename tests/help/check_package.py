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


def pe_machine(data):
    """The machine field of a PE image, or None when the bytes are not one."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def pe_image(data):
    """Section names (long ones looked up), whether a symbol table is left, and every resource
    as {(type, id, language): bytes}."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, symbols, nsymbols, optsize = struct.unpack_from("<HxxxxIIH", data, pe + 6)
    opt = pe + 24
    directories = opt + (96 if struct.unpack_from("<H", data, opt)[0] == 0x10B else 112)
    sections, names = [], []
    for i in range(count):
        name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, opt + optsize + 40 * i)
        name = name.rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and symbols:
            start = symbols + 18 * nsymbols + int(name[1:])
            name = data[start:data.index(b"\0", start)].decode("latin-1")
        names.append(name)
        sections.append((vaddr, max(vsize, rawsize), rawptr))

    def offset(rva):
        return next(ptr + rva - va for va, size, ptr in sections if va <= rva < va + size)

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
    return names, nsymbols != 0, resources


def version_block(d, at=0):
    """One block of a VERSIONINFO resource: (key, value, children)."""
    length, value_length, text = struct.unpack_from("<HHH", d, at)
    end = at + 6
    while d[end:end + 2] != b"\0\0":
        end += 2
    key, pos = d[at + 6:end].decode("utf-16-le"), (end + 5) & ~3
    size = value_length * 2 if text else value_length
    value = d[pos:pos + size].decode("utf-16-le").rstrip("\0") if text else d[pos:pos + size]
    pos, children = (pos + size + 3) & ~3, []
    while pos < at + length:
        children.append(version_block(d, pos))
        pos = (pos + struct.unpack_from("<H", d, pos)[0] + 3) & ~3
    return key, value, children


def check_program(name, data, version, errors):
    sections, symbols, resources = pe_image(data)
    debug = [s for s in sections if s.startswith(".debug") or s.startswith("/")]
    if debug or symbols:
        errors.append(f"{name}: not stripped: {', '.join(debug) or 'a symbol table'} left")
    if any(language != 0x411 for _, _, language in resources):
        errors.append(f"{name}: resources not all tagged Japanese (0411)")
    exe = name.split("/")[-1]
    found = lambda kind: [v for (k, _, _), v in resources.items() if k == kind]

    manifest = found(24)
    root = list(ET.fromstring(manifest[0]).iter()) if manifest else []
    attrs = {(e.tag.split("}")[-1], k): v for e in root for k, v in e.attrib.items()}
    texts = {e.tag.split("}")[-1]: (e.text or "").strip() for e in root}
    oses = {e.attrib["Id"] for e in root if e.tag.endswith("supportedOS")}
    controls = any(e.attrib.get("name") == "Microsoft.Windows.Common-Controls" and
                   e.attrib.get("version") == "6.0.0.0" for e in root)
    for wrong, what in [(attrs.get(("requestedExecutionLevel", "level")) != "asInvoker", "asInvoker"),
                        (oses != WINDOWS_VISTA_TO_11, "supportedOS Vista to 11"),
                        (texts.get("dpiAware", "").lower() not in ("true", "true/pm"), "DPI awareness"),
                        (exe == "Quillmark.exe" and not controls, "common controls 6")]:
        if wrong:
            errors.append(f"{name}: the manifest lacks {what}")

    major, minor = (int(part) for part in version.split("."))
    info = found(16)
    key, fixed, blocks = version_block(info[0]) if info else ("", b"", [])
    strings = {k: v for b in blocks if b[0] == "StringFileInfo" for t in b[2] if t[0] == "041103a4" for k, v, _ in t[2]}
    translations = [v for b in blocks if b[0] == "VarFileInfo" for k, v, _ in b[2] if k == "Translation"]
    wanted = {"FileVersion": version, "ProductVersion": version, "ProductName": "クイルマーク",
              "CompanyName": "クイルマーク開発チーム", "OriginalFilename": exe}
    if key != "VS_VERSION_INFO" or struct.unpack_from("<III", fixed)[2] != (major << 16 | minor):
        errors.append(f"{name}: no version information for {version}")
    errors += [f"{name}: {f} is {strings.get(f)!r}, not {v!r}" for f, v in wanted.items() if strings.get(f) != v]
    errors += [f"{name}: no {f}" for f in ("FileDescription", "LegalCopyright") if not strings.get(f)]
    if translations != [struct.pack("<HH", 0x411, 932)]:
        errors.append(f"{name}: the version information is not Japanese, code page 932")

    if not found(14):
        errors.append(f"{name}: no icon")
    for group in found(14):
        entries = [struct.unpack_from("<BBxxxxxxxxxxH", group, 6 + 14 * i) for i in range(struct.unpack_from("<H", group, 4)[0])]
        sizes = {w or 256 for w, _, _ in entries}
        if sizes != ICON_SIZES:
            errors.append(f"{name}: icon sizes {sorted(sizes)}, not {sorted(ICON_SIZES)}")
        large = [resources.get((3, ident, 0x411), b"") for w, _, ident in entries if w == 0]
        if not large or not large[0].startswith(b"\x89PNG"):
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
    errors = [f"{name}: must ship, but the build has no program for it" for name in required
              if name not in expected]
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
            if name.endswith(".exe") and pe_machine(data) != 0x14C:
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
