#include "app/FailureText.h"

#include <stdio.h>
#include <string.h>

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
    if (result.BadRecords()) return text + CString("\n") + DescribeRecordError(result.image);
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
    if (result.BadRecords()) return DescribeRecordError(result.image);
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

namespace {

// "65,536": the digits in groups of three.
CString Grouped(unsigned long long n)
{
    char digits[32];
    snprintf(digits, sizeof digits, "%llu", n);
    CString text;
    for (int i = 0, length = static_cast<int>(strlen(digits)); i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0) text += ",";
        text += digits[i];
    }
    return text;
}

const char* RecordProblem(RecordError error)
{
    switch (error) {
    case RecordNotARecord: return "レコードではありません";
    case RecordBadDigit: return "レコードに16進数でない文字があります";
    case RecordBadLength: return "レコードの長さが行の長さと合いません";
    case RecordBadTypeLength: return "レコードの長さがレコードの種類と合いません";
    case RecordUnknownType: return "レコードの種類がわかりません";
    case RecordBadChecksum: return "チェックサムが合いません";
    case RecordBadCount: return "レコード数がその前のデータレコードの数と合いません";
    case RecordAfterEnd: return "終わりのレコードの後ろにレコードがあります";
    case RecordNoEnd: return "終わりのレコードがありません";
    case RecordOverlap: return "同じアドレスに2度書くデータがあります";
    case RecordFillTooLarge: return "レコードの間を埋めるバイトが 256 MiB を超えます";
    case RecordPastTop: return "データが 4 GiB のアドレス空間を超えます";
    case RecordNotSeekable: return "アドレス順に並んでいないレコードは、読み直せる入力と書き直せる出力にしか変換できません";
    case RecordInputChanged: return "読んでいるあいだに入力ファイルが変わりました";
    default: return "レコードを読めません";
    }
}

} // namespace

CString DescribeRecordError(const RecordImage& image)
{
    CString text;
    if (image.line) text.Format("%llu 行目：", static_cast<unsigned long long>(image.line));
    text += RecordProblem(image.error);
    if (image.error == RecordOverlap) {
        CString address;
        address.Format("（アドレス 0x%08llX）", static_cast<unsigned long long>(image.address));
        text += address;
    }
    return text;
}

CString DescribeRange(const RecordImage& image)
{
    if (image.length == 0) return CString("データはありません (0 バイト)");
    CString text;
    text.Format("アドレス 0x%08llX-0x%08llX (", static_cast<unsigned long long>(image.lowest),
                static_cast<unsigned long long>(image.lowest + image.length - 1));
    text += Grouped(image.length) + " バイト)";
    // A start (entry) address that is not the image's first byte is worth knowing.
    if (image.hasStart && image.start != image.lowest) {
        CString start;
        start.Format("、エントリ 0x%08lX", static_cast<unsigned long>(image.start));
        text += start;
    }
    return text;
}

const char* DescribeLooks(TextKind kind)
{
    switch (kind) {
    case TextIntelHex: return "Intel HEX のようです";
    case TextSRecord: return "Sレコードのようです";
    case TextBinary: return "テキストではなくバイナリファイルのようです";
    default: return "";
    }
}

const char* AdviseLooks(TextKind kind)
{
    return kind == TextBinary ? "バイナリファイルからテキストを作るには「テキスト変換」を選んでください。"
                              : "テキストの形式は 設定 → 共通設定 の「テキストの形式」で選べます。";
}

CString DescribeFindings(const FileConversionResult& result)
{
    if (result.records) return CString("\n") + DescribeRange(result.image);
    if (result.looksLike == TextPlain) return CString();
    return CString("\n入力ファイル: ") + DescribeLooks(result.looksLike) + "（16進テキストとして変換しました）。\n" +
           AdviseLooks(result.looksLike);
}
