#!/usr/bin/env python3
"""Checks what the build ships, straight from the files it made.
help: every page of the project is in the compiled help and the contents, every internal link, image
  and anchor resolves.
package: every program that must ship is in the zip, a Windows executable of its architecture,
  stripped, with its manifest, version information and the narrowed DLL search.
Usage: check_shipped.py help CHM PROJECT.hhp
       check_shipped.py package ZIP VERSION x86|x64 --require NAME,NAME... SOURCE=NAME_IN_ZIP ..."""
import html
import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile


def tags(text):
    """The tags of a text as (name, attributes)."""
    return [(t.lower(), {k.lower(): html.unescape(v) for k, v in re.findall(r'([\w-]+)\s*=\s*"([^"]*)"', a)})
            for t, a in re.findall(r"<(\w+)([^>]*)>", text)]


def check_help(errors, chm, hhp_path):
    hhp = open(hhp_path, encoding="utf-8").read()
    title = re.search(r"^Title=(.*)$", hhp, re.M).group(1).strip()
    listed = hhp.split("[FILES]", 1)[1].split()
    errors += [f"{n} is in help/ but not in the project's [FILES]" for n in os.listdir(os.path.dirname(hhp_path))
               if n.endswith((".html", ".css", ".png")) and n not in listed]
    chmls = lambda *args: subprocess.run(["chmls", *args], capture_output=True, check=True).stdout
    listing = chmls("-n", "list", chm).decode("cp932", "replace").splitlines()
    files = {n[1:] for n in map(str.strip, listing) if n[:1] == "/" != n[-1:]}
    errors += [f"page {n} is not in the help file" for n in listed if n not in files]
    tmp = tempfile.TemporaryDirectory()
    chmls("extractall", chm, tmp.name)
    read = lambda name: open(os.path.join(tmp.name, name), "rb").read().decode("cp932", "replace") if name in files else ""
    pages, anchors, links, toc = [n for n in files if n.endswith(".html")], {}, [], set()
    for name in pages:
        found = tags(read(name))
        anchors[name] = {a[k] for t, a in found if t != "meta" for k in ("id", "name") if a.get(k)}
        links += [(name, a[k]) for t, a in found for k in ("href", "src") if k in a]
    for sitemap in ("Quillmark.hhc", "Quillmark.hhk"):
        entries = re.findall(r'<object type="text/sitemap">(.*?)</object>', read(sitemap), re.S | re.I)
        errors += [] if entries else [f"{sitemap}: no entries"]
        for entry in entries:
            params = [(a.get("name"), a.get("value")) for t, a in tags(entry) if t == "param"]
            names, locals_ = ([v for k, v in params if k == key] for key in ("Name", "Local"))
            errors += [] if locals_ else [f"{sitemap}: entry {names} points nowhere"]
            links += [(f"{sitemap} ({names[0]})", local) for local in locals_]
            toc |= {local.split("#")[0] for local in locals_} if sitemap.endswith(".hhc") else set()
    for where, target in links:
        name, _, anchor = target.partition("#")
        name = name or where
        if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I) or target.startswith("/"):
            errors.append(f"{where}: link leaves the help: {target}")
        elif name not in files:
            errors.append(f"{where}: missing file {name}")
        elif anchor and anchor not in anchors.get(name, ()):
            errors.append(f"{where}: missing anchor {name}#{anchor}")
    errors += [f"{name} is not in the table of contents" for name in pages if name not in toc]
    return f"help: {len(pages)} pages, title '{title}', all links resolve"


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
    return machine, resources, symbols == 0 and not any(name.startswith(b".debug") for name in names)


def check_program(errors, name, data, version):
    _, resources, stripped = pe_image(data)
    major, minor = (int(part) for part in version.split("."))
    found = lambda kind: [v for (k, _, _), v in resources.items() if k == kind]
    root = [e for m in found(24)[:1] for e in ET.fromstring(m).iter()]
    attr = lambda tag, key: next((e.attrib.get(key) for e in root if e.tag.endswith(tag)), None)
    text = lambda tag: next(((e.text or "").strip() for e in root if e.tag.endswith(tag)), "")
    controls = any(e.attrib.get("name") == "Microsoft.Windows.Common-Controls" and e.attrib.get("version") == "6.0.0.0" for e in root)
    info = (found(16) or [b""])[0]
    fixed = info.find(struct.pack("<I", 0xFEEF04BD))
    for wrong, what in [(not stripped, "is not stripped (it carries symbols or debug sections)"),
                        (attr("requestedExecutionLevel", "level") != "asInvoker", "lacks asInvoker in its manifest"),
                        (text("dpiAware").lower() not in ("true", "true/pm"), "lacks DPI awareness in its manifest"),
                        (name.endswith("/Quillmark.exe") and not controls, "lacks common controls 6 in its manifest"),
                        (fixed < 0 or struct.unpack_from("<I", info, fixed + 8)[0] != (major << 16 | minor),
                         f"has no version information for {version}"),
                        # The start-up routine looks both up by name (older systems lack them).
                        (b"SetDefaultDllDirectories\0" not in data or b"SetDllDirectoryA\0" not in data,
                         "does not narrow the DLL search"),
                        # Dialog templates hold their texts in UTF-16: the version dialog's "Ver x.yy".
                        (name.endswith("/Quillmark.exe") and f"Ver {version}".encode("utf-16-le") not in data,
                         f"its version dialog does not show Ver {version}")]:
        errors += [f"{name}: {what}"] if wrong else []


def check_package(errors, path, version, arch, *args):
    machine, bits = {"x86": (0x14C, "32-bit"), "x64": (0x8664, "64-bit")}[arch]
    if not path.endswith(f"-{version}-{arch}.zip"):
        errors.append(f"{path}: not named Quillmark-{version}-{arch}.zip")
    required, args = ([n for n in args[1].split(",") if n], args[2:]) if args[:1] == ("--require",) else ([], args)
    items = {item.split("=", 1)[1] for item in args}
    errors += [f"{name}: must ship, but the build has no program for it" for name in required if name not in items]
    with zipfile.ZipFile(path) as z:
        names = sorted(i.filename for i in z.infolist() if not i.is_dir())
        for name in [n for n in names if n.endswith(".exe")]:
            data = z.read(name)
            if (pe_image(data) or [0])[0] != machine:
                errors.append(f"{name}: not a {bits} Windows executable")
            else:
                check_program(errors, name, data, version)
    return f"package: {path} ({bits}) holds {', '.join(names)}"


if __name__ == "__main__":
    checks = {"help": (check_help, 2), "package": (check_package, 3)}
    if len(sys.argv) < 2 or sys.argv[1] not in checks or len(sys.argv) < 2 + checks[sys.argv[1]][1]:
        sys.exit(__doc__)
    errors = []
    said = checks[sys.argv[1]][0](errors, *sys.argv[2:])
    sys.exit("\n".join(errors)) if errors else print(said)
