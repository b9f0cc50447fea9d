#include "app/CConversionRun.h"

#include "app/COutputFolder.h"

namespace {

// How often the worker tells the window how far it is.
const DWORD kProgressEveryMs = 100;

// Written outputs waiting for their commit, each with its temporary file open.
const size_t kQueued = 32;

} // namespace

CConversionRun::CConversionRun()
    : m_hNotify(NULL), m_nSerial(0), m_hThread(NULL), m_bStop(false), m_nPassed(0), m_nKiBRead(0),
      m_nKiBTotal(0), m_dwLastPost(0), m_hCommitters(), m_nCommitters(0)
{
    InitializeCriticalSection(&m_lock);
    InitializeConditionVariable(&m_items);
    InitializeConditionVariable(&m_space);
}

CConversionRun::~CConversionRun()
{
    Stop();
    Wait();
    DeleteCriticalSection(&m_lock);
}

bool CConversionRun::Start(HWND notify, const ConvertOptions& options, std::vector<CRunFile> files,
                           const char* outputFolder)
{
    if (m_hThread) return false;
    m_hNotify = notify;
    m_options = options;
    m_options.observer = this;
    m_strOutputFolder = outputFolder ? outputFolder : "";
    ++m_nSerial;
    m_files = std::move(files);
    m_bStop = false;
    m_nPassed = 0;
    m_nKiBRead = 0;
    m_nKiBTotal = 0;
    m_dwLastPost = GetTickCount();
    DWORD id = 0;
    m_hThread = CreateThread(NULL, 0, ThreadMain, this, 0, &id);
    return m_hThread != NULL;
}

bool CConversionRun::WaitFor(DWORD ms)
{
    return !m_hThread || WaitForSingleObject(m_hThread, ms) == WAIT_OBJECT_0;
}

void CConversionRun::Stop()
{
    m_bStop = true;
}

void CConversionRun::Wait()
{
    if (!m_hThread) return;
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = NULL;
}

DWORD WINAPI CConversionRun::ThreadMain(void* param)
{
    static_cast<CConversionRun*>(param)->Work();
    return 0;
}

DWORD WINAPI CConversionRun::CommitterMain(void* param)
{
    static_cast<CConversionRun*>(param)->CommitAll();
    return 0;
}

void CConversionRun::Work()
{
    std::unique_ptr<COutputFolder> folder;
    if (!m_strOutputFolder.IsEmpty()) folder.reset(new COutputFolder(m_strOutputFolder));
    // Without committers (no thread could be started), the worker commits each file itself.
    // Under Wine a flush waits for the disk in the calling thread, and with two committers the
    // file system takes two flushes in one go; a third gains nothing on two cores.
    const DWORD committers = sizeof m_hCommitters / sizeof m_hCommitters[0];
    m_nCommitters = 0;
    DWORD id = 0;
    while (m_nCommitters < committers &&
           (m_hCommitters[m_nCommitters] = CreateThread(NULL, 0, CommitterMain, this, 0, &id)) != NULL)
        ++m_nCommitters;
    for (size_t i = 0; i < m_files.size() && !m_bStop; ++i) {
        CRunFile& file = m_files[i];
        Written written = {i, nullptr};
        if (file.skipped.IsEmpty()) {
            m_nKiBRead = 0;
            m_nKiBTotal = 0;
            written.output.reset(new CSafeOutput);
            file.result = ConvertFile(file.input, file.output, m_options, *written.output,
                                      folder ? folder->Plan(file.output) : OutputPlan());
            // A file the stop cut short counts as not reached: nothing of it was kept.
            file.reached = !(m_bStop && file.result.stage == FileConversionResult::kConvert &&
                             file.result.error == ERROR_CANCELLED);
            if (!file.result.Done()) written.output.reset();
        }
        Hand(std::move(written));
    }
    // One end mark for each committer; each ends at the first it takes.
    for (DWORD i = 0; i < m_nCommitters; ++i) Hand(Written{m_files.size(), nullptr});
    if (m_nCommitters) WaitForMultipleObjects(m_nCommitters, m_hCommitters, TRUE, INFINITE);
    for (; m_nCommitters > 0; --m_nCommitters) CloseHandle(m_hCommitters[m_nCommitters - 1]);
    // The staging folder goes once every temporary file in it was renamed or removed.
    folder.reset();
    PostMessageA(m_hNotify, WM_RUNDONE, m_nSerial, 0);
}

void CConversionRun::Hand(Written written)
{
    if (!m_nCommitters) {
        Commit(written);
        return;
    }
    EnterCriticalSection(&m_lock);
    while (m_queue.size() >= kQueued) SleepConditionVariableCS(&m_space, &m_lock, INFINITE);
    m_queue.push_back(std::move(written));
    LeaveCriticalSection(&m_lock);
    WakeConditionVariable(&m_items);
}

// A committer: the files handed on, in order, also after a stop.
void CConversionRun::CommitAll()
{
    for (;;) {
        EnterCriticalSection(&m_lock);
        while (m_queue.empty()) SleepConditionVariableCS(&m_items, &m_lock, INFINITE);
        Written written = std::move(m_queue.front());
        m_queue.pop_front();
        // The worker, when it waits, goes on once half the queue is free again.
        const bool space = m_queue.size() <= kQueued / 2;
        LeaveCriticalSection(&m_lock);
        if (space) WakeConditionVariable(&m_space);
        if (written.index >= m_files.size()) return;
        Commit(written);
    }
}

void CConversionRun::Commit(Written& written)
{
    if (written.output) {
        CommitFile(*written.output, m_files[written.index].result);
        written.output.reset();
    }
    ++m_nPassed;
    if (GetTickCount() - m_dwLastPost >= kProgressEveryMs) PostProgress();
}

void CConversionRun::PostProgress()
{
    m_dwLastPost = GetTickCount();
    PostMessageA(m_hNotify, WM_RUNPROGRESS, m_nSerial, 0);
}

// Before every block: the figures for the window, and whether to go on.
bool CConversionRun::OnBlock(unsigned long long bytesRead, unsigned long long bytesTotal)
{
    m_nKiBRead = static_cast<unsigned>(bytesRead >> 10);
    m_nKiBTotal = static_cast<unsigned>(bytesTotal >> 10);
    if (GetTickCount() - m_dwLastPost >= kProgressEveryMs) PostProgress();
    return !m_bStop;
}
