#!/usr/bin/env python3
"""Checks the compiled help file as the viewer will read it: every page is inside, the Japanese
texts survive as CP932, every internal link, image and anchor resolves, and the table of contents
and the index point at pages that exist, under the pages' own titles."""
import argparse
import html.parser
import os
import re
import subprocess
import sys
import tempfile


class Page(html.parser.HTMLParser):
    """Collects what a page links to, the anchors it defines, its title and its charset line."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links, self.anchors, self.charset, self.title = [], set(), None, ""
        self._in_title = False
        self.objects, self._object = [], None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        for key in ("href", "src"):
            if a.get(key) is not None:
                self.links.append(a[key])
        for key in ("id", "name"):
            if a.get(key) and tag != "param" and tag != "meta":
                self.anchors.add(a[key])
        if tag == "meta" and a.get("content") and "charset=" in a["content"].lower():
            self.charset = a["content"].lower().split("charset=")[1].strip()
        if tag == "title":
            self._in_title = True
        if tag == "object" and a.get("type") == "text/sitemap":
            self._object = []
        if tag == "param" and self._object is not None:
            self._object.append((a.get("name"), a.get("value")))

    def handle_endtag(self, tag):
        if tag == "title":
            self._in_title = False
        if tag == "object" and self._object is not None:
            self.objects.append(self._object)
            self._object = None

    def handle_data(self, data):
        if self._in_title:
            self.title += data


def parse(data, where, errors):
    try:
        text = data.decode("cp932")
    except UnicodeDecodeError as e:
        errors.append(f"{where}: not CP932 ({e})")
        text = data.decode("cp932", errors="replace")
    p = Page()
    p.feed(text)
    return p


def check_target(target, where, files, pages, errors):
    """A link inside the help: the file must be there, and so must the anchor it names."""
    if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I) or target.startswith("/"):
        errors.append(f"{where}: link leaves the help: {target}")
        return
    name, _, anchor = target.partition("#")
    name = name or where.split("#")[0]
    if name not in files:
        errors.append(f"{where}: missing file {name}")
    elif anchor and (name not in pages or anchor not in pages[name].anchors):
        errors.append(f"{where}: missing anchor {name}#{anchor}")


def check_help(files, read, expected_pages, title, system_title, window_title):
    """files: names inside the help; read(name) gives bytes. Returns a list of faults."""
    errors = []
    for name in expected_pages:
        if name not in files:
            errors.append(f"page {name} is not in the help file")
    pages = {n: parse(read(n), n, errors) for n in files if n.endswith(".html")}
    for name, p in pages.items():
        if p.charset != "shift_jis":
            errors.append(f"{name}: charset is {p.charset}, the viewer reads Shift_JIS")
        if not p.title.strip():
            errors.append(f"{name}: no title")
        for link in p.links:
            check_target(link, name, files, pages, errors)

    toc_pages = set()
    for sitemap in ("Quillmark.hhc", "Quillmark.hhk"):
        if sitemap not in files:
            errors.append(f"{sitemap} is not in the help file")
            continue
        entries = parse(read(sitemap), sitemap, errors).objects
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
                if page and shown != page.title.strip():
                    errors.append(f"{sitemap}: {local} listed as '{shown}', page title '{page.title.strip()}'")
                if sitemap.endswith(".hhc"):
                    toc_pages.add(local.split("#")[0])
    for name in pages:
        if name not in toc_pages:
            errors.append(f"{name} is not in the table of contents")
    if system_title != title:
        errors.append(f"title in the help file is '{system_title}', expected '{title}'")
    if window_title != title:
        errors.append(f"window title in the help file is '{window_title}', expected '{title}'")
    return errors


def chmls(*args):
    return subprocess.run(["chmls", *args], capture_output=True, check=True).stdout


def field(dump, label):
    """A value from chmls' readable dump of #SYSTEM or #WINDOWS, decoded as the viewer would."""
    for line in dump.split(b"\n"):
        if label.encode() in line:
            return line.split(b":", 1)[1].split(b"(index value")[0].strip(b" \x00\r").decode("cp932", "replace")
    return None


def self_test():
    """The checker must catch the faults it exists for."""
    good = ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">'
            '<title>表紙</title></head><body><h2 id="a">x</h2>').encode("cp932")
    files = {
        "index.html": good + b'<a href="gone.html">1</a><a href="#b">2</a><img src="pic.png"></body></html>',
        "orphan.html": good + b'<a href="http://example.com/">3</a></body></html>',
        "Quillmark.hhc": '<object type="text/sitemap"><param name="Name" value="別名">'
                         '<param name="Local" value="index.html#zz"></object>'.encode("cp932"),
        "Quillmark.hhk": b'',
    }
    errors = check_help(set(files), files.__getitem__, ["index.html", "lost.html"], "T", "T", "?")
    wanted = ["missing file gone.html", "missing anchor index.html#b", "missing file pic.png",
              "link leaves the help", "missing anchor index.html#zz", "listed as '別名'",
              "orphan.html is not in the table of contents", "page lost.html is not",
              "Quillmark.hhk: no entries", "window title"]
    missed = [w for w in wanted if not any(w in e for e in errors)]
    if missed:
        sys.exit(f"check_help self-test: the checker missed {missed}; it reported {errors}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--chm", required=True)
    ap.add_argument("--hhp", required=True, help="the project file the help was compiled from")
    args = ap.parse_args()
    self_test()

    hhp = open(args.hhp, encoding="utf-8").read()
    title = re.search(r"^Title=(.*)$", hhp, re.M).group(1).strip()
    listed = hhp.split("[FILES]", 1)[1].split()
    source_dir = os.path.dirname(args.hhp)
    on_disk = [n for n in os.listdir(source_dir) if n.endswith((".html", ".css", ".png"))]
    errors = [f"{n} is in help/ but not in the project's [FILES]" for n in on_disk if n not in listed]

    listing = chmls("-n", "list", args.chm).decode("cp932", "replace").splitlines()
    files = {line.strip()[1:] for line in listing if line.strip().startswith("/") and not line.strip().endswith("/")}
    with tempfile.TemporaryDirectory() as tmp:
        chmls("extractall", args.chm, tmp)

        def read(name):
            with open(os.path.join(tmp, name), "rb") as f:
                return f.read()

        errors += check_help(files, read, listed, title,
                             field(chmls("printsystem", args.chm), "Title from [options]"),
                             field(chmls("printwindows", args.chm), "Title Bar Text"))
    if errors:
        print("\n".join(errors))
        sys.exit(1)
    print(f"help: {len([f for f in files if f.endswith('.html')])} pages, title '{title}', all links resolve")


if __name__ == "__main__":
    main()
