// CRun: one run of conversions (the rows of a batch, or one file) on a worker thread, so that the
// front end that started it stays free. The worker reads and converts; two committer threads, fed
// by it in order, commit the written outputs (flush, rename), so that the disk's flushes overlap
// each other and the next file's conversion. The run reports to a CRunObserver: its progress,
// each file's outcome and its end. Every thread it starts is fenced: whatever one of them throws
// (an allocation that fails, an observer that throws) ends the run with the files it did not
// convert failed, and leaves no temporary file and no staging folder behind.
//   CRunFile     - one file of a run and what became of it
//   CRunObserver - what a front end is told while a run goes on
//   CRun         - the run
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "core/Conversion.h"
#include "engine/FileConversion.h"
#include "foundation/CString.h"

struct CRunFile {
    Vexa::CString input;
    Vexa::CString output;
    int row = -1;          // the front end's own number for it (the batch list's row)
    Vexa::CString skipped; // why the file is left out before the run, in the front end's words
    bool reached = false;  // converted or failed; false when the run stopped before it or in it
    // (the outputs already written when a stop comes are still committed: they were converted)
    FileConversionResult result;
};

class CRun;

// Told from the run's threads, one call at a time. A call that throws ends the run as a failure.
class CRunObserver {
public:
    virtual ~CRunObserver() {}
    // At most every 100 ms while the run goes on: FilesPassed, GetKiBRead and GetKiBTotal say
    // how far it is.
    virtual void OnRunProgress(CRun&) {}
    // Once for each file the run has passed: committed, failed, skipped, or cut short by a stop
    // (reached is false then, and its old output stays).
    virtual void OnFileDone(CRun&, const CRunFile&) {}
    // Once, last: every outcome is known, and Wait returns at once.
    virtual void OnRunEnd(CRun&) {}
};

class CRun : private CConversionObserver {
public:
    CRun();
    // Stops a run still under way and waits for it.
    ~CRun();

    CRun(const CRun&) = delete;
    CRun& operator=(const CRun&) = delete;

    // Converts the files as options say on a new thread, telling observer. outputFolder, for a
    // batch, is the folder all outputs go to (COutputFolder). 0, or the system's error number
    // when the worker could not be started (nothing was touched then).
    DWORD Start(CRunObserver& observer, const ConvertOptions& options, std::vector<CRunFile> files,
                const char* outputFolder = nullptr);
    // Waits at most ms for the worker to end; true when it has.
    bool WaitFor(DWORD ms);
    // Asks the worker to stop after the block under way; that file is abandoned, the outputs
    // written before it are committed.
    void Stop();
    // Waits for the worker to end; the outcomes are complete afterwards.
    void Wait();

    // From Start until Wait.
    bool IsActive() const { return m_hThread != NULL; }
    bool IsStopRequested() const { return m_bStop; }
    // Files the run has passed (as OnFileDone tells them), the index of the file the worker
    // converts or converted last (-1 before the first), and of that file the KiB read and its size.
    int FilesPassed() const { return m_nPassed; }
    int GetCurrentFile() const { return m_nCurrent; }
    unsigned GetKiBRead() const { return m_nKiBRead; }
    unsigned GetKiBTotal() const { return m_nKiBTotal; }
    std::vector<CRunFile>& Files() { return m_files; }
    // Why the run ended before its files, 0 when it did not: ERROR_NOT_ENOUGH_MEMORY for an
    // allocation that failed, ERROR_INTERNAL_ERROR for anything else thrown. The files it left
    // fail with the same number.
    DWORD GetFault() const { return m_nFault; }

private:
    // A file handed from the worker to a committer; output is null when there is nothing to
    // commit.
    struct Written {
        size_t index = 0;
        std::unique_ptr<CSafeOutput> output;
    };
    enum { kQueued = 32, kCommitters = 2 };

    static DWORD WINAPI WorkerMain(void* param);
    static DWORD WINAPI CommitterMain(void* param);
    void Work();
    void ConvertAll(const class COutputFolder* folder);
    void FailTheRest(size_t from);
    void StartCommitters();
    void EndCommitters();
    void Hand(Written& written);
    bool Take(Written& written);
    void CommitAll();
    void Commit(Written& written);
    template <class Step> bool Fenced(Step step);
    void Fault(DWORD error);
    void Fail(CRunFile& file);
    void ReportFile(const CRunFile& file);
    void ReportProgress();
    bool OnBlock(unsigned long long bytesRead, unsigned long long bytesTotal) override;

    CRunObserver* m_pObserver;
    ConvertOptions m_options;
    Vexa::CString m_strOutputFolder;
    HANDLE m_hThread;
    std::vector<CRunFile> m_files;
    size_t m_nHanded; // files handed on by the worker, whose outcomes are or will be known
    std::atomic<bool> m_bStop;
    std::atomic<DWORD> m_nFault;
    std::atomic<int> m_nPassed;
    std::atomic<int> m_nCurrent;
    std::atomic<unsigned> m_nKiBRead;
    std::atomic<unsigned> m_nKiBTotal;
    std::atomic<DWORD> m_dwLastReport; // changed under m_report
    // The observer is told one thing at a time.
    CRITICAL_SECTION m_report;
    // The queue of written outputs, a ring that never allocates: the worker waits for space, the
    // committers for items. The waits stay in the process while nobody has to sleep.
    HANDLE m_hCommitters[kCommitters];
    DWORD m_nCommitters; // started
    CRITICAL_SECTION m_lock;
    CONDITION_VARIABLE m_items;
    CONDITION_VARIABLE m_space;
    Written m_queue[kQueued];
    size_t m_nFirst;
    size_t m_nQueued;
    bool m_bEnded; // no more items come
};
