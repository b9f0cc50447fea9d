// quillbench: file-to-file throughput of our conversions against xxd and Python on the same files.
//   quillbench DATA_DIR [QUILLCONV [QUILLCONV_EXE WINE_RUN [APP_CONVERT]]]
// Makes a 64 MiB random binary, its 192 MiB text form and a commented text in DATA_DIR, converts
// them in both directions with every kernel (binary to text also in lines of 16 bytes with
// comments) as the tools do (read ahead, written behind), the dispatch's pick also on one thread,
// times the reads and writes alone for each (the floor) and each conversion's share of it, runs
// the peers, and prints MB/s of input (10^6 bytes) with the spread of the runs. The same binary also goes to Intel HEX
// and S-records and back, beside objcopy and srec_cat. APP_CONVERT MODE INPUT OUTPUT converts one
// file in the running program (1: binary to text, 0: back) and prints its seconds first.
#include "core/ByteStreams.h"
#include "core/HexCodec.h"
#include "core/Pipeline.h"
#include "core/RecordReader.h"
#include "core/RecordWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

const size_t kBinarySize = size_t(64) << 20;
const int kRepeats = 5;
// Turns of quillconv.exe and the program, whose every run waits for the disk.
const int kTurns = 9;

double Now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Processor time (user + system) of this process and of its waited-for children. The machine is
// shared, so processor time is the steadier measure; wall time is shown beside it.
double Cpu()
{
    rusage self, children;
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    auto sec = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec * 1e-6; };
    return sec(self.ru_utime) + sec(self.ru_stime) + sec(children.ru_utime) + sec(children.ru_stime);
}

struct Time
{
    double wall, cpu;
};

// Times a conversion from outside its process by what the system sees of it: from the first
// opening of the input to the output's taking its name (renamed onto it, or closed after writing).
// Neither a process's start-up nor a window's command and box is in it, so quillconv.exe and the
// program compare on their conversions alone, where a start-up that drifts by 50 ms between runs
// hid a conversion of 60-150 ms.
class InsideTimer
{
public:
    InsideTimer(const std::string& input, const std::string& output)
        : m_input(Name(input)), m_output(Name(output))
    {
        m_fd = inotify_init1(IN_CLOEXEC);
        if (m_fd < 0 || pipe(m_stop) != 0) return;
        const int in = inotify_add_watch(m_fd, Folder(input).c_str(), IN_OPEN);
        // The same folder gives the same watch: its events are added to, not replaced.
        const int out =
            inotify_add_watch(m_fd, Folder(output).c_str(), IN_MOVED_TO | IN_CLOSE_WRITE | IN_MASK_ADD);
        if (in >= 0 && out >= 0) m_thread = std::thread([this] { Watch(); });
    }
    ~InsideTimer()
    {
        Seconds();
        if (m_fd >= 0) close(m_fd);
        if (m_stop[0] >= 0) close(m_stop[0]), close(m_stop[1]);
    }
    // Once the command has ended: the seconds, or -1 where either event went unseen.
    double Seconds()
    {
        if (m_thread.joinable())
        {
            if (write(m_stop[1], "", 1) != 1) {}
            m_thread.join();
        }
        return m_start > 0 && m_end > m_start ? m_end - m_start : -1;
    }

private:
    static std::string Folder(const std::string& path)
    {
        const size_t slash = path.rfind('/');
        return slash == std::string::npos ? "." : path.substr(0, slash + 1);
    }
    static std::string Name(const std::string& path)
    {
        const size_t slash = path.rfind('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }
    void Watch()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        pollfd fds[2] = { { m_fd, POLLIN, 0 }, { m_stop[0], POLLIN, 0 } };
        while (poll(fds, 2, -1) > 0 && !(fds[1].revents & POLLIN))
        {
            const ssize_t got = read(m_fd, buffer, sizeof buffer);
            const double now = Now();
            for (ssize_t at = 0; got > 0 && at < got;)
            {
                const inotify_event* e = reinterpret_cast<const inotify_event*>(buffer + at);
                at += sizeof(inotify_event) + e->len;
                const std::string name = e->len ? e->name : "";
                if ((e->mask & IN_OPEN) && name == m_input && m_start == 0) m_start = now;
                if ((e->mask & (IN_MOVED_TO | IN_CLOSE_WRITE)) && name == m_output && m_start > 0) m_end = now;
            }
        }
    }

    const std::string m_input, m_output;
    int m_fd = -1;
    int m_stop[2] = { -1, -1 };
    double m_start = 0, m_end = 0;
    std::thread m_thread;
};

// The times of a row's runs. Its figure is the best of them; the spread of all shows whether the
// machine was busy meanwhile.
struct Runs
{
    std::vector<Time> all;
    Runs& operator+=(Time t)
    {
        all.push_back(t);
        return *this;
    }
    bool Failed() const
    {
        for (const Time& t : all)
            if (t.wall < 0) return true;
        return all.empty();
    }
};

// Each run less the same fixed cost (a start-up).
Runs operator-(const Runs& runs, Time fixed)
{
    Runs r;
    for (const Time& t : runs.all) r += { t.wall - fixed.wall, t.cpu - fixed.cpu };
    return r;
}

// The middle run's elapsed time: steadier than the best where a run's pace drifts.
double MedianWall(const Runs& runs)
{
    std::vector<double> walls;
    for (const Time& t : runs.all) walls.push_back(t.wall);
    std::sort(walls.begin(), walls.end());
    return walls.empty() ? 0 : walls[walls.size() / 2];
}

Time Best(const Runs& runs)
{
    Time best = { 1e9, 1e9 };
    for (const Time& t : runs.all) best = { std::min(best.wall, t.wall), std::min(best.cpu, t.cpu) };
    return best;
}

off_t SizeOf(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

bool SameContent(const std::string& a, const std::string& b)
{
    FILE* fa = fopen(a.c_str(), "rb");
    FILE* fb = fopen(b.c_str(), "rb");
    bool same = fa && fb;
    std::vector<char> ba(1 << 20), bb(1 << 20);
    while (same)
    {
        const size_t na = fread(ba.data(), 1, ba.size(), fa), nb = fread(bb.data(), 1, bb.size(), fb);
        if (na != nb || memcmp(ba.data(), bb.data(), na) != 0) same = false;
        if (na == 0) break;
    }
    if (fa) fclose(fa);
    if (fb) fclose(fb);
    return same;
}

// A run's two files, the output made afresh (truncating one still being written back waits for
// the disk), timed from before they are opened until Close.
struct Files
{
    double start, cpu;
    int in, out;
    Files(const std::string& inPath, const std::string& outPath)
    {
        remove(outPath.c_str());
        start = Now();
        cpu = Cpu();
        in = open(inPath.c_str(), O_RDONLY);
        out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    Time Close()
    {
        close(in);
        close(out);
        return { Now() - start, Cpu() - cpu };
    }
};

// One in-process conversion, file to file, as the tools make it (read ahead and written behind)
// or on one thread (as before); seconds.
Time RunPump(bool toBinary, HexKernel kernel, const std::string& in, const std::string& out,
             const HexLayout& layout = HexLayout(), bool overlapped = true)
{
    Files files(in, out);
    CFdSource file(files.in);
    CFdSink written(files.out);
    CReadAhead ahead(file);
    CWriteBehind behind(written);
    const PumpResult r = overlapped ? (toBinary ? PumpTextToBinary(ahead, behind, kernel)
                                                : PumpBinaryToText(ahead, behind, layout, kernel))
                                    : (toBinary ? PumpTextToBinary(file, written, kernel)
                                                : PumpBinaryToText(file, written, layout, kernel));
    const Time t = files.Close();
    if (r != PumpDone) { fprintf(stderr, "quillbench: conversion of %s failed\n", in.c_str()); exit(1); }
    return t;
}

// The same reads and writes as a conversion, without converting: the floor the files set. Reads
// `in` in the conversion's blocks and writes, for each, the share of the output's size that the
// conversion writes for it (outSize bytes in all).
Time RunCopy(const std::string& in, const std::string& out, size_t block, off_t outSize)
{
    const double ratio = double(outSize) / double(SizeOf(in));
    std::vector<char> buffer(size_t(double(block) * std::max(1.0, ratio)) + 1);
    Files files(in, out);
    ssize_t n;
    while ((n = read(files.in, buffer.data(), block)) > 0)
    {
        const size_t size = size_t(double(n) * ratio);
        if (write(files.out, buffer.data(), size) != ssize_t(size)) break;
    }
    return files.Close();
}

// One record conversion, file to file: binary to records (read = false) or back.
Time RunRecords(bool read, RecordFormat format, HexKernel kernel, const std::string& in, const std::string& out)
{
    Files files(in, out);
    CFdSource file(files.in);
    CFdSink written(files.out);
    CReadAhead source(file);
    CWriteBehind sink(written);
    RecordImage r;
    if (read)
    {
        RecordReadOptions options;
        options.kernel = kernel;
        r = ReadRecords(format, source, sink, options);
    }
    else
    {
        RecordLayout layout;
        layout.format = format;
        layout.size = kBinarySize;
        layout.name = "data.bin";
        r = WriteRecords(source, sink, layout, kernel);
    }
    const Time t = files.Close();
    if (!r.Ok()) { fprintf(stderr, "quillbench: %s: %s\n", in.c_str(), RecordErrorMessage(r).c_str()); exit(1); }
    return t;
}

Time RunCommand(const std::string& cmd)
{
    const double start = Now(), cpu = Cpu();
    const int rc = system(cmd.c_str());
    const Time t = { Now() - start, Cpu() - cpu };
    if (rc != 0) { fprintf(stderr, "quillbench: failed (%d): %s\n", rc, cmd.c_str()); return { -1, -1 }; }
    return t;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string WinPath(const std::string& path)
{
    std::string w = "Z:" + path;
    for (char& c : w) if (c == '/') c = '\\';
    return w;
}

// Runs a command and reads the seconds it prints first (the program's own timing); wall time.
Time RunTimed(const std::string& cmd)
{
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return { -1, -1 };
    char line[512] = "";
    const bool got = fgets(line, sizeof line, f) != nullptr;
    while (fgets(line + 256, 256, f)) {}
    const int rc = pclose(f);
    const double seconds = got ? atof(line) : 0;
    if (rc != 0 || seconds <= 0)
    {
        fprintf(stderr, "quillbench: failed (%d): %s\n", rc, cmd.c_str());
        return { -1, -1 };
    }
    return { seconds, -1 };
}

struct Row
{
    std::string what, tool;
    double cpu, wall;               // MB/s of input by processor time and by wall time; 0 when not measured
    std::vector<double> spread;     // MB/s of each run, by processor time where measured, else wall
    std::string note;
};

Row MakeRow(const std::string& what, const std::string& tool, double mb, const Runs& runs,
            const std::string& note = "")
{
    if (runs.Failed()) return { what, tool, 0, 0, {}, note };
    const Time t = Best(runs);
    Row r = { what, tool, t.cpu > 0 ? mb / t.cpu : 0, t.wall > 0 ? mb / t.wall : 0, {}, note };
    for (const Time& one : runs.all) r.spread.push_back(mb / (t.cpu > 0 ? one.cpu : one.wall));
    std::sort(r.spread.begin(), r.spread.end());
    return r;
}

void PrintTable(const std::vector<Row>& rows, const std::string& direction)
{
    double ours = 0;
    const Row* floor = nullptr;
    for (const Row& r : rows)
    {
        if (r.what != direction) continue;
        if (r.tool.find("file to file") != std::string::npos || r.tool == "quillconv (native)")
            ours = std::max(ours, r.cpu);
        if (r.tool.rfind("I/O alone", 0) == 0) floor = &r;
    }
    printf("\n%s\n", direction.c_str());
    printf("  %-39s %9s %9s %10s  %-20s\n", "tool", "MB/s cpu", "MB/s wall", "ours / it", "min / median / max");
    for (const Row& r : rows)
    {
        if (r.what != direction) continue;
        if (r.cpu <= 0 && r.wall <= 0)
        {
            printf("  %-39s %9s %9s %10s  %-20s %s\n", r.tool.c_str(), "n/a", "n/a", "", "", r.note.c_str());
            continue;
        }
        char spread[64];
        snprintf(spread, sizeof spread, "%.0f / %.0f / %.0f", r.spread.front(), r.spread[r.spread.size() / 2],
                 r.spread.back());
        char cpu[16] = "n/a", ratio[16] = "";
        if (r.cpu > 0)
        {
            snprintf(cpu, sizeof cpu, "%.0f", r.cpu);
            snprintf(ratio, sizeof ratio, "%.1fx", ours / r.cpu);
        }
        // A conversion's share of its files' floor, by elapsed time: what overlapping it gains.
        std::string note = r.note;
        if (floor && floor->wall > 0 && r.tool.find("file to file") != std::string::npos)
        {
            char share[64];
            snprintf(share, sizeof share, "%s%.0f %% of the floor (wall), %.0f %% (cpu)", note.empty() ? "" : " ",
                     100 * r.wall / floor->wall, floor->cpu > 0 ? 100 * r.cpu / floor->cpu : 0);
            note += share;
        }
        printf("  %-39s %9s %9.0f %10s  %-20s %s\n", r.tool.c_str(), cpu, r.wall, ratio, spread, note.c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        fprintf(stderr, "usage: quillbench DATA_DIR [QUILLCONV [QUILLCONV_EXE WINE_RUN [APP_CONVERT]]]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string quillconv = argc > 2 ? argv[2] : "";
    const std::string exe = argc > 4 ? argv[3] : "", wineRun = argc > 4 ? argv[4] : "";
    const std::string appConvert = argc > 5 ? argv[5] : "";
    mkdir(dir.c_str(), 0755);
    const std::string bin = dir + "/data.bin", txt = dir + "/data.txt", odd = dir + "/odd.txt";
    const std::string outBin = dir + "/out.bin", outTxt = dir + "/out.txt", empty = dir + "/empty";

    // Inputs, made once and reused: random bytes, their text, and a commented, irregular text.
    if (SizeOf(bin) != off_t(kBinarySize) || SizeOf(txt) != off_t(3 * kBinarySize) || SizeOf(odd) <= 0)
    {
        std::mt19937_64 rng(42);
        std::vector<unsigned char> bytes(kBinarySize);
        for (size_t i = 0; i < bytes.size(); i += 8)
        {
            const uint64_t r = rng();
            memcpy(&bytes[i], &r, 8);
        }
        FILE* f = fopen(bin.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        std::vector<char> text(3 * kBinarySize);
        CHexWriter().Encode(bytes.data(), bytes.size(), text.data());
        f = fopen(txt.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        // Lines of 24 upper-case bytes joined by ", " and '\t', each with a comment, CR LF endings.
        std::string o;
        static const char kDigits[] = "0123456789ABCDEF";
        for (size_t i = 0; i < bytes.size() / 4; ++i)
        {
            if (i % 24 == 0) o += "# offset " + std::to_string(i) + ": #0123 abcdef\r\n";
            o += kDigits[bytes[i] >> 4];
            o += kDigits[bytes[i] & 15];
            o += (i % 24 == 23) ? "\r\n" : (i % 8 == 7 ? ",\t" : ", ");
        }
        f = fopen(odd.c_str(), "wb");
        fwrite(o.data(), 1, o.size(), f);
        fclose(f);
        f = fopen(empty.c_str(), "wb");
        fclose(f);
    }
    const double binMB = kBinarySize / 1e6, txtMB = 3 * kBinarySize / 1e6, oddMB = SizeOf(odd) / 1e6;
    std::vector<Row> rows;
    const std::string dec = "text to binary, " + std::to_string(int(txtMB)) + " MB of text";
    const std::string enc = "binary to text, " + std::to_string(int(binMB)) + " MB of binary";
    const std::string oddDir = "text to binary, commented irregular text, " + std::to_string(int(oddMB)) + " MB";
    const std::string lines = "binary to text, 16 bytes a line with offsets and characters as comments, " +
                              std::to_string(int(binMB)) + " MB of binary";
    const std::string linesTxt = dir + "/lines.txt";
    const HexLayout commented(16, true);

    // Warm the page cache.
    SameContent(bin, bin);
    SameContent(txt, txt);
    SameContent(odd, odd);

    struct KernelName { HexKernel kernel; const char* name; };
    const KernelName kernels[] = { { HexKernelAvx512, "quill AVX-512" }, { HexKernelAvx2, "quill AVX2" },
                                   { HexKernelSsse3, "quill SSSE3" }, { HexKernelScalar, "quill scalar" } };
    // Every kernel as the tools run it, reading ahead and writing behind; the dispatch's pick (the
    // first this processor runs) also on one thread, as before, in the same rounds.
    bool first = true;
    for (const KernelName& k : kernels)
    {
        if (!HexKernelSupported(k.kernel)) continue;
        const bool plain = first;
        first = false;
        Runs td, te, to, tl, pd, pe, po, pl;
        for (int i = 0; i < kRepeats; ++i)
        {
            tl += RunPump(false, k.kernel, bin, linesTxt, commented);
            if (i == 0 && (RunPump(true, k.kernel, linesTxt, outBin), !SameContent(outBin, bin)))
            {
                fprintf(stderr, "%s: lines with comments do not read back\n", k.name);
                return 1;
            }
            td += RunPump(true, k.kernel, txt, outBin);
            if (i == 0 && !SameContent(outBin, bin)) { fprintf(stderr, "%s: wrong binary\n", k.name); return 1; }
            te += RunPump(false, k.kernel, bin, outTxt);
            if (i == 0 && !SameContent(outTxt, txt)) { fprintf(stderr, "%s: wrong text\n", k.name); return 1; }
            to += RunPump(true, k.kernel, odd, outBin);
            if (!plain) continue;
            pl += RunPump(false, k.kernel, bin, linesTxt, commented, false);
            pd += RunPump(true, k.kernel, txt, outBin, HexLayout(), false);
            pe += RunPump(false, k.kernel, bin, outTxt, HexLayout(), false);
            po += RunPump(true, k.kernel, odd, outBin, HexLayout(), false);
        }
        const std::string tool = std::string(k.name) + ", file to file";
        rows.push_back(MakeRow(dec, tool, txtMB, td));
        rows.push_back(MakeRow(enc, tool, binMB, te, k.kernel >= HexKernelAvx2 ? "(writes with SSSE3)" : ""));
        rows.push_back(MakeRow(oddDir, tool, oddMB, to));
        rows.push_back(MakeRow(lines, tool, binMB, tl));
        if (!plain) continue;
        const std::string one = std::string(k.name) + ", file to file, one thread";
        rows.push_back(MakeRow(dec, one, txtMB, pd, "(no overlap)"));
        rows.push_back(MakeRow(enc, one, binMB, pe, "(no overlap)"));
        rows.push_back(MakeRow(oddDir, one, oddMB, po, "(no overlap)"));
        rows.push_back(MakeRow(lines, one, binMB, pl, "(no overlap)"));
    }
    // The floor of every layout: its reads and writes alone, with the conversions' block sizes.
    {
        const off_t linesSize = SizeOf(linesTxt);
        Runs td, te, to, tl;
        for (int i = 0; i < kRepeats; ++i)
        {
            td += RunCopy(txt, outBin, HexTextBlock, off_t(kBinarySize));
            te += RunCopy(bin, outTxt, HexBinaryBlock, off_t(3 * kBinarySize));
            to += RunCopy(odd, outBin, HexTextBlock, off_t(kBinarySize / 4));
            tl += RunCopy(bin, outTxt, HexBinaryBlock, linesSize);
        }
        const char* floor = "I/O alone: read + write, no conversion";
        rows.push_back(MakeRow(dec, floor, txtMB, td, "(the files' floor)"));
        rows.push_back(MakeRow(enc, floor, binMB, te, "(the files' floor)"));
        rows.push_back(MakeRow(oddDir, floor, oddMB, to, "(the files' floor)"));
        rows.push_back(MakeRow(lines, floor, binMB, tl, "(the files' floor)"));
    }
    // The kernels alone, memory to memory, 16 MiB at a time: what the files cost on top.
    {
        const size_t chunk = size_t(16) << 20;
        std::vector<unsigned char> text(chunk * 3), bytes(chunk + HexTextBlock);
        FILE* f = fopen(txt.c_str(), "rb");
        if (fread(text.data(), 1, text.size(), f) != text.size()) return 1;
        fclose(f);
        std::vector<char> lineText(CHexWriter(HexKernelBest, commented).MaxOutput(chunk));
        std::vector<unsigned char> oddText(size_t(SizeOf(odd)));
        f = fopen(odd.c_str(), "rb");
        if (fread(oddText.data(), 1, oddText.size(), f) != oddText.size()) return 1;
        fclose(f);
        bool picked = false;
        for (const KernelName& k : kernels)
        {
            if (!HexKernelSupported(k.kernel)) continue;
            // Each SIMD reader has loops of its own, but every one writes with SSSE3: its writer's
            // rows are the dispatch's pick's and the scalar ones.
            const bool writes = !picked || k.kernel == HexKernelScalar;
            picked = true;
            Runs td, te, tl, to;
            for (int i = 0; i < kRepeats; ++i)
            {
                double w = Now(), c = Cpu();
                CHexReader reader(k.kernel);
                for (size_t at = 0; at < text.size(); at += HexTextBlock)
                    reader.Decode(text.data() + at, HexTextBlock, bytes.data() + at / 3);
                td += { Now() - w, Cpu() - c };
                w = Now(), c = Cpu();
                CHexReader oddReader(k.kernel);
                for (size_t at = 0; at < oddText.size(); at += HexTextBlock)
                    oddReader.Decode(oddText.data() + at, std::min(oddText.size() - at, size_t(HexTextBlock)),
                                     bytes.data());
                to += { Now() - w, Cpu() - c };
                if (!writes) continue;
                w = Now(), c = Cpu();
                CHexWriter writer(k.kernel);
                for (size_t at = 0; at < chunk; at += HexBinaryBlock)
                    writer.Encode(bytes.data() + at, HexBinaryBlock, reinterpret_cast<char*>(text.data()) + 3 * at);
                te += { Now() - w, Cpu() - c };
                // The same bytes in lines with comments, written on through one large buffer.
                w = Now(), c = Cpu();
                CHexWriter lineWriter(k.kernel, commented);
                char* o = lineText.data();
                for (size_t at = 0; at < chunk; at += HexBinaryBlock)
                    o += lineWriter.Encode(bytes.data() + at, HexBinaryBlock, o);
                tl += { Now() - w, Cpu() - c };
            }
            const std::string tool = std::string(k.name) + ", memory to memory";
            rows.push_back(MakeRow(dec, tool, text.size() / 1e6, td));
            rows.push_back(MakeRow(oddDir, tool, oddText.size() / 1e6, to));
            if (!writes) continue;
            rows.push_back(MakeRow(enc, tool, chunk / 1e6, te));
            rows.push_back(MakeRow(lines, tool, chunk / 1e6, tl));
        }
    }

    // Every timed run writes a new output, as a user's first conversion does.
    auto fresh = [&] {
        remove(outBin.c_str());
        remove(outTxt.c_str());
    };
    auto best = [&](const std::string& cmd, int repeats) {
        Runs t;
        for (int i = 0; i < repeats; ++i)
        {
            fresh();
            t += RunCommand(cmd);
            if (t.Failed()) break;
        }
        return t;
    };

    // Firmware formats: ours with both kernels, objcopy and srec_cat, on the same binary and on
    // the text our writer made of it (16 bytes a record).
    std::vector<std::string> recordTables;
    for (RecordFormat format : { RecordIntelHex, RecordSRecord })
    {
        const bool intel = format == RecordIntelHex;
        const std::string name = intel ? "Intel HEX" : "S-records", bfd = intel ? "ihex" : "srec";
        const std::string flag = intel ? " -intel" : " -motorola", recText = dir + "/records." + bfd;
        const std::string toText = "binary to " + name + ", " + std::to_string(int(binMB)) + " MB of binary";
        double textMB = 0;
        std::string toBin;
        struct KernelName2 { HexKernel kernel; const char* name; };
        for (const KernelName2 k : { KernelName2{ HexKernelBest, "quill SSE2" }, KernelName2{ HexKernelScalar, "quill scalar" } })
        {
            Runs tw, tr;
            for (int i = 0; i < kRepeats; ++i)
            {
                tw += RunRecords(false, format, k.kernel, bin, recText);
                textMB = SizeOf(recText) / 1e6;
                tr += RunRecords(true, format, k.kernel, recText, outBin);
                if (i == 0 && !SameContent(outBin, bin)) { fprintf(stderr, "%s: %s reads back wrong\n", k.name, name.c_str()); return 1; }
            }
            toBin = name + " to binary, " + std::to_string(int(textMB)) + " MB of text";
            rows.push_back(MakeRow(toText, std::string(k.name) + ", file to file", binMB, tw));
            rows.push_back(MakeRow(toBin, std::string(k.name) + ", file to file", textMB, tr));
        }
        const std::string objWrite = "objcopy -I binary -O " + bfd + " " + Quote(bin) + " " + Quote(outTxt);
        const std::string objRead = "objcopy -I " + bfd + " -O binary " + Quote(recText) + " " + Quote(outBin);
        rows.push_back(MakeRow(toText, "objcopy -I binary -O " + bfd, binMB, best(objWrite, 3)));
        Runs t = best(objRead, 3);
        rows.push_back(MakeRow(toBin, "objcopy -I " + bfd + " -O binary", textMB, t, SameContent(outBin, bin) ? "" : "WRONG OUTPUT"));
        rows.push_back(MakeRow(toText, "srec_cat -binary -o" + flag, binMB,
                               best("srec_cat " + Quote(bin) + " -binary -o " + Quote(outTxt) + flag, 1)));
        t = best("srec_cat " + Quote(recText) + flag + " -o " + Quote(outBin) + " -binary", 1);
        rows.push_back(MakeRow(toBin, "srec_cat" + flag + " -o -binary", textMB, t, SameContent(outBin, bin) ? "" : "WRONG OUTPUT"));
        recordTables.push_back(toText);
        recordTables.push_back(toBin);
        remove(recText.c_str());
    }

    Row nativeDecode, nativeEncode;
    if (!quillconv.empty())
    {
        const Runs td = best(Quote(quillconv) + " tobin " + Quote(txt) + " " + Quote(outBin), kRepeats);
        const bool okd = SameContent(outBin, bin);
        const Runs te = best(Quote(quillconv) + " totext " + Quote(bin) + " " + Quote(outTxt), kRepeats);
        const bool oke = SameContent(outTxt, txt);
        nativeDecode = MakeRow(dec, "quillconv (native)", txtMB, td, okd ? "" : "WRONG OUTPUT");
        nativeEncode = MakeRow(enc, "quillconv (native)", binMB, te, oke ? "" : "WRONG OUTPUT");
        rows.push_back(nativeDecode);
        rows.push_back(nativeEncode);
    }
    if (!exe.empty())
    {
        // quillconv.exe under Wine and, when it was given, the program's individual page driven
        // through its window, taking turns on the same files: each flushes its output to the disk
        // (about 100 ms for 200 MB here, as long as the conversion), whose pace drifts between runs;
        // in turns they meet the same disk. quillconv.exe's rows take off Wine's start-up, timed on
        // an empty file. The program and quillconv.exe are compared by what the system sees of each
        // conversion (InsideTimer), medians of the turns; the program's click to box is shown too.
        const std::string run = Quote(wineRun) + " " + Quote(exe), app = Quote(appConvert);
        const bool withApp = !appConvert.empty();
        const std::string none = " " + Quote(WinPath(empty)) + " " + Quote(WinPath(outBin));
        const std::string toBin = " " + Quote(WinPath(txt)) + " " + Quote(WinPath(outBin));
        const std::string toText = " " + Quote(WinPath(bin)) + " " + Quote(WinPath(outTxt));
        Runs startup, td, te, inTd, inTe, inAd, inAe, clickAd, clickAe;
        bool okd = true, oke = true, appOkd = true, appOke = true;
        // One run: its times as measured, and inside it where asked.
        auto timed = [&](Runs& runs, Time (*how)(const std::string&), const std::string& cmd, Runs* inside,
                         bool toBinary) {
            fresh();
            InsideTimer timer(toBinary ? txt : bin, toBinary ? outBin : outTxt);
            runs += how(cmd);
            if (inside) *inside += Time{ timer.Seconds(), -1 };
        };
        for (int i = 0; i < (withApp ? kTurns : kRepeats); ++i)
        {
            timed(startup, RunCommand, run + " tobin" + none, nullptr, true);
            timed(td, RunCommand, run + " tobin" + toBin, &inTd, true);
            okd = okd && SameContent(outBin, bin);
            timed(te, RunCommand, run + " totext" + toText, &inTe, false);
            oke = oke && SameContent(outTxt, txt);
            if (!withApp) continue;
            timed(clickAd, RunTimed, app + " 0" + toBin, &inAd, true);
            appOkd = appOkd && SameContent(outBin, bin);
            timed(clickAe, RunTimed, app + " 1" + toText, &inAe, false);
            appOke = appOke && SameContent(outTxt, txt);
        }
        const Time up = Best(startup);
        const Row wineDecode = MakeRow(dec, "quillconv.exe (32-bit, Wine)", txtMB, td - up);
        const Row wineEncode = MakeRow(enc, "quillconv.exe (32-bit, Wine)", binMB, te - up);
        char note[240];
        snprintf(note, sizeof note, "%.2f of native (cpu), %.2f (wall); start-up %.0f ms cpu taken off%s",
                 nativeDecode.cpu > 0 ? wineDecode.cpu / nativeDecode.cpu : 0,
                 nativeDecode.wall > 0 ? wineDecode.wall / nativeDecode.wall : 0, up.cpu * 1000,
                 okd ? "" : " WRONG OUTPUT");
        rows.push_back(wineDecode);
        rows.back().note = note;
        snprintf(note, sizeof note, "%.2f of native (cpu), %.2f (wall)%s",
                 nativeEncode.cpu > 0 ? wineEncode.cpu / nativeEncode.cpu : 0,
                 nativeEncode.wall > 0 ? wineEncode.wall / nativeEncode.wall : 0, oke ? "" : " WRONG OUTPUT");
        rows.push_back(wineEncode);
        rows.back().note = note;
        if (withApp)
        {
            // The program's rows: its conversions as the system saw them.
            const char* tool = "Quillmark.exe, its window (Wine)";
            Row d = MakeRow(dec, tool, txtMB, inAd), e = MakeRow(enc, tool, binMB, inAe);
            const auto ratio = [](const Runs& ours, const Runs& theirs) {
                const double o = MedianWall(ours), t = MedianWall(theirs);
                return o > 0 && !ours.Failed() && !theirs.Failed() ? t / o : 0;
            };
            snprintf(note, sizeof note, "%.2f of quillconv.exe (medians of %d in turns, from the input's opening to "
                     "the output's rename); click to box %.0f ms%s", ratio(inAd, inTd), kTurns,
                     MedianWall(clickAd) * 1000, appOkd ? "" : " WRONG OUTPUT");
            d.note = note;
            snprintf(note, sizeof note, "%.2f of quillconv.exe (medians, inside); click to box %.0f ms%s",
                     ratio(inAe, inTe), MedianWall(clickAe) * 1000, appOke ? "" : " WRONG OUTPUT");
            e.note = note;
            rows.push_back(d);
            rows.push_back(e);
        }
    }

    {
        const Runs td = best("xxd -r -p " + Quote(txt) + " > " + Quote(outBin), 1);
        const bool ok = SameContent(outBin, bin);
        rows.push_back(MakeRow(dec, "xxd -r -p", txtMB, td, ok ? "" : "WRONG OUTPUT"));
        const Runs te = best("xxd -p " + Quote(bin) + " > " + Quote(outTxt), 1);
        rows.push_back(MakeRow(enc, "xxd -p", binMB, te, "(60 digits a line)"));
    }
    {
        const std::string py = "python3 -c \"import sys; a=sys.argv; ";
        const Runs td = best(py + "open(a[2],'wb').write(bytes.fromhex(open(a[1]).read()))\" " +
                             Quote(txt) + " " + Quote(outBin), kRepeats);
        const bool ok = SameContent(outBin, bin);
        rows.push_back(MakeRow(dec, "python3 bytes.fromhex", txtMB, td, ok ? "(whole file in memory)" : "WRONG OUTPUT"));
        const Runs te = best(py + "open(a[2],'w').write(open(a[1],'rb').read().hex(' '))\" " +
                             Quote(bin) + " " + Quote(outTxt), kRepeats);
        rows.push_back(MakeRow(enc, "python3 bytes.hex(' ')", binMB, te, "(whole file in memory)"));
    }

    printf("Throughput, files in the page cache (%s), best of %d; MB = 10^6 bytes of input.\n",
           dir.c_str(), kRepeats);
    printf("MB/s cpu divides by processor time (user + system, children included), steady on a shared\n"
           "machine; MB/s wall by elapsed time. \"ours / it\": our best file-to-file cpu figure (in-process or\n"
           "quillconv) / the tool's. \"min / median / max\": MB/s cpu of each run (wall where no cpu is\n"
           "measured); a wide spread means the machine was busy.\n");
    printf("The dispatch picks here: reader %s, writer %s.\n", HexReaderKernelName(), HexWriterKernelName());
    PrintTable(rows, dec);
    PrintTable(rows, enc);
    PrintTable(rows, oddDir);
    PrintTable(rows, lines);
    for (const std::string& table : recordTables) PrintTable(rows, table);
    printf("\n");
    remove(outBin.c_str());
    remove(outTxt.c_str());
    remove(linesTxt.c_str());
    return 0;
}
