// The SIMD kernels entered as 32-bit Windows may enter them: a thread procedure, window procedure
// or callback starts with the stack aligned to 4 bytes only, while GCC's i686 code assumes 16 and
// keeps vector constants in stack slots that legacy SSE instructions read with an aligned
// operand. Every kernel and layout runs here on a thread whose stack is misaligned by 4, 8 and
// 12 bytes at the call, and must give the scalar kernel's bytes (the readers' fast path for the
// writer's layouts among them, with CR LF and with LF lines); so do the record formats' reader
// and writer.
#include "core/HexCodec.h"
#include "core/RecordReader.h"
#include "core/RecordWriter.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

// Calls fn(arg) with the stack pointer `offset` bytes short of a 16-byte boundary at the call.
extern "C" void QuillCallMisaligned(void (*fn)(void*), void* arg, unsigned offset);
asm(".text\n"
    ".globl _QuillCallMisaligned\n"
    "_QuillCallMisaligned:\n"
    "    push %ebp\n"
    "    mov %esp, %ebp\n"
    "    mov 8(%ebp), %eax\n"
    "    mov 12(%ebp), %ecx\n"
    "    mov 16(%ebp), %edx\n"
    "    and $-16, %esp\n"
    "    sub %edx, %esp\n"
    "    sub $12, %esp\n"
    "    push %ecx\n"          // esp is now offset bytes below a 16-byte boundary
    "    call *%eax\n"
    "    mov %ebp, %esp\n"
    "    pop %ebp\n"
    "    ret\n");

namespace {

struct Job {
    HexKernel kernel;
    HexLayout layout;
    unsigned offset;
    const std::vector<unsigned char>* bytes;
    std::string text;                 // what the kernel wrote
    std::vector<unsigned char> back;  // what the kernel read back from the scalar text
    std::vector<unsigned char> backLf;  // and from it with LF line ends
    const std::string* scalarText;
};

std::vector<unsigned char> Read(HexKernel kernel, const std::string& text)
{
    CHexReader reader(kernel);
    std::vector<unsigned char> bytes(CHexReader::MaxOutput(text.size()));
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.data());
    bytes.resize(reader.Decode(in, text.size(), bytes.data()));
    return bytes;
}

void RunKernel(void* param)
{
    Job& job = *static_cast<Job*>(param);
    CHexWriter writer(job.kernel, job.layout);
    std::vector<char> text(writer.MaxOutput(job.bytes->size()) + writer.MaxOutput(0) + 64);
    size_t length = writer.Encode(job.bytes->data(), job.bytes->size(), text.data());
    length += writer.Finish(text.data() + length);
    job.text.assign(text.data(), length);

    job.back = Read(job.kernel, *job.scalarText);
    std::string lf;
    for (char c : *job.scalarText)
        if (c != '\r') lf += c;
    job.backLf = Read(job.kernel, lf);
}

struct Call {
    void (*fn)(void*);
    void* arg;
    unsigned offset;
};

DWORD WINAPI ThreadMain(void* param)
{
    Call& call = *static_cast<Call*>(param);
    QuillCallMisaligned(call.fn, call.arg, call.offset);
    return 0;
}

// Runs fn(arg) on a new thread, offset bytes off alignment at the call; the thread's exit code.
DWORD RunMisaligned(void (*fn)(void*), void* arg, unsigned offset)
{
    Call call{fn, arg, offset};
    HANDLE thread = CreateThread(NULL, 0, ThreadMain, &call, 0, NULL);
    if (!thread) return GetLastError();
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

// Memory as a record source and sink.
struct Memory : CSeekableSource, CRestartableSink {
    std::string data;
    size_t pos = 0;
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        got = std::min(capacity, data.size() - pos);
        memcpy(buffer, data.data() + pos, got);
        pos += got;
        return true;
    }
    bool Seek(uint64_t offset) override { pos = size_t(offset); return true; }
    bool Write(const void* buffer, size_t size) override
    {
        data.append(static_cast<const char*>(buffer), size);
        return true;
    }
    bool Restart() override { data.clear(); return true; }
};

struct RecordJob {
    RecordLayout layout;
    HexKernel kernel;
    const std::vector<unsigned char>* bytes;
    std::string text;
    std::string image;
};

void RunRecords(void* param)
{
    RecordJob& job = *static_cast<RecordJob*>(param);
    Memory in, text, image;
    in.data.assign(job.bytes->begin(), job.bytes->end());
    if (!WriteRecords(in, text, job.layout, job.kernel).Ok()) return;
    job.text = text.data;
    RecordReadOptions options;
    options.kernel = job.kernel;
    if (ReadRecords(job.layout.format, text, image, options).Ok()) job.image = image.data;
}

std::string ScalarText(const std::vector<unsigned char>& bytes, const HexLayout& layout)
{
    CHexWriter writer(HexKernelScalar, layout);
    std::vector<char> text(writer.MaxOutput(bytes.size()) + writer.MaxOutput(0) + 64);
    size_t length = writer.Encode(bytes.data(), bytes.size(), text.data());
    length += writer.Finish(text.data() + length);
    return std::string(text.data(), length);
}

} // namespace

TEST(MisalignedStack, EveryKernelAndLayoutGivesTheScalarBytes)
{
    std::mt19937 random(17);
    std::vector<unsigned char> bytes(4096 + 37);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
    const HexLayout layouts[] = {HexLayout(), HexLayout(8), HexLayout(8, true), HexLayout(16),
                                 HexLayout(16, true), HexLayout(32), HexLayout(32, true)};
    int ran = 0;
    for (HexKernel kernel : {HexKernelSsse3, HexKernelAvx2}) {
        if (!HexKernelSupported(kernel)) continue;
        for (const HexLayout& layout : layouts) {
            const std::string scalar = ScalarText(bytes, layout);
            for (unsigned offset : {4u, 8u, 12u}) {
                Job job{kernel, layout, offset, &bytes, {}, {}, {}, &scalar};
                const DWORD code = RunMisaligned(RunKernel, &job, offset);
                const std::string what = "kernel " + std::to_string(kernel) + ", " +
                                         std::to_string(layout.nBytesPerLine) + " a line" +
                                         (layout.bComments ? " with comments" : "") +
                                         ", stack off by " + std::to_string(offset);
                EXPECT_EQ(code, 0u) << what;
                EXPECT_TRUE(job.text == scalar) << what << ": the written text differs";
                EXPECT_TRUE(job.back == bytes && job.backLf == bytes) << what << ": the bytes read back differ";
                ++ran;
            }
        }
    }
    if (ran == 0) GTEST_SKIP() << "this processor runs no SIMD kernel";
}

TEST(MisalignedStack, RecordReaderAndWriterGiveTheScalarText)
{
    std::mt19937 random(29);
    std::vector<unsigned char> bytes(70000);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
    for (RecordFormat format : {RecordIntelHex, RecordSRecord})
        for (unsigned perRecord : {16u, 32u}) {
            RecordLayout layout;
            layout.format = format;
            layout.bytesPerRecord = perRecord;
            layout.address = 0xfff0;
            layout.size = bytes.size();
            layout.name = "image.bin";
            RecordJob scalar{layout, HexKernelScalar, &bytes, {}, {}};
            RunRecords(&scalar);
            ASSERT_FALSE(scalar.text.empty());
            for (unsigned offset : {4u, 8u, 12u}) {
                RecordJob job{layout, HexKernelBest, &bytes, {}, {}};
                EXPECT_EQ(RunMisaligned(RunRecords, &job, offset), 0u);
                EXPECT_TRUE(job.text == scalar.text && job.image == std::string(bytes.begin(), bytes.end()))
                    << "format " << format << ", " << perRecord << " a record, stack off by " << offset;
            }
        }
}
