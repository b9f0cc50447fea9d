// The conversions on real files, opened the way the pages open them. The format and the block
// boundaries are the codec's; here the bytes pass through files, and failures come back.
#include "core/Conversion.h"

#include "foundation/CFile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Writes that may report success after writing less than they were given: with s_cut 1 a byte
// less than asked (when more than one), with -1 nothing at all.
int s_cut = 0;
BOOL WINAPI CutWrite(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
{
    static const auto real = testkit::Kernel32<decltype(&CutWrite)>("WriteFile");
    if (s_cut < 0) return *written = 0, TRUE;
    return real(file, buffer, s_cut && count > 1 ? count - 1 : count, written, overlapped);
}

} // namespace

TEST(Conversion, ThroughFilesAndFailures)
{
    testkit::HookImport(reinterpret_cast<void*>(&WriteFile), reinterpret_cast<void*>(&CutWrite));
    testkit::ScratchFolder folder;
    const std::string in = folder / "in", out = folder / "out";
    // Z:\dev\full is the host's full device: every write fails with ERROR_DISK_FULL. An input
    // opened for writing only fails every read, which must not pass for the end of the file.
    // A short write is followed by one for the rest; a write that moves nothing is a failure.
    struct Case { int mode; unsigned width; std::string input, output; DWORD access; int cut;
                  DWORD error; bool writeFailed; std::string text; };
    const Case cases[] = {
        { 1, 0, std::string("\x00\x0a\xff", 3), out, GENERIC_READ, 0, 0, false, "00 0a ff " },
        { 1, 16, "MZ", out, GENERIC_READ, 0, 0, false, "4d 5a" + std::string(42, ' ') + "  # 00000000  MZ\r\n" },
        { 0, 0, "41 42", "Z:\\dev\\full", GENERIC_READ, 0, ERROR_DISK_FULL, true, "" },
        { 1, 0, "AB", "Z:\\dev\\full", GENERIC_READ, 0, ERROR_DISK_FULL, true, "" },
        { 0, 0, "41 42", out, GENERIC_WRITE, 0, ERROR_ACCESS_DENIED, false, "" },
        { 1, 0, "41 42", out, GENERIC_WRITE, 0, ERROR_ACCESS_DENIED, false, "" },
        { 0, 0, "41 42", out, GENERIC_READ, 1, 0, false, "AB" },
        { 1, 0, "41 42", out, GENERIC_READ, 1, 0, false, "34 31 20 34 32 " },
        { 1, 0, "41 42", out, GENERIC_READ, -1, ERROR_WRITE_FAULT, true, "" },
    };
    for (const Case& c : cases)
    {
        const std::string row = std::to_string(&c - cases);
        testkit::WriteBytes(in, c.input);
        Vexa::CFile input(in.c_str(), c.access, OPEN_EXISTING);
        Vexa::CFile output(c.output.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        ConvertOptions options;
        options.mode = c.mode;
        options.layout = HexLayout(c.width, c.width != 0);
        s_cut = c.cut;
        const StreamResult result = Convert(input, output, options);
        s_cut = 0;
        EXPECT_EQ(result.error, c.error) << row;
        if (c.error) {
            EXPECT_EQ(result.failure, c.writeFailed ? StreamResult::kWrite : StreamResult::kRead) << row;
            continue;
        }
        output.Close();
        EXPECT_TRUE(c.text.empty() || testkit::ReadBytes(out) == c.text) << row;
    }
}
