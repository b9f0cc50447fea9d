// The SIMD kernels entered as 32-bit Windows may enter them: a thread, window procedure or callback
// starts with the stack aligned to 4 bytes only, while GCC's i686 code assumes 16 and keeps vector
// constants in stack slots that aligned SSE loads read. Each kernel's work below runs on a thread
// whose stack is 4, 8 and 12 bytes off at the call, and must give the scalar kernel's result.
#include "core/HexCodec.h"
#include "core/RecordReader.h"
#include "core/RecordWriter.h"
#include "tests/core/MemoryStreams.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
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

typedef std::function<std::string(HexKernel)> Work;

struct Call { const Work* work; HexKernel kernel; unsigned offset; std::string result; };

DWORD WINAPI ThreadMain(void* param)
{
    void (*run)(void*) = [](void* p) { Call& call = *static_cast<Call*>(p); call.result = (*call.work)(call.kernel); };
    QuillCallMisaligned(run, param, static_cast<Call*>(param)->offset);
    return 0;
}

std::string Written(HexKernel kernel, const HexLayout& layout, const std::string& bytes)
{
    CHexWriter writer(kernel, layout);
    std::vector<char> text(writer.MaxOutput(bytes.size()) + writer.MaxOutput(0));
    size_t n = writer.Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), text.data());
    n += writer.Finish(text.data() + n);
    return std::string(text.data(), n);
}

std::string Read(HexKernel kernel, const std::string& text)
{
    std::string bytes(CHexReader::MaxOutput(text.size()), '\0');
    bytes.resize(CHexReader(kernel).Decode(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                           reinterpret_cast<unsigned char*>(&bytes[0])));
    return bytes;
}

// The records written and the image read back from them.
std::string Records(HexKernel kernel, RecordFormat format, unsigned perRecord, const std::string& bytes)
{
    const RecordLayout layout{ format, perRecord, 0xfff0, bytes.size(), "image.bin" };
    MemoryFile in(bytes);
    MemoryOutput text, image;
    if (!WriteRecords(in, text, layout, kernel).Ok()) return "write failed";
    MemoryFile back(text.m_data);
    RecordReadOptions options;
    options.kernel = kernel;
    return text.m_data + (ReadRecords(format, back, image, options).Ok() ? image.m_data : "read failed");
}

} // namespace

TEST(MisalignedStack, EveryKernelGivesTheScalarResult)
{
    std::mt19937 random(17);
    std::string bytes(70000, '\0');
    for (char& b : bytes) b = char(random());
    const std::string small = bytes.substr(0, 4096 + 37);
    // Every layout written, and read back with CR LF and LF lines (the readers' fast path); records.
    std::vector<std::pair<std::string, Work>> works;
    for (const HexLayout& layout : {HexLayout(), HexLayout(8), HexLayout(8, true), HexLayout(16),
                                    HexLayout(16, true), HexLayout(32), HexLayout(32, true)}) {
        const std::string name = std::to_string(layout.nBytesPerLine) + (layout.bComments ? "c" : "");
        const std::string text = Written(HexKernelScalar, layout, small);
        std::string lf;
        for (char c : text)
            if (c != '\r') lf += c;
        works.push_back({"write " + name, [=](HexKernel k) { return Written(k, layout, small); }});
        works.push_back({"read " + name, [=](HexKernel k) { return Read(k, text); }});
        works.push_back({"read LF " + name, [=](HexKernel k) { return Read(k, lf); }});
    }
    for (RecordFormat format : {RecordIntelHex, RecordSRecord})
        for (unsigned perRecord : {16u, 32u})
            works.push_back({"records " + std::to_string(format) + "/" + std::to_string(perRecord),
                             [=](HexKernel k) { return Records(k, format, perRecord, bytes); }});
    int ran = 0;
    for (HexKernel kernel : {HexKernelSsse3, HexKernelAvx2, HexKernelAvx512}) {
        if (!HexKernelSupported(kernel)) continue;
        for (const auto& work : works) {
            const std::string scalar = work.second(HexKernelScalar);
            for (unsigned offset : {4u, 8u, 12u}) {
                Call call{&work.second, kernel, offset, {}};
                HANDLE thread = CreateThread(NULL, 0, ThreadMain, &call, 0, NULL);
                ASSERT_TRUE(thread != NULL);
                WaitForSingleObject(thread, INFINITE);
                CloseHandle(thread);
                EXPECT_TRUE(call.result == scalar) << work.first << ", kernel " << kernel << ", off by " << offset;
                ++ran;
            }
        }
    }
    if (ran == 0) GTEST_SKIP() << "this processor runs no SIMD kernel";
}
