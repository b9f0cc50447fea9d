// CConversionRun: one run of conversions (the checked rows of the batch page, or the one file of
// the individual page) on a worker thread, so that the window keeps answering. The worker reads
// and converts; two committer threads, fed by it in order, commit the written outputs (flush,
// rename), so that the disk's flushes overlap each other and the next file's conversion. None of
// them touches a window: the run posts WM_RUNPROGRESS (at most every 100 ms) and, once,
// WM_RUNDONE to the window that started it, which reads the figures meanwhile and the outcomes
// after Wait. Both messages carry the run's serial number in WPARAM, so a late one of an earlier
// run is known.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "app/FileConversion.h"
#include "core/Conversion.h"
#include "foundation/CString.h"

#define WM_RUNPROGRESS (WM_APP + 16)
#define WM_RUNDONE (WM_APP + 17)

// One file of a run and, once the run has passed it, what became of it.
struct CRunFile {
    Vexa::CString input;
    Vexa::CString output;
    int row = -1;   // the batch list's row
    Vexa::CString skipped; // why the file is left out before the run; empty when it is not
    bool reached = false; // converted or failed; false when the run stopped before it or in it
    // (the outputs already written when a stop comes are still committed: they were converted)
    FileConversionResult result;
};

class CConversionRun : private CConversionObserver {
public:
    CConversionRun();
    // Stops a run still under way and waits for it.
    ~CConversionRun();

    CConversionRun(const CConversionRun&) = delete;
    CConversionRun& operator=(const CConversionRun&) = delete;

    // Converts the files as options say on a new thread; notify gets the posted messages.
    // outputFolder, for a batch, is the folder the outputs go to (COutputFolder). False when the
    // thread could not be started.
    bool Start(HWND notify, const ConvertOptions& options, std::vector<CRunFile> files,
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
    // Counts the runs started; the posted messages carry it.
    WPARAM GetSerial() const { return m_nSerial; }
    // Files whose outcome is known (committed or failed), and of the file under way the KiB read
    // and its size.
    int FilesPassed() const { return m_nPassed; }
    unsigned GetKiBRead() const { return m_nKiBRead; }
    unsigned GetKiBTotal() const { return m_nKiBTotal; }
    std::vector<CRunFile>& Files() { return m_files; }

private:
    // A file handed from the worker to a committer; output is null when there is nothing to
    // commit, index past the files ends the queue.
    struct Written {
        size_t index;
        std::unique_ptr<CSafeOutput> output;
    };

    static DWORD WINAPI ThreadMain(void* param);
    static DWORD WINAPI CommitterMain(void* param);
    void Work();
    void Hand(Written written);
    void Commit(Written& written);
    void CommitAll();
    bool OnBlock(unsigned long long bytesRead, unsigned long long bytesTotal) override;
    void PostProgress();

    HWND m_hNotify;
    ConvertOptions m_options;
    Vexa::CString m_strOutputFolder;
    WPARAM m_nSerial;
    HANDLE m_hThread;
    std::vector<CRunFile> m_files;
    std::atomic<bool> m_bStop;
    std::atomic<int> m_nPassed;
    std::atomic<unsigned> m_nKiBRead;
    std::atomic<unsigned> m_nKiBTotal;
    std::atomic<DWORD> m_dwLastPost;
    // The queue of written outputs: the worker waits for space, the committers for items. The
    // waits stay in the process while nobody has to sleep (no kernel object per file).
    HANDLE m_hCommitters[2];
    DWORD m_nCommitters; // started
    CRITICAL_SECTION m_lock;
    CONDITION_VARIABLE m_items;
    CONDITION_VARIABLE m_space;
    std::deque<Written> m_queue;
};
