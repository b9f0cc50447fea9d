#include "engine/CRun.h"

#include <new>

#include "engine/COutputFolder.h"

namespace {

// How often the observer hears how far the run is.
const DWORD kProgressEveryMs = 100;

// Holds a critical section for a scope, also one left by an exception.
class CLock {
public:
    explicit CLock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    ~CLock() { LeaveCriticalSection(&m_section); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

} // namespace

CRun::CRun()
    : m_pObserver(nullptr), m_hThread(NULL), m_nHanded(0), m_bStop(false), m_nFault(0), m_nPassed(0),
      m_nCurrent(-1), m_nKiBRead(0), m_nKiBTotal(0), m_dwLastReport(0), m_hCommitters(), m_nCommitters(0),
      m_nFirst(0), m_nQueued(0), m_bEnded(false)
{
    InitializeCriticalSection(&m_report);
    InitializeCriticalSection(&m_lock);
    InitializeConditionVariable(&m_items);
    InitializeConditionVariable(&m_space);
}

CRun::~CRun()
{
    Stop();
    Wait();
    DeleteCriticalSection(&m_lock);
    DeleteCriticalSection(&m_report);
}

DWORD CRun::Start(CRunObserver& observer, const ConvertOptions& options, std::vector<CRunFile> files,
                  const char* outputFolder)
{
    if (m_hThread) return ERROR_BUSY;
    m_pObserver = &observer;
    m_options = options;
    m_options.observer = this;
    m_strOutputFolder = outputFolder ? outputFolder : "";
    m_files = std::move(files);
    m_nHanded = 0;
    m_bStop = false;
    m_nFault = 0;
    m_nPassed = 0;
    m_nCurrent = -1;
    m_nKiBRead = 0;
    m_nKiBTotal = 0;
    m_dwLastReport = GetTickCount();
    m_bEnded = false;
    DWORD id = 0;
    m_hThread = CreateThread(NULL, 0, WorkerMain, this, 0, &id);
    if (m_hThread) return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_NOT_ENOUGH_MEMORY;
}

bool CRun::WaitFor(DWORD ms)
{
    return !m_hThread || WaitForSingleObject(m_hThread, ms) == WAIT_OBJECT_0;
}

void CRun::Stop()
{
    m_bStop = true;
}

void CRun::Wait()
{
    if (!m_hThread) return;
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = NULL;
}

DWORD WINAPI CRun::WorkerMain(void* param)
{
    static_cast<CRun*>(param)->Work();
    return 0;
}

DWORD WINAPI CRun::CommitterMain(void* param)
{
    static_cast<CRun*>(param)->CommitAll();
    return 0;
}

// Nothing thrown leaves the worker: each step that may throw is fenced, and what must happen
// whatever went before (the committers' end, the staging folder's removal, the end's report)
// throws nothing itself.
void CRun::Work()
{
    std::unique_ptr<COutputFolder> folder;
    if (!m_strOutputFolder.IsEmpty()) Fenced([&] { folder.reset(new COutputFolder(m_strOutputFolder)); });
    StartCommitters();
    // A file under way when something is thrown abandons its output as the stack unwinds.
    if (!m_nFault) Fenced([&] { ConvertAll(folder.get()); });
    EndCommitters();
    // The staging folder goes once every temporary file in it was renamed or removed.
    folder.reset();
    if (m_nFault) FailTheRest(m_nHanded);
    Fenced([&] {
        CLock lock(m_report);
        m_pObserver->OnRunEnd(*this);
    });
}

void CRun::ConvertAll(const COutputFolder* folder)
{
    while (m_nHanded < m_files.size() && !m_bStop && !m_nFault) {
        CRunFile& file = m_files[m_nHanded];
        Written written;
        written.index = m_nHanded;
        if (file.skipped.IsEmpty()) {
            m_nKiBRead = 0;
            m_nKiBTotal = 0;
            m_nCurrent = static_cast<int>(m_nHanded);
            written.output.reset(new CSafeOutput);
            file.result = ConvertFile(file.input, file.output, m_options, *written.output,
                                      folder ? folder->Plan(file.output) : OutputPlan());
            // A file the stop cut short counts as not reached: nothing of it was kept.
            file.reached = !(m_bStop && file.result.stage == FileConversionResult::kConvert &&
                             file.result.error == ERROR_CANCELLED);
            // One the fault cut short failed with it.
            if (m_nFault && !file.result.Done()) Fail(file);
            if (!file.result.Done()) written.output.reset();
        }
        ++m_nHanded;
        Hand(written);
    }
}

// After a fault: the files the worker did not hand on fail with it; skipped ones stay skipped.
void CRun::FailTheRest(size_t from)
{
    for (size_t i = from; i < m_files.size(); ++i) {
        if (m_files[i].skipped.IsEmpty()) Fail(m_files[i]);
        ++m_nPassed;
        ReportFile(m_files[i]);
    }
}

void CRun::Fail(CRunFile& file)
{
    file.reached = true;
    file.result = FileConversionResult();
    file.result.stage = FileConversionResult::kConvert;
    file.result.error = m_nFault;
    file.result.path = file.output;
}

// Under Wine a flush waits for the disk in the calling thread, and with two committers the file
// system takes two flushes in one go; a third gains nothing on two cores. Without committers
// (none could be started), the worker commits each file itself.
void CRun::StartCommitters()
{
    m_nCommitters = 0;
    DWORD id = 0;
    while (m_nCommitters < kCommitters &&
           (m_hCommitters[m_nCommitters] = CreateThread(NULL, 0, CommitterMain, this, 0, &id)) != NULL)
        ++m_nCommitters;
}

void CRun::EndCommitters()
{
    if (!m_nCommitters) return;
    EnterCriticalSection(&m_lock);
    m_bEnded = true;
    LeaveCriticalSection(&m_lock);
    WakeAllConditionVariable(&m_items);
    WaitForMultipleObjects(m_nCommitters, m_hCommitters, TRUE, INFINITE);
    for (; m_nCommitters > 0; --m_nCommitters) CloseHandle(m_hCommitters[m_nCommitters - 1]);
}

void CRun::Hand(Written& written)
{
    if (!m_nCommitters) {
        Commit(written);
        return;
    }
    EnterCriticalSection(&m_lock);
    while (m_nQueued == kQueued) SleepConditionVariableCS(&m_space, &m_lock, INFINITE);
    m_queue[(m_nFirst + m_nQueued) % kQueued] = std::move(written);
    ++m_nQueued;
    LeaveCriticalSection(&m_lock);
    WakeConditionVariable(&m_items);
}

// The next file for a committer, in order; false once the worker has ended and none is left.
bool CRun::Take(Written& written)
{
    EnterCriticalSection(&m_lock);
    while (m_nQueued == 0 && !m_bEnded) SleepConditionVariableCS(&m_items, &m_lock, INFINITE);
    const bool taken = m_nQueued > 0;
    if (taken) {
        written = std::move(m_queue[m_nFirst]);
        m_nFirst = (m_nFirst + 1) % kQueued;
        --m_nQueued;
    }
    // The worker, when it waits, goes on once half the queue is free again.
    const bool space = taken && m_nQueued <= kQueued / 2;
    LeaveCriticalSection(&m_lock);
    if (space) WakeConditionVariable(&m_space);
    return taken;
}

// A committer: the files handed on, also after a stop or a fault (they were converted).
void CRun::CommitAll()
{
    Written written;
    while (Take(written)) Commit(written);
}

void CRun::Commit(Written& written)
{
    CRunFile& file = m_files[written.index];
    if (written.output) {
        // What the commit throws fails the file; its temporary file goes with the output object.
        if (!Fenced([&] { CommitFile(*written.output, file.result); })) Fail(file);
        written.output.reset();
    }
    ++m_nPassed;
    ReportFile(file);
}

template <class Step>
bool CRun::Fenced(Step step)
{
    try {
        step();
        return true;
    } catch (const std::bad_alloc&) {
        Fault(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        Fault(ERROR_INTERNAL_ERROR);
    }
    return false;
}

// The first fault is the run's; the worker ends after the file under way.
void CRun::Fault(DWORD error)
{
    DWORD none = 0;
    m_nFault.compare_exchange_strong(none, error);
}

void CRun::ReportFile(const CRunFile& file)
{
    Fenced([&] {
        CLock lock(m_report);
        m_pObserver->OnFileDone(*this, file);
    });
    ReportProgress();
}

void CRun::ReportProgress()
{
    // Looked at first without the lock: most calls have nothing to report.
    if (GetTickCount() - m_dwLastReport < kProgressEveryMs) return;
    Fenced([&] {
        CLock lock(m_report);
        if (GetTickCount() - m_dwLastReport < kProgressEveryMs) return;
        m_dwLastReport = GetTickCount();
        m_pObserver->OnRunProgress(*this);
    });
}

// Before every block: the figures for the observer, and whether to go on.
bool CRun::OnBlock(unsigned long long bytesRead, unsigned long long bytesTotal)
{
    m_nKiBRead = static_cast<unsigned>(bytesRead >> 10);
    m_nKiBTotal = static_cast<unsigned>(bytesTotal >> 10);
    ReportProgress();
    return !m_bStop && !m_nFault;
}
