// The conversions on real files through the pipeline with short reads and writes: the bytes pass
// through files, and failures come back with their side.
#include "core/Conversion.h"

#include "foundation/CFile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Writes that report success after writing less: with s_cut 1 a byte less, with -1 nothing at all.
int s_cut = 0;
BOOL WINAPI CutWrite(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
{
    static const auto real = testkit::Kernel32<decltype(&CutWrite)>("WriteFile");
    if (s_cut < 0) return *written = 0, TRUE;
    return real(file, buffer, s_cut && count > 1 ? count - 1 : count, written, overlapped);
}

// Reads of at most an odd 65537 bytes, whichever thread makes them; the s_failRead-th fails.
LONG s_failRead = 0;
BOOL WINAPI ShortRead(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped)
{
    static const auto real = testkit::Kernel32<decltype(&ShortRead)>("ReadFile");
    if (InterlockedDecrement(&s_failRead) == 0) return SetLastError(ERROR_CRC), FALSE;
    return real(file, buffer, count < 65537 ? count : 65537, read, overlapped);
}

// Stops before the stopAt-th block, keeping what had been read then; asked on which threads.
struct Stopper : CConversionObserver {
    int stopAt = 0, asked = 0;
    unsigned long long readAtStop = 0;
    bool elsewhere = false;
    DWORD thread = GetCurrentThreadId();
    bool OnBlock(unsigned long long read, unsigned long long) override
    {
        elsewhere |= GetCurrentThreadId() != thread;
        if (stopAt && ++asked == stopAt) readAtStop = read;
        return !stopAt || asked < stopAt;
    }
};

} // namespace

TEST(Conversion, ThroughFilesAndFailures)
{
    testkit::HookImport(reinterpret_cast<void*>(&WriteFile), reinterpret_cast<void*>(&CutWrite));
    testkit::HookImport(reinterpret_cast<void*>(&ReadFile), reinterpret_cast<void*>(&ShortRead));
    // Large enough for the pipeline's threads either way.
    std::string bytes(2 << 20, '\0'), text;
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 + i / 4093);
    static const char kDigits[] = "0123456789abcdef";
    for (unsigned char b : bytes) text += {kDigits[b >> 4], kDigits[b & 15], ' '};
    testkit::ScratchFolder folder;
    const std::string in = folder / "in", out = folder / "out";
    // Z:\dev\full fails every write with ERROR_DISK_FULL; an input opened for writing only fails
    // every read, which is no end of file. A short write is followed by one for the rest; a write
    // that moves nothing fails, even the last block's, met only by the flush at the end.
    struct Case { int mode; unsigned width; std::string input, output; DWORD access; int cut;
                  DWORD error; bool writeFailed; std::string text; LONG failRead = 0; int stopAt = 0; };
    const Case cases[] = {
        { 0, 0, "41 42", "Z:\\dev\\full", GENERIC_READ, 0, ERROR_DISK_FULL, true, "" },
        { 0, 0, "41 42", out, GENERIC_WRITE, 0, ERROR_ACCESS_DENIED, false, "" },
        { 1, 0, "41 42", out, GENERIC_READ, -1, ERROR_WRITE_FAULT, true, "" },
        { 0, 0, text, out, GENERIC_READ, 1, 0, false, bytes }, { 1, 0, bytes, out, GENERIC_READ, 1, 0, false, text },
        { 0, 0, text, out, GENERIC_READ, 0, ERROR_CRC, false, "", 40 },
        { 1, 0, bytes, "Z:\\dev\\full", GENERIC_READ, 0, ERROR_DISK_FULL, true, "" },
        { 1, 0, bytes, out, GENERIC_READ, 0, ERROR_CRC, false, "", 20 },
        { 0, 0, text, out, GENERIC_READ, 0, ERROR_CANCELLED, false, "", 0, 3 },
        { 1, 0, bytes, out, GENERIC_READ, 0, ERROR_CANCELLED, false, "", 0, 10 },
    };
    for (const Case& c : cases)
    {
        const std::string row = std::to_string(&c - cases);
        testkit::WriteBytes(in, c.input);
        Vexa::CFile input(in.c_str(), c.access, OPEN_EXISTING);
        Vexa::CFile output(c.output.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        Stopper stopper;
        stopper.stopAt = c.stopAt;
        ConvertOptions options;
        options.mode = c.mode, options.layout = HexLayout(c.width, c.width != 0), options.observer = &stopper;
        s_cut = c.cut, s_failRead = c.failRead;
        const StreamResult result = Convert(input, output, options);
        s_cut = 0, s_failRead = 0;
        EXPECT_EQ(result.error, c.error) << row;
        EXPECT_FALSE(stopper.elsewhere) << row;
        EXPECT_TRUE(c.error ? result.failure == (c.writeFailed ? StreamResult::kWrite : StreamResult::kRead)
                            : output.Close() && (c.text.empty() || testkit::ReadBytes(out) == c.text)) << row;
        // Nothing read after a stop is converted.
        if (c.stopAt)
            EXPECT_TRUE(output.Close() && testkit::ReadBytes(out).size() <=
                        (c.mode ? 3 * stopper.readAtStop : stopper.readAtStop / 2)) << row;
    }
}
