// One file's conversion through the engine under faults forced for real: what the result says and
// what stays on the disk. An output is whole or the old one stays, and no temporary file is left.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/FileConversion.h"
#include "tests/TestSupport.h"

using namespace testkit;

namespace {

// The temporary file name CSafeOutput makes after the one it made last ("~quillmark-pid-n.tmp").
std::string NextTempName(const std::string& folder)
{
    CSafeOutput probe;
    probe.Open((folder + "\\probe").c_str());
    std::string last;
    ForEntries(folder, [&](const std::string& name, DWORD) { if (name.rfind("~quillmark-", 0) == 0) last = name; });
    probe.Abandon();
    unsigned long pid = 0, n = 0;
    sscanf(last.c_str(), "~quillmark-%lx-%lx.tmp", &pid, &n);
    char next[64];
    snprintf(next, sizeof next, "~quillmark-%lx-%lx.tmp", pid, n + 1);
    return next;
}

struct Converted {
    FileConversionResult result;
    std::string output;   // the output's bytes afterwards
    int files = 0;        // plain files in its folder afterwards
};

Converted Convert(const std::string& input, const std::string& output, int mode = 0)
{
    ConvertOptions options;
    options.mode = mode;
    CSafeOutput written;
    Converted c;
    c.result = ConvertFile(input.c_str(), output.c_str(), options, written);
    if (c.result.Done()) CommitFile(written, c.result);
    c.output = ReadBytes(output);
    c.files = FilesIn(output.substr(0, output.find_last_of("\\/")));
    return c;
}

// Each fault keeps the old output. The test runs in a folder of its own, which must stay empty: an
// output typed with '/' gets its temporary file beside it, never in the current folder.
TEST(SafeOutput, EachForcedFaultKeepsTheOldOutput)
{
    ASSERT_TRUE(HookRenames());
    ScratchFolder current;
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(current.Path().c_str());
    const struct {
        const char* name;
        std::function<std::shared_ptr<void>(std::string& out)> force; // held while converting
        FileConversionResult::Stage stage;
        DWORD error;
        CSafeOutput::Problem problem;
        const char* output; // afterwards
    } cases[] = {
        {"none", [](std::string&) { return nullptr; }, FileConversionResult::kDone, 0, CSafeOutput::kNoProblem, "AB"},
        {"an output typed with '/'", [](std::string& out) {
             for (char& c : out) c = c == '\\' ? '/' : c;
             return nullptr;
         }, FileConversionResult::kDone, 0, CSafeOutput::kNoProblem, "AB"},
        {"held without delete sharing", [](std::string& out) { return std::make_shared<HeldFile>(out, "rw"); },
         FileConversionResult::kOutputOpen, ERROR_SHARING_VIOLATION, CSafeOutput::kHeld, "old"},
        {"the rename refused", [](std::string&) {
             failRenames = true;
             return std::shared_ptr<void>(nullptr, [](void*) { failRenames = false; });
         }, FileConversionResult::kConvert, ERROR_ACCESS_DENIED, CSafeOutput::kHeld, "old"},
        // A name left by an earlier run of this process id is passed over.
        {"a folder where the temporary file goes", [](std::string& out) {
             const std::string folder = out.substr(0, out.rfind('\\')) + "\\" + NextTempName(out.substr(0, out.rfind('\\')));
             CreateDirectoryA(folder.c_str(), NULL);
             return std::shared_ptr<void>(nullptr, [folder](void*) { RemoveDirectoryA(folder.c_str()); });
         }, FileConversionResult::kDone, 0, CSafeOutput::kNoProblem, "AB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        WriteBytes(dir / "in.txt", "41 42");
        WriteBytes(dir / "out.dat", "old");
        Converted done;
        std::string out = dir / "out.dat";
        {
            const std::shared_ptr<void> forced = c.force(out);
            done = Convert(dir / "in.txt", out);
        }
        EXPECT_EQ(done.result.stage, c.stage);
        EXPECT_EQ(done.result.error, c.error);
        EXPECT_EQ(done.result.problem, c.problem);
        EXPECT_EQ(std::string(done.result.path), out);
        EXPECT_EQ(done.output, c.output);
        EXPECT_EQ(done.files, 2) << "no temporary file stays";
    }
    SetCurrentDirectoryA(before);
    EXPECT_EQ(FilesIn(current.Path()), 0);
}

// A real 256 KiB disk (mounted by the ctest entry engine_small_disk) fills mid-conversion: the
// result gives the system's reason (112), and only the old output is left.
TEST(SafeOutput, AFullSmallDiskGivesTheSystemsReason)
{
    const char* disk = getenv("QUILL_SMALL_DISK");
    if (!disk) GTEST_SKIP() << "runs as the ctest entry engine_small_disk, on a small disk it mounts";
    ScratchFolder dir;
    std::string bytes(1000 * 1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    std::string text;
    for (int i = 0; i < 1000 * 1024; ++i) text += "41 42 43 ";
    WriteBytes(dir / "big.txt", text);
    WriteBytes(dir / "big.bin", bytes);
    WriteBytes(std::string(disk) + "\\old", "old");
    for (int mode = 0; mode < 2; ++mode) { // 3 MB of output either way, more than a block
        const Converted done = Convert(dir / (mode ? "big.bin" : "big.txt"), std::string(disk) + "\\old", mode);
        EXPECT_EQ(done.result.stage, FileConversionResult::kConvert) << mode;
        EXPECT_EQ(done.result.error, static_cast<DWORD>(ERROR_DISK_FULL)) << mode;
        EXPECT_EQ(done.output, "old") << mode;
        EXPECT_EQ(done.files, 1) << mode;
    }
    DeleteFileA((std::string(disk) + "\\old").c_str());
}

} // namespace
