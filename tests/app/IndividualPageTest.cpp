// The individual conversion page in a real main window: every message it shows.
#include "AppEnvironment.h"

using namespace apptest;

namespace {

using IndividualPageTest = AppTest;

// Each run reads the text layout afresh: a width the file names, and comments spelt as the program
// does not take them ("true"), which reads as none.
TEST_F(IndividualPageTest, EachOutcomeShowsItsOwnMessage)
{
    HWND page = Individual().GetHwnd();
    SetIni("COMMON_SETTINGS", "TEXT_BYTES_PER_LINE", "32"), SetIni("COMMON_SETTINGS", "TEXT_OFFSET_COMMENTS", "true");
    const char* const outputFailed = "出力ファイルのオープンに失敗しました";
    const char* const binaryMade = "テキストファイルからバイナリファイルを作成しました";
    const std::string tooLong(260, 'x');
    // Each case: the mode, TEXT_FORMAT, the input and the output under the scratch folder ("" none, "="
    // the input itself), the box's first line, the file its second line names ('i'nput, 'o'utput), what
    // it says after the first line, the output's bytes afterwards, the caption.
    struct Case {
        int mode;
        const char *format, *input, *output, *text;
        char concerns;
        const char *says, *bytes, *caption;
    } cases[] = {
        {0, "HEX", "", "", "入力ファイルを設定してください", 0, "", nullptr, "警告"},
        {0, "HEX", "nothing.txt", "", "入力ファイルのオープンに失敗しました", 'i', "(エラー 2)", nullptr, "エラー"},
        {0, "HEX", "long_input.txt", "", "出力ファイルを設定してください", 0, "", nullptr, "警告"},
        {0, "HEX", "long_input.txt", "=", outputFailed, 'o', "出力先が入力ファイルです", nullptr, "エラー"},
        {0, "HEX", "long_input.txt", "out.dat", binaryMade, 0, "", "AB", "確認"},
        {1, "HEX", "long_input.txt", "out.txt", "バイナリファイルからテキストファイルを作成しました", 0, "", "34 31 20 34 32\r\n", "確認"},
        {0, "IHEX", "fw.hex", "old.dat", binaryMade, 0, "アドレス 0x00000100-0x00000105 (6 バイト)", nullptr, "確認"},
        {0, "IHEX", "bad.hex", "old.dat", "バイナリファイルの作成に失敗しました", 'i', "2 行目：チェックサムが合いません", "old", "エラー"},
        {0, "HEX", "fw.hex", "old.dat", binaryMade, 0,
         "入力ファイル: Intel HEX のようです（16進テキストとして変換しました）。\n"
         "テキストの形式は 設定 → 共通設定 の「テキストの形式」で選べます。", nullptr, "確認"},
        {0, "HEX", tooLong.c_str(), "out.dat", "パスが長すぎるため使えません。", 'i', " バイト（上限 259 バイト）", nullptr, "警告"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + c.input + " " + c.output);
        ScratchFolder folder;
        WriteBytes(folder / "long_input.txt", "41 42");
        WriteBytes(folder / "fw.hex", ":0201000041427A\r\n:02010400434472\r\n:00000001FF\r\n");
        WriteBytes(folder / "bad.hex", ":0201000041427A\r\n:02010400434473\r\n:00000001FF\r\n");
        WriteBytes(folder / "old.dat", "old");
        const int files = FilesIn(folder.Path());
        auto place = [&](const std::string& name) { return name.empty() ? name : folder / name; };
        const std::string input = place(c.input), output = c.output == std::string("=") ? input : place(c.output);
        SetIni("COMMON_SETTINGS", "TEXT_FORMAT", c.format);
        MainWnd().SetMode(c.mode);
        SetText(page, IDC_INPUT_PATH, input), SetText(page, IDC_OUTPUT_PATH, output);
        const Box box = ConvertBox(page);
        const size_t end = box.text.find('\n');
        const std::string rest = end == std::string::npos ? "" : box.text.substr(end + 1);
        const std::string named = c.concerns ? (c.concerns == 'i' ? input : output) + "\n" : "";
        EXPECT_EQ(Said(box), std::string(c.caption) + ": " + c.text);
        EXPECT_TRUE(rest.rfind(named, 0) == 0 && rest.find(c.says) != std::string::npos) << rest;
        EXPECT_TRUE(!c.bytes || ReadBytes(output) == c.bytes) << ReadBytes(output);
        EXPECT_EQ(ReadBytes(folder / "long_input.txt"), "41 42") << "the input stays";
        EXPECT_EQ(FilesIn(folder.Path()), files + (c.caption == std::string("確認") && c.output != std::string("old.dat"))) << "no temporary file stays";
        EXPECT_EQ(GetText(page, IDC_INPUT_PATH) + "|" + GetText(page, IDC_OUTPUT_PATH), input + "|" + output) << "both stay for another try";
    }
}

} // namespace
