#!/usr/bin/env python3
"""The packed programs end to end: each build's zip (dist/Quillmark-<version>-x86.zip, -x64.zip)
unpacked, Quillmark.exe's real windows worked from a second process (packed_driver) and quillconv.exe
run, each input set of TABLE to text and back. Every text must equal native quillconv's, every binary
the original; nothing may end abnormally or leave a temporary file behind.
Usage: run_packed.py [--verdicts FILE] [BUILD...]    BUILD: win32, win64 (both by default)
A build this machine cannot run is NOT RUN, never passed. FILE gets "BUILD passed|FAILED|NOT RUN: why"."""
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

# Around the kernels' 16- and 32-byte blocks, a page, and megabytes.
SIZES = [0, 1, 15, 16, 17, 31, 32, 33, 4095, 4096, 65537, 3 << 20]
# A layout is w<bytes per line>, c for the offset comments, or a record format.
FORMATS = {"ihex": ("IHEX", ".hex", "Intel HEX"), "srec": ("SREC", ".srec", "Sレコード")}
LAYOUTS = ["w0", "w8", "w8c", "w16", "w16c", "w32", "w32c"]
# Each way of converting, its input set and its layouts: both pages in every layout.
TABLE = [("individual", "sizes", LAYOUTS + ["ihex"]),
         ("batch", "sizes", LAYOUTS + ["srec"]),
         ("quillconv", "sizes", ["w16c", "w32"]),
         ("batch", "mixed", ["w16c", "w0"])]
WAYS = {"individual": "個別変換", "batch": "一括変換", "quillconv": "quillconv.exe"}


def describe(layout):
    """quillconv's options, the settings (width, comments, format), the texts' extension, the name."""
    if layout in FORMATS:
        value, extension, name = FORMATS[layout]
        return ["--format", layout], ("0", "FALSE", value), extension, name
    width, comments = layout[1:].rstrip("c"), layout.endswith("c")
    return (["--width", width] + ["--comments"] * comments, (width, str(comments).upper(), "HEX"), ".txt",
            "なし" if width == "0" else width + " コメント" * comments)


windows = lambda path: "Z:" + path.replace("/", "\\")


def make_sets():
    """The input files by set, made afresh from fixed seeds: {set: [(stem, path)]}."""
    rng = random.Random(17)
    mixed = []
    for i in range(300):
        pick = rng.random()
        size = (rng.randrange(16, 4097, 16) + rng.choice((-1, 0, 1)) if pick < 0.4 else
                rng.randrange(0, 100) if pick < 0.7 else rng.randrange(100, 70000))
        # A few names in Japanese, as CP932 names reach the program.
        mixed.append((("データ" if i % 30 == 0 else "m") + f"{i:03d}-{size}", size))
    made = {}
    for name, files in {"sizes": [(f"size-{size:07d}", size) for size in SIZES], "mixed": mixed}.items():
        folder = os.path.join(SCRATCH, "data", name)
        os.makedirs(folder)
        made[name] = [(stem, os.path.join(folder, stem + ".bin")) for stem, _ in files]
        for (_, size), (_, path) in zip(files, made[name]):
            open(path, "wb").write(rng.randbytes(size))
    return made


def make_expected(sets):
    """Native quillconv's text of every input in every layout of TABLE. Returns the faults."""
    work = []
    for _, set_name, layouts in TABLE:
        for layout in layouts:
            folder = os.path.join(SCRATCH, "expect", set_name, layout)
            if os.path.isdir(folder):
                continue
            os.makedirs(folder)
            work += [[*describe(layout)[0], path, os.path.join(folder, stem + ".txt")] for stem, path in sets[set_name]]

    def native(args):
        run = subprocess.run([QUILLCONV, "totext", *args], env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"),
                             capture_output=True, text=True)
        return run.returncode and f"quillconv totext {' '.join(args)}: exit {run.returncode} {run.stderr.strip()}"
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        return [f for f in pool.map(native, work) if f]


def difference(actual, expected):
    if not os.path.exists(actual):
        return "missing"
    a, e = open(actual, "rb").read(), open(expected, "rb").read()
    return a != e and f"{len(a)} bytes, expected {len(e)}; first difference at byte " + \
        str(next((i for i, (x, y) in enumerate(zip(a, e)) if x != y), min(len(a), len(e))))


def plan(sets, work, program):
    """The driver's jobs, the files they must make as (output, expected, label), and the output
    folders with the names each must hold."""
    jobs = [("起動", "start", windows(os.path.join(program, "Quillmark.exe")))]
    quillconv = windows(os.path.join(program, "quillconv.exe"))
    checks, folders = [], {}
    for way, set_name, layouts in TABLE:
        files = sets[set_name]
        for layout in layouts:
            options, settings, extension, name = describe(layout)
            base = os.path.join(work, f"{way}-{set_name}-{layout}")
            texts, binaries = os.path.join(base, "txt"), os.path.join(base, "dat")
            folders[texts] = {stem + extension for stem, _ in files}
            folders[binaries] = {stem + ".dat" for stem, _ in files}
            to_text, to_binary = (f"{WAYS[way]} {what}変換 %s, {name}" for what in ("テキスト", "バイナリ"))
            for stem, path in files:
                expected = os.path.join(SCRATCH, "expect", set_name, layout, stem + ".txt")
                checks += [(os.path.join(texts, stem + extension), expected, to_text % stem),
                           (os.path.join(binaries, stem + ".dat"), path, to_binary % stem)]
            jobs += [(f"layout {name}", "layout", *settings)] * (way != "quillconv")
            if way == "batch":
                source, rows = os.path.join(SCRATCH, "data", set_name), str(len(files))
                jobs += [(to_text % f"{rows} files", "batch", "1", windows(source), windows(texts), rows),
                         (to_binary % f"{rows} files", "batch", "0", windows(texts), windows(binaries), rows)]
                continue
            # The individual page and quillconv write into folders that exist.
            os.makedirs(texts), os.makedirs(binaries)
            for stem, path in files:
                text, binary = windows(os.path.join(texts, stem + extension)), windows(os.path.join(binaries, stem + ".dat"))
                if way == "individual":
                    jobs += [(to_text % stem, "convert", "1", windows(path), text),
                             (to_binary % stem, "convert", "0", text, binary)]
                else:
                    totext = f'"{quillconv}" totext {" ".join(options)} "{windows(path)}" "{text}"'
                    jobs += [(to_text % stem, "console", totext),
                             (to_binary % stem, "console", f'"{quillconv}" tobin "{text}" "{binary}"')]
    jobs.append(("終了", "close"))
    return jobs, checks, folders


digest = lambda sets: {path: hashlib.sha256(open(path, "rb").read()).digest() for f in sets.values() for _, path in f}
leftovers = lambda folder: [os.path.join(top, name) for top, dirs, files in os.walk(folder)
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
    if missing := [p for p in (package, driver) if not os.path.isfile(p)]:
        return "FAILED", [f"{missing[0]} is missing: build {build} first (tools/test builds it)"]
    work = os.path.join(SCRATCH, build)
    shutil.rmtree(work, ignore_errors=True)
    with zipfile.ZipFile(package) as z:
        z.extractall(work)
    jobs, checks, folders = plan(sets, work, os.path.join(work, "Quillmark"))
    open(os.path.join(work, "jobs.txt"), "wb").write("".join("\t".join(job) + "\r\n" for job in jobs).encode("cp932"))

    before, inputs = set(leftovers(SCRATCH)), digest(sets)
    started = time.monotonic()
    # A Wine server of the prefix left on another display would show the windows there.
    script = ('quill_wine_prefix && wineserver -k 2>/dev/null; quill_wine_server\n'
              'wine "$1" "$2"; rc=$?; wineserver -k 2>/dev/null; exit $rc')
    try:
        run = wine(build, script, driver, windows(os.path.join(work, "jobs.txt")), capture_output=True, timeout=900)
        output, code = run.stdout.decode("cp932", "replace"), run.returncode
    except subprocess.TimeoutExpired as e:
        wine(build, "wineserver -k 2>/dev/null")
        output, code = (e.stdout or b"").decode("cp932", "replace") + "\npacked_driver: still running after 900 s", 1
    seconds = time.monotonic() - started

    lines = [line.rstrip("\r").split("\t") for line in output.splitlines()]
    faults = [f"{f[0]} {f[1]}: {f[2]}" for f in lines if f[0] in ("FAIL", "CRASH") and len(f) == 3]
    done = next((int(f[1]) for f in lines if f[0] == "SUMMARY" and len(f) == 5), None)
    if done is None:
        faults.append(f"packed_driver ended without its summary (exit code {code}):\n{output.strip()}")
    elif done < len(jobs):
        faults.append(f"{len(jobs) - done} of {len(jobs)} jobs not run: the run ended there")
    elif code != 0 and not faults:
        faults.append(f"packed_driver: exit code {code}\n{output.strip()}")
    if done == len(jobs):
        faults += [f"{label}: {actual}: {wrong}" for actual, expected, label in checks
                   if (wrong := difference(actual, expected))]
        # Temporary files and staging folders are named below, wherever they are.
        extra = {folder: sorted({n for n in os.listdir(folder) if not n.lower().startswith("~quillmark-")} - names)
                 for folder, names in folders.items() if os.path.isdir(folder)}
        faults += [f"{folder}: files nobody asked for: {', '.join(names)}" for folder, names in extra.items() if names]
    faults += [f"left behind: {path}" for path in leftovers(SCRATCH) if path not in before]
    faults += [f"an input changed: {path}" for path, sha in digest(sets).items() if inputs[path] != sha]

    lines = [f"   {fault}" for fault in faults[:12]] + [f"   ... and {len(faults) - 12} more"] * (len(faults) > 12)
    conversions = sum(1 if job[1] in ("convert", "console") else int(job[5]) if job[1] == "batch" else 0
                      for job in jobs)
    ran = f"{conversions} conversions" if done == len(jobs) else f"{done or 0} of {len(jobs)} jobs"
    what = f"packed {build}: {os.path.basename(package)} ({bits}): ran {ran} in {seconds:.1f} s"
    if faults:
        return "FAILED", lines + [f"{what}: FAILED"]
    shutil.rmtree(work, ignore_errors=True)
    return "passed", [f"{what}: passed (byte-exact, nothing left behind, exit code 0)"]


def main():
    args = sys.argv[1:]
    verdicts_file, args = (args[1], args[2:]) if args[:1] == ["--verdicts"] and len(args) >= 2 else (None, args)
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
    if faults := make_expected(sets):
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
    said = [f"{b} ({BUILDS[b][1]}) " + (v if v.startswith("NOT RUN") else "ran, " + v) for b, v in verdicts.items()]
    print(f"packed programs ({time.monotonic() - started:.0f} s): " + "; ".join(said))
    if verdicts_file:
        with open(verdicts_file, "w") as f:
            f.write("".join(f"{b} {v}\n" for b, v in verdicts.items()))
    sys.exit(0 if all(v != "FAILED" for v in verdicts.values()) else 1)


if __name__ == "__main__":
    main()
