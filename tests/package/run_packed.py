#!/usr/bin/env python3
"""The packed programs end to end. Unpacks each Windows build's zip (dist/Quillmark-<version>-x86.zip,
-x64.zip) into a scratch folder and converts with the programs exactly as shipped: Quillmark.exe's
real windows, worked from a second process (packed_driver), and quillconv.exe. One table drives it:
the sizes below through each way in every layout or record format, and a batch of 300 files of mixed
sizes, each binary to text and that text back to binary. Every text must equal the native quillconv's for the same input
(native quillconv takes it back to the same bytes), every binary must be the original; no program may
end abnormally, Quillmark.exe must close with exit code 0, and no temporary file or staging folder may
be left anywhere.
Usage: run_packed.py [--verdicts FILE] [BUILD...]    BUILD: win32, win64 (both by default)
A build this machine cannot run (32-bit code on a kernel that runs none) is reported NOT RUN, never
passed. FILE gets one line per build: "BUILD passed", "BUILD FAILED" or "BUILD NOT RUN: why"."""
import concurrent.futures
import hashlib
import os
import random
import re
import shutil
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRATCH = os.path.join(ROOT, "build", "packed")
QUILLCONV = os.path.join(ROOT, "build", "native", "quillconv")
BUILDS = {"win32": ("x86", "32-bit"), "win64": ("x64", "64-bit")}

SIZES = [0, 1, 15, 16, 17, 31, 32, 33, 4095, 4096, 65537, 3 << 20]
# Bytes per line (0: the one line without breaks) and the offset comments, which need a width; or a
# record format, as quillconv names it: its settings value, its texts' extension and its name.
LAYOUTS = [(0, False), (8, False), (8, True), (16, False), (16, True), (32, False), (32, True)]
FORMATS = {"ihex": ("IHEX", ".hex", "Intel HEX"), "srec": ("SREC", ".srec", "Sレコード")}
# Each way of converting, the input set it takes, and the layouts it is run in.
TABLE = [("individual", "sizes", LAYOUTS + ["ihex"]),
         ("batch", "sizes", LAYOUTS + ["srec"]),
         ("quillconv", "sizes", [(16, True), (32, False)]),
         ("batch", "mixed", [(16, True), (0, False)])]
WAYS = {"individual": "個別変換", "batch": "一括変換", "quillconv": "quillconv.exe"}


def tag(layout):
    return layout if layout in FORMATS else f"w{layout[0]}" + ("c" if layout[1] else "")


def layout_name(layout):
    if layout in FORMATS:
        return FORMATS[layout][2]
    return "なし" if layout[0] == 0 else f"{layout[0]}" + (" コメント" if layout[1] else "")


def options_of(layout):
    return ["--format", layout] if layout in FORMATS else ["--width", str(layout[0])] + (["--comments"] if layout[1] else [])


def windows(path):
    return "Z:" + path.replace("/", "\\")


def make_sets():
    """The input files by set, made afresh from fixed seeds: {set: [(stem, path)]}."""
    rng = random.Random(17)
    mixed = []
    for i in range(300):
        pick = rng.random()
        # Around the kernels' 16- and 32-byte blocks, small files, and larger ones.
        size = (rng.randrange(16, 4097, 16) + rng.choice((-1, 0, 1)) if pick < 0.4 else
                rng.randrange(0, 100) if pick < 0.7 else rng.randrange(100, 70000))
        # A few names in Japanese, as CP932 names reach the program.
        mixed.append((("データ" if i % 30 == 0 else "m") + f"{i:03d}-{size}", size))
    sets = {"sizes": [(f"size-{size:07d}", size) for size in SIZES], "mixed": mixed}
    made = {}
    for name, files in sets.items():
        folder = os.path.join(SCRATCH, "data", name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        made[name] = []
        for stem, size in files:
            path = os.path.join(folder, stem + ".bin")
            with open(path, "wb") as f:
                f.write(rng.randbytes(size))
            made[name].append((stem, path))
    return made


def native(*args):
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
    result = subprocess.run([QUILLCONV, *args], env=env, capture_output=True, text=True)
    if result.returncode:
        return f"quillconv {' '.join(args)}: exit {result.returncode} {result.stderr.strip()}"
    return None


def make_expected(sets):
    """Native quillconv's text of every input in every layout the table asks for. Returns the faults.
    (Its own tests see that it takes each text back to the same bytes.)"""
    work = []
    for _, set_name, layouts in TABLE:
        for layout in layouts:
            folder = os.path.join(SCRATCH, "expect", set_name, tag(layout))
            if os.path.isdir(folder):
                continue
            os.makedirs(folder)
            options = options_of(layout)
            work += [(options, path, os.path.join(folder, stem + ".txt")) for stem, path in sets[set_name]]

    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        return [f for f in pool.map(lambda item: native("totext", *item[0], item[1], item[2]), work) if f]


def difference(actual, expected):
    if not os.path.exists(actual):
        return "missing"
    with open(actual, "rb") as f, open(expected, "rb") as g:
        a, e = f.read(), g.read()
    if a == e:
        return None
    at = next((i for i, (x, y) in enumerate(zip(a, e)) if x != y), min(len(a), len(e)))
    return f"{len(a)} bytes, expected {len(e)}; first difference at byte {at}"


def plan(sets, work, program):
    """The driver's jobs, the files they must make as (output, expected, label), and the output
    folders with the names each must hold."""
    jobs = [("起動", "start", windows(os.path.join(program, "Quillmark.exe")))]
    quillconv = windows(os.path.join(program, "quillconv.exe"))
    checks, folders = [], {}
    for way, set_name, layouts in TABLE:
        files = sets[set_name]
        for layout in layouts:
            base = os.path.join(work, f"{way}-{set_name}-{tag(layout)}")
            texts, binaries = os.path.join(base, "txt"), os.path.join(base, "dat")
            extension = FORMATS[layout][1] if layout in FORMATS else ".txt"
            folders[texts] = {stem + extension for stem, _ in files}
            folders[binaries] = {stem + ".dat" for stem, _ in files}
            to_text = f"{WAYS[way]} テキスト変換 %s, {layout_name(layout)}"
            to_binary = f"{WAYS[way]} バイナリ変換 %s, {layout_name(layout)}"
            for stem, path in files:
                expected = os.path.join(SCRATCH, "expect", set_name, tag(layout), stem + ".txt")
                checks += [(os.path.join(texts, stem + extension), expected, to_text % stem),
                           (os.path.join(binaries, stem + ".dat"), path, to_binary % stem)]
            if way != "quillconv":
                width, comments = ("0", "FALSE") if layout in FORMATS else (str(layout[0]), str(layout[1]).upper())
                jobs.append((f"layout {layout_name(layout)}", "layout", width, comments,
                             FORMATS[layout][0] if layout in FORMATS else "HEX"))
            if way == "batch":
                source, rows = os.path.join(SCRATCH, "data", set_name), str(len(files))
                jobs += [(to_text % f"{rows} files", "batch", "1", windows(source), windows(texts), rows),
                         (to_binary % f"{rows} files", "batch", "0", windows(texts), windows(binaries), rows)]
                continue
            # The individual page and quillconv write into folders that exist.
            os.makedirs(texts)
            os.makedirs(binaries)
            options = " ".join(options_of(layout))
            for stem, path in files:
                text = windows(os.path.join(texts, stem + extension))
                binary = windows(os.path.join(binaries, stem + ".dat"))
                if way == "individual":
                    jobs += [(to_text % stem, "convert", "1", windows(path), text),
                             (to_binary % stem, "convert", "0", text, binary)]
                else:
                    totext = f'"{quillconv}" totext {options} "{windows(path)}" "{text}"'
                    jobs += [(to_text % stem, "console", totext),
                             (to_binary % stem, "console", f'"{quillconv}" tobin "{text}" "{binary}"')]
    jobs.append(("終了", "close"))
    return jobs, checks, folders


def digest(sets):
    def sha(path):
        with open(path, "rb") as f:
            return hashlib.sha256(f.read()).digest()
    return {path: sha(path) for files in sets.values() for _, path in files}


def leftovers(folder):
    return [os.path.join(top, name) for top, dirs, files in os.walk(folder)
            for name in dirs + files if name.lower().startswith("~quillmark-")]


def wine(build, script, *args, **kwargs):
    """Runs a bash script in the Wine set-up of the build (tools/wine-env)."""
    prelude = 'source "$QUILL_ROOT/tools/wine-env" && quill_use_build "$QUILL_BUILD" || exit 1\n'
    env = dict(os.environ, QUILL_ROOT=ROOT, QUILL_BUILD=build)
    return subprocess.run(["bash", "-c", prelude + script, "bash", *args], env=env, **kwargs)


def run_build(build, version, sets):
    """Runs one build's package; returns (verdict, lines to print)."""
    arch, bits = BUILDS[build]
    package = os.path.join(ROOT, "dist", f"Quillmark-{version}-{arch}.zip")
    driver = os.path.join(ROOT, "build", build, "tests", "package", "packed_driver.exe")
    for needed in (package, driver):
        if not os.path.isfile(needed):
            return "FAILED", [f"{needed} is missing: build {build} first (tools/test builds it)"]
    work = os.path.join(SCRATCH, build)
    shutil.rmtree(work, ignore_errors=True)
    with zipfile.ZipFile(package) as z:
        z.extractall(work)
    program = os.path.join(work, "Quillmark")
    jobs, checks, folders = plan(sets, work, program)
    with open(os.path.join(work, "jobs.txt"), "wb") as f:
        f.write("".join("\t".join(job) + "\r\n" for job in jobs).encode("cp932"))

    before, inputs = set(leftovers(SCRATCH)), digest(sets)
    started = time.monotonic()
    # A Wine server of the prefix left on another display would show the windows there.
    script = ('quill_wine_prefix && wineserver -k 2>/dev/null; quill_wine_server\n'
              'wine "$1" "$2"; rc=$?; wineserver -k 2>/dev/null; exit $rc')
    try:
        run = wine(build, script, driver, windows(os.path.join(work, "jobs.txt")),
                   capture_output=True, timeout=900)
        output, code = run.stdout.decode("cp932", "replace"), run.returncode
    except subprocess.TimeoutExpired as e:
        wine(build, "wineserver -k 2>/dev/null")
        output = (e.stdout or b"").decode("cp932", "replace") + "\npacked_driver: still running after 900 s"
        code = 1
    seconds = time.monotonic() - started

    faults = []
    summary = None
    for line in output.splitlines():
        fields = line.rstrip("\r").split("\t")
        if fields[0] in ("FAIL", "CRASH") and len(fields) == 3:
            faults.append(f"{fields[0]} {fields[1]}: {fields[2]}")
        elif fields[0] == "SUMMARY" and len(fields) == 5:
            summary = [int(fields[1]), int(fields[2])]
    if summary is None:
        faults.append(f"packed_driver ended without its summary (exit code {code}):\n{output.strip()}")
    elif summary[0] < summary[1]:
        faults.append(f"{summary[1] - summary[0]} of {summary[1]} jobs not run: the run ended there")
    elif code != 0 and not faults:
        faults.append(f"packed_driver: exit code {code}\n{output.strip()}")
    if summary and summary[0] == summary[1]:
        for actual, expected, label in checks:
            wrong = difference(actual, expected)
            if wrong:
                faults.append(f"{label}: {actual}: {wrong}")
        for folder, names in folders.items():
            # Temporary files and staging folders are named below, wherever they are.
            extra = {n for n in os.listdir(folder) if not n.lower().startswith("~quillmark-")} - names \
                if os.path.isdir(folder) else set()
            if extra:
                faults.append(f"{folder}: files nobody asked for: {', '.join(sorted(extra))}")
    faults += [f"left behind: {path}" for path in leftovers(SCRATCH) if path not in before]
    faults += [f"an input changed: {path}" for path, sha in digest(sets).items() if inputs[path] != sha]

    lines = [f"   {fault}" for fault in faults[:12]]
    if len(faults) > 12:
        lines.append(f"   ... and {len(faults) - 12} more")
    conversions = sum(1 for job in jobs if job[1] in ("convert", "console")) + \
        sum(int(job[5]) for job in jobs if job[1] == "batch")
    ran = f"{conversions} conversions"
    if not summary or summary[0] < len(jobs):
        ran = f"{summary[0] if summary else 0} of {len(jobs)} jobs"
    what = f"{os.path.basename(package)} ({bits}): ran {ran} in {seconds:.1f} s"
    if faults:
        lines.append(f"packed {build}: {what}: FAILED")
        return "FAILED", lines
    shutil.rmtree(work, ignore_errors=True)
    lines.append(f"packed {build}: {what}: passed (byte-exact, nothing left behind, exit code 0)")
    return "passed", lines


def main():
    args = sys.argv[1:]
    verdicts_file = None
    if args[:1] == ["--verdicts"] and len(args) >= 2:
        verdicts_file, args = args[1], args[2:]
    builds = args or list(BUILDS)
    if any(b not in BUILDS for b in builds):
        sys.exit(__doc__)
    if not os.environ.get("DISPLAY"):
        # The windows need an X server: a virtual one for this run.
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable, *sys.argv])
    if not os.access(QUILLCONV, os.X_OK):
        sys.exit(f"run_packed: {QUILLCONV} is missing: the native build makes it (tools/test)")
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        version = re.search(r"project\(Quillmark VERSION ([0-9.]+)", f.read()).group(1)
    runs_32bit = wine("win64", "quill_runs_32bit").returncode == 0

    started = time.monotonic()
    shutil.rmtree(SCRATCH, ignore_errors=True)
    sets = make_sets()
    faults = make_expected(sets)
    if faults:
        sys.exit("run_packed: the expected outputs cannot be made:\n" + "\n".join(faults[:10]))
    print(f"packed programs: {sum(len(f) for f in sets.values())} inputs and native quillconv's texts made "
          f"in {time.monotonic() - started:.1f} s", flush=True)

    verdicts = {}
    for build in builds:
        if build == "win32" and not runs_32bit:
            verdicts[build] = "NOT RUN: this kernel runs no 32-bit code"
            print(f"packed {build}: Quillmark-{version}-x86.zip (32-bit): {verdicts[build]}", flush=True)
            continue
        verdicts[build], lines = run_build(build, version, sets)
        print("\n".join(lines), flush=True)
    if all(v == "passed" for v in verdicts.values()):
        shutil.rmtree(SCRATCH, ignore_errors=True)
    said = [f"{b} ({BUILDS[b][1]}) " + (v if v.startswith("NOT RUN") else "ran, " + v)
            for b, v in verdicts.items()]
    print(f"packed programs ({time.monotonic() - started:.0f} s): " + "; ".join(said))
    if verdicts_file:
        with open(verdicts_file, "w") as f:
            f.write("".join(f"{b} {v}\n" for b, v in verdicts.items()))
    sys.exit(0 if all(v != "FAILED" for v in verdicts.values()) else 1)


if __name__ == "__main__":
    main()
