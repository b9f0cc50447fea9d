#include "app/CConversionRun.h"

#include "app/CSafeOutput.h"

using Vexa::CFile;

namespace {

// How often the worker tells the window how far it is.
const DWORD kProgressEveryMs = 100;

} // namespace

CConversionRun::CConversionRun()
    : m_hNotify(NULL), m_nMode(0), m_nSerial(0), m_hThread(NULL), m_bStop(false), m_nPassed(0), m_nKiBRead(0),
      m_nKiBTotal(0), m_dwLastPost(0)
{
}

CConversionRun::~CConversionRun()
{
    Stop();
    Wait();
}

bool CConversionRun::Start(HWND notify, int mode, std::vector<CRunFile> files)
{
    if (m_hThread) return false;
    m_hNotify = notify;
    m_nMode = mode;
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
        Convert(file);
        // The opened files of the page are closed here, on the thread that used them.
        file.opened.reset();
        file.openedOutput.reset();
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
bool CConversionRun::OnBlock(unsigned long long bytesRead)
{
    m_nKiBRead = static_cast<unsigned>(bytesRead >> 10);
    if (GetTickCount() - m_dwLastPost >= kProgressEveryMs) PostProgress();
    return !m_bStop;
}

void CConversionRun::Convert(CRunFile& file)
{
    std::shared_ptr<CFile> input = file.opened;
    if (!input) input = std::make_shared<CFile>(file.input, GENERIC_READ, OPEN_EXISTING);
    if (input->GetHandle() == INVALID_HANDLE_VALUE) {
        file.outcome = CRunFile::InputNotOpened;
        return;
    }
    std::shared_ptr<CSafeOutput> output = file.openedOutput;
    if (!output) {
        output = std::make_shared<CSafeOutput>();
        if (!output->Open(file.output)) {
            file.outcome = CRunFile::OutputNotOpened;
            return;
        }
    }
    DWORD high = 0;
    DWORD low = input->GetSize(&high);
    m_nKiBRead = 0;
    m_nKiBTotal = low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR
                      ? 0
                      : static_cast<unsigned>(((static_cast<unsigned long long>(high) << 32) | low) >> 10);

    bool done;
    if (m_nMode == 0) {
        done = TextToBinary(*input, output->File(), this);
    } else {
        done = BinaryToText(*input, output->File(), this) == 0;
    }
    DWORD error = done ? 0 : GetLastError();
    if (done) {
        done = output->Commit();
        if (!done) error = GetLastError();
    } else {
        output->Abandon();
    }
    file.error = error;
    // A file the stop cut short counts as not reached: nothing of it was kept.
    if (!done && error == ERROR_CANCELLED && m_bStop)
        file.outcome = CRunFile::NotReached;
    else
        file.outcome = done ? CRunFile::Converted : CRunFile::Failed;
}
