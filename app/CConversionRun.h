// CConversionRun: a page's run of conversions (CRun) turned into window messages. The run posts
// WM_RUNPROGRESS (at most every 100 ms) and, once, WM_RUNDONE to the window that started it,
// which reads the figures meanwhile and the outcomes after Wait. Both messages carry the run's
// serial number in WPARAM, so a late one of an earlier run is known.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/CRun.h"

#define WM_RUNPROGRESS (WM_APP + 16)
#define WM_RUNDONE (WM_APP + 17)

class CConversionRun : private CRunObserver {
public:
    CConversionRun() : m_hNotify(NULL), m_nSerial(0), m_dwStartError(0) {}

    // Converts the files as options say on a new thread; notify gets the posted messages.
    // outputFolder, for a batch, is the folder the outputs go to. False when the thread could
    // not be started; GetStartError then says why.
    bool Start(HWND notify, const ConvertOptions& options, std::vector<CRunFile> files,
               const char* outputFolder = nullptr);
    DWORD GetStartError() const { return m_dwStartError; }
    bool WaitFor(DWORD ms) { return m_run.WaitFor(ms); }
    void Stop() { m_run.Stop(); }
    void Wait() { m_run.Wait(); }

    bool IsActive() const { return m_run.IsActive(); }
    bool IsStopRequested() const { return m_run.IsStopRequested(); }
    // Counts the runs started; the posted messages carry it.
    WPARAM GetSerial() const { return m_nSerial; }
    int FilesPassed() const { return m_run.FilesPassed(); }
    int GetCurrentFile() const { return m_run.GetCurrentFile(); }
    unsigned GetKiBRead() const { return m_run.GetKiBRead(); }
    unsigned GetKiBTotal() const { return m_run.GetKiBTotal(); }
    std::vector<CRunFile>& Files() { return m_run.Files(); }

private:
    void OnRunProgress(CRun&) override { PostMessageA(m_hNotify, WM_RUNPROGRESS, m_nSerial, 0); }
    void OnRunEnd(CRun&) override { PostMessageA(m_hNotify, WM_RUNDONE, m_nSerial, 0); }

    HWND m_hNotify;
    WPARAM m_nSerial;
    DWORD m_dwStartError;
    CRun m_run; // last: ends (and stops posting) before the rest goes
};
