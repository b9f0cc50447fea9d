// CSettingSubDlg and its three pages: each page shows its part of the settings file when it
// starts and writes it back on SaveSettings.
#pragma once

#include "app/Framework.h"

class CSettingSubDlg : public Vexa::CDialog {
    VEXA_DECLARE_DYNAMIC(CSettingSubDlg)
public:
    explicit CSettingSubDlg(WORD templateId) : CDialog(templateId) {}
    ~CSettingSubDlg() override {}

    virtual void SaveSettings() = 0;
    // The control whose value cannot be saved as typed, with what to tell the user; NULL when
    // every value can.
    virtual HWND FindInvalid(const char*& problem) { (void)problem; return NULL; }
};

// "共通設定": the paths of three external tools, each "参照" picking a program for its box, the
// layout テキスト変換 writes (bytes per line, offsets and characters as comments), and the text
// format of both conversions with its fill byte, start address and record size.
class CSettingSubDlg001 : public CSettingSubDlg {
    VEXA_DECLARE_DYNAMIC(CSettingSubDlg001)
public:
    CSettingSubDlg001();
    ~CSettingSubDlg001() override;

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    void SaveSettings() override;
    HWND FindInvalid(const char*& problem) override;

private:
    void LoadFormat();
};

// "個別変換設定": the individual page's rules, section "IND_CONV_SETTINGS".
class CSettingSubDlg002 : public CSettingSubDlg {
    VEXA_DECLARE_DYNAMIC(CSettingSubDlg002)
public:
    CSettingSubDlg002();
    ~CSettingSubDlg002() override;

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    void SaveSettings() override;
};

// "一括変換設定": the same rules for the batch page, section "BAT_CONV_SETTINGS".
class CSettingSubDlg003 : public CSettingSubDlg {
    VEXA_DECLARE_DYNAMIC(CSettingSubDlg003)
public:
    CSettingSubDlg003();
    ~CSettingSubDlg003() override;

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    void SaveSettings() override;
};
