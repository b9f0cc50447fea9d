// The individual conversion page in a real main window: every message with the bytes on disk.
#include <algorithm>
#include <memory>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

class IndividualPageTest : public AppTest {
protected:
    HWND Page() { return Individual().GetHwnd(); }
    Box Convert(const std::string& input, const std::string& output)
    {
        SetText(Page(), IDC_INPUT_PATH, input);
        SetText(Page(), IDC_OUTPUT_PATH, output);
        return ConvertBox(Page());
    }
};

// A folder whose path leaves room for an output's name but not for a temporary file beside it.
std::string LongFolder(const ScratchFolder& folder)
{
    std::string path = folder.Path();
    while (path.size() < 248) {
        path += "\\" + std::string(std::min<size_t>(100, 247 - path.size()), 'x');
        CreateDirectoryA(path.c_str(), NULL);
    }
    return path;
}

TEST_F(IndividualPageTest, EachOutcomeShowsItsOwnMessage)
{
    const char* const outputFailed = "出力ファイルのオープンに失敗しました";
    struct Case {
        int mode;
        const char* input;  // under the scratch folder unless it starts with "Z:"; "" for none
        const char* output; // likewise; "=" the input path itself, "~" its short name, "<long>" a long folder
        bool held;          // a second process holds held.txt without delete sharing
        const char* text;   // the first line
        char concerns;      // the file an error names on its second line: 'i'nput or 'o'utput
        const char* says;   // and what follows it; for a success, the output's bytes
        const char* caption;
    } cases[] = {
        {0, "", "", false, "入力ファイルを設定してください", 0, "", "警告"},
        {0, "nothing.txt", "", false, "入力ファイルのオープンに失敗しました", 'i', "(エラー 2)", "エラー"},
        {0, "long_input.txt", "", false, "出力ファイルを設定してください", 0, "", "警告"},
        {0, "long_input.txt", "=", false, outputFailed, 'o', "出力先が入力ファイルです", "エラー"},
        {0, "long_input.txt", "~", false, outputFailed, 'o', "出力先が入力ファイルです", "エラー"},
        {0, "long_input.txt", "sub", false, outputFailed, 'o', "(エラー 5)", "エラー"},
        {0, "long_input.txt", "held.txt", true, outputFailed, 'o', "ほかのプログラムがこのファイルを使用しています", "エラー"},
        {0, "long_input.txt", "<long>", false, outputFailed, 'o', "出力先のフォルダに一時ファイルを作成できません", "エラー"},
        {0, "long_input.txt", "out.dat", false, "テキストファイルからバイナリファイルを作成しました", 0, "AB", "確認"},
        {1, "long_input.txt", "out.txt", false, "バイナリファイルからテキストファイルを作成しました", 0, "34 31 20 34 32 ", "確認"},
        {0, "long_input.txt", "Z:\\dev\\full", false, "バイナリファイルの作成に失敗しました", 'o', "(エラー 112)", "エラー"},
        {1, "Z:\\proc\\self\\mem", "out.txt", false, "テキストファイルの作成に失敗しました", 'i', "(エラー", "エラー"},
        {0, "nul.txt", "out.dat", false, "入力ファイルのオープンに失敗しました", 'i', "ファイルではなくデバイスです", "エラー"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + c.output);
        ScratchFolder folder;
        WriteBytes(folder / "long_input.txt", "41 42");
        WriteBytes(folder / "held.txt", "old");
        CreateDirectoryA((folder / "sub").c_str(), NULL);
        auto place = [&](const std::string& name) { return name.empty() || name.rfind("Z:", 0) == 0 ? name : folder / name; };
        const std::string input = place(c.input), kind = c.output;
        std::string output = kind == "=" ? input : kind == "~" ? folder / ShortName(input) : place(c.output);
        if (kind == "<long>") WriteBytes(output = LongFolder(folder) + "\\o.dat", "old");
        MainWnd().SetMode(c.mode);
        std::unique_ptr<HeldFile> held(c.held ? new HeldFile(folder / "held.txt", "rw") : nullptr);
        const Box box = Convert(input, output);
        held.reset();
        const size_t end = box.text.find('\n');
        const std::string rest = end == std::string::npos ? "" : box.text.substr(end + 1);
        EXPECT_EQ(box.text.substr(0, end), c.text);
        EXPECT_EQ(c.concerns ? rest.rfind((c.concerns == 'i' ? input : output) + "\n", 0) : 0, 0u) << rest;
        const std::string caption = c.caption, shown = caption == "確認" ? ReadBytes(output) : rest;
        EXPECT_NE(shown.find(c.says), std::string::npos) << shown;
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.icon, static_cast<UINT>(caption == "警告" ? MB_ICONWARNING : caption == "確認" ? MB_ICONINFORMATION : MB_ICONERROR));
        EXPECT_EQ(ReadBytes(folder / "long_input.txt") + ReadBytes(folder / "held.txt"), "41 42old") << "inputs and old outputs stay";
        EXPECT_EQ(FilesIn(folder.Path()), caption == "確認" ? 3 : 2) << "no temporary file stays";
        EXPECT_EQ(kind == "<long>" ? ReadBytes(output) : "old", "old");
        EXPECT_EQ(GetText(Page(), IDC_INPUT_PATH) + "|" + GetText(Page(), IDC_OUTPUT_PATH), input + "|" + output) << "both stay for another try";
    }
}

} // namespace
