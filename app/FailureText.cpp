#include "app/FailureText.h"

using Vexa::CString;

CString SystemReason(DWORD error)
{
    CString reason = SystemText(error);
    CString number;
    number.Format(reason.IsEmpty() ? "エラー %lu" : " (エラー %lu)", static_cast<unsigned long>(error));
    return reason + number;
}

namespace {

// What is known beyond the system's text, or "".
const char* Fact(const FileConversionResult& result)
{
    if (result.sameFile) return "出力先が入力ファイルです。";
    if (result.device) return "ファイルではなくデバイスです。";
    switch (result.problem) {
    case CSafeOutput::kHeld: return "ほかのプログラムがこのファイルを使用しています。";
    case CSafeOutput::kNoTemp: return "出力先のフォルダに一時ファイルを作成できません。";
    default: return "";
    }
}

} // namespace

CString DescribeFailure(const FileConversionResult& result)
{
    CString text(result.path);
    if (!result.sameFile && !result.device) {
        text += "\n";
        text += SystemReason(result.error);
    }
    const char* fact = Fact(result);
    if (*fact) {
        text += "\n";
        text += fact;
    }
    return text;
}

CString DescribeFailureBriefly(const FileConversionResult& result)
{
    if (result.sameFile) return CString("出力先が入力ファイルです");
    if (result.device) return CString("ファイルではなくデバイスです");
    CString text;
    switch (result.stage) {
    case FileConversionResult::kInputOpen: text = "入力ファイルを開けません"; break;
    case FileConversionResult::kOutputOpen: text = "出力ファイルを作成できません"; break;
    default: text = "変換に失敗しました"; break;
    }
    text += " - ";
    text += SystemReason(result.error);
    const char* fact = Fact(result);
    if (*fact) {
        text += " ";
        text += fact;
    }
    return text;
}

const char* DescribeVerdict(RowVerdict verdict)
{
    switch (verdict) {
    case kRowDuplicateOutput: return "出力ファイル名が重複しています";
    case kRowOutputIsInput: return "出力先が入力ファイルです";
    default: return "";
    }
}
