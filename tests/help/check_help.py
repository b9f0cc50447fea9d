#!/usr/bin/env python3
"""Checks the compiled help file as the viewer will read it: every page is inside, the Japanese
texts survive as CP932, every internal link, image and anchor resolves, and the table of contents
and the index point at pages that exist, under the pages' own titles.
Usage: check_help.py --chm FILE --hhp PROJECT"""
import html.parser
import os
import re
import subprocess
import sys
import tempfile


class Page(html.parser.HTMLParser):
    """What a page links to, the anchors it defines, its title, its charset and its sitemap entries."""

    def __init__(self, data, where, errors):
        super().__init__(convert_charrefs=True)
        self.links, self.anchors, self.charset, self.title, self.objects = [], set(), None, "", []
        self._in_title, self._object = False, None
        try:
            text = data.decode("cp932")
        except UnicodeDecodeError as e:
            errors.append(f"{where}: not CP932 ({e})")
            text = data.decode("cp932", errors="replace")
        self.feed(text)
        self.title = self.title.strip()

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.links += [a[k] for k in ("href", "src") if a.get(k) is not None]
        if tag not in ("param", "meta"):
            self.anchors.update(a[k] for k in ("id", "name") if a.get(k))
        if tag == "meta" and "charset=" in (a.get("content") or "").lower():
            self.charset = a["content"].lower().split("charset=")[1].strip()
        self._in_title |= tag == "title"
        if tag == "object" and a.get("type") == "text/sitemap":
            self._object = []
        if tag == "param" and self._object is not None:
            self._object.append((a.get("name"), a.get("value")))

    def handle_endtag(self, tag):
        self._in_title &= tag != "title"
        if tag == "object" and self._object is not None:
            self.objects.append(self._object)
            self._object = None

    def handle_data(self, data):
        if self._in_title:
            self.title += data


def check_target(target, where, files, pages, errors):
    """A link inside the help: the file must be there, and so must the anchor it names."""
    if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I) or target.startswith("/"):
        return errors.append(f"{where}: link leaves the help: {target}")
    name, _, anchor = target.partition("#")
    name = name or where.split("#")[0]
    if name not in files:
        errors.append(f"{where}: missing file {name}")
    elif anchor and (name not in pages or anchor not in pages[name].anchors):
        errors.append(f"{where}: missing anchor {name}#{anchor}")


def check_help(files, read, expected_pages, title, system_title, window_title):
    """files: names inside the help; read(name) gives bytes. Returns a list of faults."""
    errors = [f"page {n} is not in the help file" for n in expected_pages if n not in files]
    pages = {n: Page(read(n), n, errors) for n in files if n.endswith(".html")}
    for name, p in pages.items():
        if p.charset != "shift_jis":
            errors.append(f"{name}: charset is {p.charset}, the viewer reads Shift_JIS")
        if not p.title:
            errors.append(f"{name}: no title")
        for link in p.links:
            check_target(link, name, files, pages, errors)

    toc_pages = set()
    for sitemap in ("Quillmark.hhc", "Quillmark.hhk"):
        if sitemap not in files:
            errors.append(f"{sitemap} is not in the help file")
            continue
        entries = Page(read(sitemap), sitemap, errors).objects
        if not entries:
            errors.append(f"{sitemap}: no entries")
        for params in entries:
            names = [v for k, v in params if k == "Name"]
            locals_ = [v for k, v in params if k == "Local"]
            if not locals_:
                errors.append(f"{sitemap}: entry {names} points nowhere")
            for local in locals_:
                check_target(local, f"{sitemap} ({names[0]})", files, pages, errors)
                page = pages.get(local.split("#")[0])
                # The TOC names a page by its title; an index entry shows the title as its topic.
                shown = names[0] if sitemap.endswith(".hhc") else names[-1]
                if page and shown != page.title:
                    errors.append(f"{sitemap}: {local} listed as '{shown}', page title '{page.title}'")
                if sitemap.endswith(".hhc"):
                    toc_pages.add(local.split("#")[0])
    errors += [f"{name} is not in the table of contents" for name in pages if name not in toc_pages]
    for what, value in (("title", system_title), ("window title", window_title)):
        if value != title:
            errors.append(f"{what} in the help file is '{value}', expected '{title}'")
    return errors


def chmls(*args):
    return subprocess.run(["chmls", *args], capture_output=True, check=True).stdout


def field(dump, label):
    """A value from chmls' readable dump of #SYSTEM or #WINDOWS, decoded as the viewer would."""
    for line in dump.split(b"\n"):
        if label.encode() in line:
            return line.split(b":", 1)[1].split(b"(index value")[0].strip(b" \x00\r").decode("cp932", "replace")
    return None


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

        def read(name):
            with open(os.path.join(tmp, name), "rb") as f:
                return f.read()

        errors += check_help(files, read, listed, title, field(chmls("printsystem", chm), "Title from [options]"),
                             field(chmls("printwindows", chm), "Title Bar Text"))
    if errors:
        sys.exit("\n".join(errors))
    print(f"help: {len([f for f in files if f.endswith('.html')])} pages, title '{title}', all links resolve")


if __name__ == "__main__":
    main()
