#include "app/FailureText.h"

#include "engine/InputListing.h"

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

CString DescribeVerdict(RowVerdict verdict, int length)
{
    CString text;
    switch (verdict) {
    case kRowDuplicateOutput: text = "出力ファイル名が重複しています"; break;
    case kRowOutputIsInput: text = "出力先が入力ファイルです"; break;
    case kRowInOutputFolder: text = "出力フォルダの中のファイルです"; break;
    case kRowPathTooLong: text.Format("パスが長すぎます（%d バイト、上限 %d バイト）", length, kMaxPathLength); break;
    default: break;
    }
    return text;
}

CString TooLongText(const char* path)
{
    CString text("パスが長すぎるため使えません。\n");
    text += path;
    CString length;
    length.Format("\n%d バイト（上限 %d バイト）", lstrlenA(path), kMaxPathLength);
    return text + length;
}

CString TooLongListText(const std::vector<CString>& paths)
{
    const size_t kNamed = 5;
    CString text;
    text.Format("次のパスは長すぎるため一覧に入れていません（上限 %d バイト）。", kMaxPathLength);
    for (size_t i = 0; i < paths.size() && i < kNamed; ++i) {
        CString line;
        line.Format("\n%s（%d バイト）", static_cast<const char*>(paths[i]), paths[i].GetLength());
        text += line;
    }
    if (paths.size() > kNamed) {
        CString more;
        more.Format("\nほか %d 件", static_cast<int>(paths.size() - kNamed));
        text += more;
    }
    return text;
}
