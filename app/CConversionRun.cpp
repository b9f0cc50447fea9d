#include "app/CConversionRun.h"

bool CConversionRun::Start(HWND notify, const ConvertOptions& options, std::vector<CRunFile> files,
                           const char* outputFolder)
{
    if (IsActive()) {
        m_dwStartError = ERROR_BUSY;
        return false;
    }
    m_hNotify = notify;
    ++m_nSerial;
    m_dwStartError = m_run.Start(*this, options, std::move(files), outputFolder);
    return m_dwStartError == 0;
}
