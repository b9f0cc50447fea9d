// CProgressCtrl: object for the progress bar ("msctls_progress32").
#pragma once

#include "framework/CCommCtrl.h"

class CProgressCtrl : public CCommCtrl {
    VEXA_DECLARE_DYNAMIC(CProgressCtrl)
public:
    CProgressCtrl();
    ~CProgressCtrl() override {}

    BOOL InitControlClasses() override;
    DWORD GetDefaultStyle() override;
    const char* GetWindowClassName() override;

    // Operations; each returns the control's reply.
    // The range, low to high (32-bit values); the previous range packed in 16 bits each.
    virtual LRESULT SetRange(int low, int high);
    // Returns the previous position.
    virtual int SetPos(int pos);
    virtual int GetPos();

private:
    static bool s_bRegistered;
};
