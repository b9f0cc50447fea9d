// Batch runs on the engine's threads with a stop, progress and every fault a thread may meet: each
// file's outcome tells the truth about its output, and no temporary file or needless folder stays.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "engine/CRun.h"
#include "tests/TestSupport.h"

using namespace testkit;

namespace {

const DWORD s_mainThread = GetCurrentThreadId();

// Allocations of the run's threads fail while set.
std::atomic<bool> s_failNew{false};

// The n-th read of the run's threads (n = s_readsLeft) waits for s_release, or s_slowMs.
LONG s_readsLeft = 0;
DWORD s_slowMs = 0;
HANDLE s_reached = CreateEventA(NULL, TRUE, FALSE, NULL), s_release = CreateEventA(NULL, TRUE, FALSE, NULL);
BOOL WINAPI HeldReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (GetCurrentThreadId() != s_mainThread && InterlockedDecrement(&s_readsLeft) == 0) {
        SetEvent(s_reached);
        if (s_slowMs) Sleep(s_slowMs);
        else WaitForSingleObject(s_release, INFINITE);
    }
    return Kernel32<decltype(&HeldReadFile)>("ReadFile")(file, buffer, size, read, overlapped);
}

// The first flush throws while set, as an allocation inside it would; with s_holdFlushes each
// waits for s_release, so that at a stop the files written before it still wait to be committed.
std::atomic<bool> s_throwInFlush{false}, s_holdFlushes{false};
BOOL WINAPI ThrowingFlush(HANDLE file)
{
    if (s_throwInFlush.exchange(false)) throw std::bad_alloc();
    if (s_holdFlushes) WaitForSingleObject(s_release, INFINITE);
    return Kernel32<decltype(&ThrowingFlush)>("FlushFileBuffers")(file);
}

// So many threads may still be started; -1 any number.
LONG s_threadsLeft = -1;
HANDLE WINAPI CountedCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                  LPVOID param, DWORD flags, LPDWORD id)
{
    if (s_threadsLeft >= 0 && InterlockedDecrement(&s_threadsLeft) < 0) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
    return Kernel32<decltype(&CountedCreateThread)>("CreateThread")(security, stack, start, param, flags, id);
}

// Counts what it is told, allocating nothing; throws where asked.
class Observer : public CRunObserver {
public:
    std::atomic<int> progress{0}, files{0}, ends{0}, passedAtProgress{-1};
    bool throwOnProgress = false;
    int throwAtFile = -1;

private:
    void OnRunProgress(CRun& run) override
    {
        ++progress;
        passedAtProgress = run.FilesPassed();
        if (throwOnProgress) throw std::runtime_error("progress");
    }
    void OnFileDone(CRun&, const CRunFile&) override { if (files++ == throwAtFile) throw 1; }
    void OnRunEnd(CRun&) override { ++ends; }
};

} // namespace

void* operator new(size_t size)
{
    if (s_failNew && GetCurrentThreadId() != s_mainThread) throw std::bad_alloc();
    if (void* block = malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
#pragma GCC diagnostic pop

namespace {

TEST(Run, EachFileTellsTheTruthWhateverHappens)
{
    HookImport(reinterpret_cast<void*>(&ReadFile), reinterpret_cast<void*>(&HeldReadFile));
    HookImport(reinterpret_cast<void*>(&FlushFileBuffers), reinterpret_cast<void*>(&ThrowingFlush));
    HookImport(reinterpret_cast<void*>(&CreateThread), reinterpret_cast<void*>(&CountedCreateThread));
    const int kFiles = 6;
    const struct {
        const char* name;
        LONG heldRead;  // the read that is held (0 none); each file takes one
        DWORD slowMs;   // held that long, or until the stop
        std::function<void(Observer&)> force;
        DWORD started;  // Start's result
        DWORD fault;
        const char* outputs; // per file: A converted, o the old output (none below); '*' either, as told
    } cases[] = {
        {"a stop at the fourth file", 4, 0, [](Observer&) {}, 0, 0, "AAAooo"},
        {"an observer that throws on progress", 4, 150, [](Observer& o) { o.throwOnProgress = true; }, 0,
         ERROR_INTERNAL_ERROR, "AAAooo"},
        {"an observer that throws on a file", 0, 0, [](Observer& o) { o.throwAtFile = 1; }, 0, ERROR_INTERNAL_ERROR, "AA****"},
        {"allocations that fail", 0, 0, [](Observer&) { s_failNew = true; }, 0, ERROR_NOT_ENOUGH_MEMORY, "oooooo"},
        {"a commit that throws", 0, 0, [](Observer&) { s_throwInFlush = true; }, 0, ERROR_NOT_ENOUGH_MEMORY, "o*****"},
        {"no committer", 0, 0, [](Observer&) { s_threadsLeft = 1; }, 0, 0, "AAAAAA"},
        {"no worker", 0, 0, [](Observer&) { s_threadsLeft = 0; }, ERROR_NOT_ENOUGH_MEMORY, 0, "oooooo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        const std::string in = dir / "in", out = dir / "out";
        CreateDirectoryA(in.c_str(), NULL), CreateDirectoryA(out.c_str(), NULL);
        std::vector<CRunFile> files(kFiles);
        const std::string sub = out + "\\made\\sub"; // the last three files' outputs, in folders made for them
        for (int i = 0; i < kFiles; ++i) {
            files[i].input = (in + "\\" + std::to_string(i) + ".txt").c_str();
            files[i].output = ((i < 3 ? out : sub) + "\\" + std::to_string(i) + ".dat").c_str();
            WriteBytes(static_cast<const char*>(files[i].input), "41 42");
            if (i < 3) WriteBytes(static_cast<const char*>(files[i].output), "old");
        }
        Observer observer;
        ResetEvent(s_reached), ResetEvent(s_release);
        s_readsLeft = c.heldRead, s_slowMs = c.slowMs;
        s_holdFlushes = c.heldRead && !c.slowMs;
        c.force(observer);
        CRun run;
        EXPECT_EQ(run.Start(observer, ConvertOptions(), files, out.c_str()), c.started);
        if (c.heldRead && !c.slowMs) {
            EXPECT_EQ(WaitForSingleObject(s_reached, 30000), WAIT_OBJECT_0);
            run.Stop();
            SetEvent(s_release);
        }
        run.Wait();
        s_failNew = s_throwInFlush = s_holdFlushes = false;
        s_threadsLeft = -1, s_readsLeft = 0;
        EXPECT_EQ(run.GetFault(), c.fault);
        EXPECT_EQ(observer.ends, c.started ? 0 : 1);
        int told = 0, below = 0;
        for (int i = 0; i < kFiles; ++i) {
            const CRunFile& file = run.Files()[i];
            const std::string bytes = ReadBytes(static_cast<const char*>(file.output)), old = i < 3 ? "old" : "<missing>";
            const bool converted = file.reached && file.result.Done();
            told += file.reached;
            below += i >= 3 && converted;
            EXPECT_EQ(bytes, converted ? "AB" : old) << i;
            if (c.outputs[i] != '*') {
                EXPECT_EQ(bytes, c.outputs[i] == 'A' ? "AB" : old) << i;
            }
            // A fault leaves no file without an outcome: each one it kept from its output fails with it.
            if (c.fault && !converted) {
                EXPECT_TRUE(file.reached && file.result.error == c.fault) << i;
            }
        }
        // Each file passed is told once, the one a stop cut short too.
        EXPECT_EQ(observer.files, run.FilesPassed());
        EXPECT_EQ(run.FilesPassed(), told + (c.heldRead && !c.slowMs));
        if (c.slowMs) {
            EXPECT_TRUE(observer.progress >= 1 && observer.passedAtProgress <= kFiles) << observer.passedAtProgress;
        }
        EXPECT_EQ(FilesIn(out) + FilesIn(sub), 3 + below) << "no temporary file stays";
        int folders = 0;
        for (const std::string& folder : {out, out + "\\made", sub})
            ForEntries(folder, [&](const std::string&, DWORD attributes) { folders += (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; });
        EXPECT_EQ(folders, below ? 2 : 0) << "nor a staging folder, nor a folder made for no output";
    }
}

} // namespace
