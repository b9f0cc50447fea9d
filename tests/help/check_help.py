#!/usr/bin/env python3
"""Checks the compiled help file as the viewer will read it: every page is inside and declares
Shift_JIS, every internal link, image and anchor resolves, and the table of contents and the index
point at pages that exist, under the pages' own titles. (tools/build-help already fails on a text
that CP932 cannot write, and takes the titles from the project file.)
Usage: check_help.py --chm FILE --hhp PROJECT"""
import html
import os
import re
import subprocess
import sys
import tempfile


def tags(text):
    """The tags of a text as (name, attributes)."""
    return [(t.lower(), {k.lower(): html.unescape(v) for k, v in re.findall(r'([\w-]+)\s*=\s*"([^"]*)"', a)})
            for t, a in re.findall(r"<(\w+)([^>]*)>", text)]


def check_help(files, read, expected_pages):
    """files: names inside the help; read(name) gives bytes. Returns a list of faults."""
    errors = [f"page {n} is not in the help file" for n in expected_pages if n not in files]
    titles, anchors, links = {}, {}, []
    for name in [n for n in files if n.endswith(".html")]:
        text = read(name).decode("cp932", "replace")
        found = tags(text)
        heading = re.search(r"<title>(.*?)</title>", text, re.S | re.I)
        titles[name] = html.unescape(heading.group(1)).strip() if heading else ""
        anchors[name] = {a[k] for t, a in found if t != "meta" for k in ("id", "name") if a.get(k)}
        links += [(name, a[k]) for t, a in found for k in ("href", "src") if k in a]
        charsets = [a["content"].lower().split("charset=")[1].strip() for t, a in found if "charset=" in a.get("content", "").lower()]
        if charsets != ["shift_jis"]:
            errors.append(f"{name}: charset is {charsets}, the viewer reads Shift_JIS")
    toc = set()
    for sitemap in ("Quillmark.hhc", "Quillmark.hhk"):
        text = read(sitemap).decode("cp932", "replace") if sitemap in files else ""
        entries = re.findall(r'<object type="text/sitemap">(.*?)</object>', text, re.S | re.I)
        if not entries:
            errors.append(f"{sitemap}: no entries")
        for entry in entries:
            params = [(a.get("name"), a.get("value")) for t, a in tags(entry) if t == "param"]
            names, locals_ = [v for k, v in params if k == "Name"], [v for k, v in params if k == "Local"]
            if not locals_:
                errors.append(f"{sitemap}: entry {names} points nowhere")
            for local in locals_:
                links.append((f"{sitemap} ({names[0]})", local))
                page = local.split("#")[0]
                # The TOC names a page by its title; an index entry shows the title as its topic.
                shown = names[0] if sitemap.endswith(".hhc") else names[-1]
                if page in titles and shown != titles[page]:
                    errors.append(f"{sitemap}: {local} listed as '{shown}', page title '{titles[page]}'")
                if sitemap.endswith(".hhc"):
                    toc.add(page)
    for where, target in links:
        name, _, anchor = target.partition("#")
        name = name or where
        if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I) or target.startswith("/"):
            errors.append(f"{where}: link leaves the help: {target}")
        elif name not in files:
            errors.append(f"{where}: missing file {name}")
        elif anchor and anchor not in anchors.get(name, ()):
            errors.append(f"{where}: missing anchor {name}#{anchor}")
    errors += [f"{name} is not in the table of contents" for name in titles if name not in toc]
    return errors


def chmls(*args):
    return subprocess.run(["chmls", *args], capture_output=True, check=True).stdout


def main():
    args = dict(zip(sys.argv[1::2], sys.argv[2::2]))
    if set(args) != {"--chm", "--hhp"}:
        sys.exit(__doc__)
    chm, hhp_path = args["--chm"], args["--hhp"]
    hhp = open(hhp_path, encoding="utf-8").read()
    title = re.search(r"^Title=(.*)$", hhp, re.M).group(1).strip()
    listed = hhp.split("[FILES]", 1)[1].split()
    errors = [f"{n} is in help/ but not in the project's [FILES]" for n in os.listdir(os.path.dirname(hhp_path))
              if n.endswith((".html", ".css", ".png")) and n not in listed]
    listing = chmls("-n", "list", chm).decode("cp932", "replace").splitlines()
    files = {line.strip()[1:] for line in listing if line.strip().startswith("/") and not line.strip().endswith("/")}
    with tempfile.TemporaryDirectory() as tmp:
        chmls("extractall", chm, tmp)
        errors += check_help(files, lambda name: open(os.path.join(tmp, name), "rb").read(), listed)
    if errors:
        sys.exit("\n".join(errors))
    print(f"help: {len([f for f in files if f.endswith('.html')])} pages, title '{title}', all links resolve")


if __name__ == "__main__":
    main()
