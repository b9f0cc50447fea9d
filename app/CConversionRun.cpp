#include "app/CConversionRun.h"


namespace {

// How often the worker tells the window how far it is.
const DWORD kProgressEveryMs = 100;

} // namespace

CConversionRun::CConversionRun()
    : m_hNotify(NULL), m_nSerial(0), m_hThread(NULL), m_bStop(false), m_nPassed(0), m_nKiBRead(0),
      m_nKiBTotal(0), m_dwLastPost(0)
{
}

CConversionRun::~CConversionRun()
{
    Stop();
    Wait();
}

bool CConversionRun::Start(HWND notify, const ConvertOptions& options, std::vector<CRunFile> files)
{
    if (m_hThread) return false;
    m_hNotify = notify;
    m_options = options;
    m_options.observer = this;
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

void CConversionRun::Work()
{
    for (CRunFile& file : m_files) {
        if (m_bStop) break;
        if (file.skipped.IsEmpty()) {
            m_nKiBRead = 0;
            m_nKiBTotal = 0;
            file.result = ConvertFile(file.input, file.output, m_options);
            // A file the stop cut short counts as not reached: nothing of it was kept.
            file.reached = !(m_bStop && file.result.stage == FileConversionResult::kConvert &&
                             file.result.error == ERROR_CANCELLED);
        }
        ++m_nPassed;
        if (GetTickCount() - m_dwLastPost >= kProgressEveryMs) PostProgress();
    }
    PostMessageA(m_hNotify, WM_RUNDONE, m_nSerial, 0);
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
