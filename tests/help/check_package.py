#!/usr/bin/env python3
"""Checks the distributable zip: exactly the expected files under Quillmark/, each one the file the
build made, the programs 32-bit Windows executables, the version dialog of the program showing the
version the zip is named after, and the archive sound.
Usage: check_package.py ZIP VERSION --require NAME,NAME... SOURCE=NAME_IN_ZIP ..."""
import struct
import sys
import zipfile


def pe_machine(data):
    """The machine field of a PE image, or None when the bytes are not one."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


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
        for name in sorted(names - set(expected)):
            errors.append(f"{name}: in the zip but not expected")
        for name in sorted(set(expected) - names):
            errors.append(f"{name}: expected but not in the zip")
        for name in sorted(names & set(expected)):
            data = z.read(name)
            with open(expected[name], "rb") as f:
                if f.read() != data:
                    errors.append(f"{name}: differs from {expected[name]}")
            if name.endswith(".exe") and pe_machine(data) != 0x14C:
                errors.append(f"{name}: not a 32-bit Windows executable")
            # Dialog templates hold their texts in UTF-16: the version dialog's "Ver x.yy".
            if name == "Quillmark/Quillmark.exe" and f"Ver {version}".encode("utf-16-le") not in data:
                errors.append(f"{name}: its version dialog does not show Ver {version}")
            if name.endswith(".chm") and data[:4] != b"ITSF":
                errors.append(f"{name}: not an HTML Help file")
    if errors:
        print("\n".join(errors))
        sys.exit(1)
    print(f"package: {path} holds {', '.join(sorted(names))}")


if __name__ == "__main__":
    main()
