#include "framework/CProgressCtrl.h"

VEXA_IMPLEMENT_DYNAMIC(CProgressCtrl, CCommCtrl)

bool CProgressCtrl::s_bRegistered = false;

CProgressCtrl::CProgressCtrl() { CProgressCtrl::InitControlClasses(); }

BOOL CProgressCtrl::InitControlClasses() { return InitFamily(s_bRegistered, ICC_PROGRESS_CLASS); }

DWORD CProgressCtrl::GetDefaultStyle() { return WS_CHILD | WS_VISIBLE; }

const char* CProgressCtrl::GetWindowClassName() { return "msctls_progress32"; }

LRESULT CProgressCtrl::SetRange(int low, int high) { return SendMessage(PBM_SETRANGE32, low, high); }

int CProgressCtrl::SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, pos, 0)); }

int CProgressCtrl::GetPos() { return static_cast<int>(SendMessage(PBM_GETPOS, 0, 0)); }
