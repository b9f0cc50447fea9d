#include "framework/CFolderDialog.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CFolderDialog, CWindowBase)

CFolderDialog::CFolderDialog() : m_pidl(nullptr)
{
    ZeroMemory(&m_bi, sizeof(m_bi));
    ZeroMemory(m_szPath, sizeof(m_szPath));
    m_bi.pidlRoot = nullptr;
    m_bi.pszDisplayName = m_szPath;
    m_bi.ulFlags = BIF_RETURNONLYFSDIRS;
    m_bi.lpfn = BrowseCallbackProc;
    m_bi.lParam = reinterpret_cast<LPARAM>(this);
}

CFolderDialog::~CFolderDialog() { CoTaskMemFree(m_pidl); }

int CFolderDialog::OnBrowseCallback(HWND, UINT code, LPARAM lParam, LPARAM lpData)
{
    switch (code) {
    case BFFM_INITIALIZED:
        return OnInitialized(lParam, lpData);
    case BFFM_SELCHANGED:
        return OnSelChanged(lParam, lpData);
    case BFFM_VALIDATEFAILEDA:
        return OnValidateFailed(lParam, lpData);
    default:
        return 0;
    }
}

bool CFolderDialog::Browse(const char* title, HWND owner)
{
    m_bi.hwndOwner = owner;
    m_bi.lpszTitle = title;
    // A second run on the same object must not lose the first run's list.
    CoTaskMemFree(m_pidl);
    m_pidl = SHBrowseForFolderA(&m_bi);
    // The browser's window is gone now. The binding may have ended at the first selection report
    // with the handle still held; drop it, so that neither a later window operation nor the
    // destructor acts on a handle the system may give to another window.
    if (m_hWnd != nullptr) {
        if (::IsWindow(m_hWnd) && ::GetPropA(m_hWnd, kBindingProp) == this)
            Detach();
        m_hWnd = nullptr;
    }
    return m_pidl != nullptr;
}

bool CFolderDialog::Browse(const char* title, HWND owner, const CString& initialFolder)
{
    m_strInitialFolder = initialFolder;
    return Browse(title, owner);
}

BOOL CFolderDialog::GetPath(char* buffer)
{
    if (m_pidl == nullptr)  // nothing chosen: no list to ask
        return FALSE;
    BOOL found = SHGetPathFromIDListA(m_pidl, m_szPath);
    if (found)
        lstrcpynA(buffer, m_szPath, MAX_PATH);
    return found;
}

CString CFolderDialog::GetPath()
{
    char buffer[MAX_PATH] = {};
    if (!GetPath(buffer))
        return CString();
    return CString(buffer);
}

int CFolderDialog::OnInitialized(LPARAM, LPARAM)
{
    if (!m_strInitialFolder.IsEmpty())
        SendMessage(BFFM_SETSELECTIONA, TRUE,
                    reinterpret_cast<LPARAM>(static_cast<const char*>(m_strInitialFolder)));
    return 0;
}

int CFolderDialog::OnSelChanged(LPARAM, LPARAM) { return 0; }

int CFolderDialog::OnValidateFailed(LPARAM, LPARAM) { return 0; }

// Called by the shell through its own frames, like a window procedure: exceptions stop here.
int CALLBACK CFolderDialog::BrowseCallbackProc(HWND browser, UINT code, LPARAM lParam,
                                               LPARAM lpData)
{
    try {
        auto* object = static_cast<CFolderDialog*>(::GetPropA(browser, kBindingProp));
        if (object == nullptr && code == BFFM_INITIALIZED) {
            object = reinterpret_cast<CFolderDialog*>(lpData);
            if (object != nullptr)
                object->Attach(browser);
        }
        if (object != nullptr) {
            object->OnBrowseCallback(browser, code, lParam, lpData);
            if (code == BFFM_SELCHANGED)
                object->Detach();
        }
    } catch (...) {
    }
    return 0;
}

} // namespace Vexa
