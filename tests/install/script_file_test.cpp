// Reading install scripts into lines.
#include "install/script_file.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace {

std::wstring Repeat(wchar_t c, size_t n) { return std::wstring(n, c); }

TEST(SplitScriptText, ReadsLinesAsTextModeGetlineWould) {
  struct Case {
    const char* name;
    std::string text;
    StringList lines;
  };
  const Case cases[] = {
      {"no text", "", {L""}},
      {"no final line end", "A\nB", {L"A", L"B"}},
      {"final line end", "A\nB\n", {L"A", L"B", L""}},
      {"CR LF", "A\r\nB\r\n", {L"A", L"B", L""}},
      {"lone CR stays", "A\rB\n", {L"A\rB", L""}},
      {"empty lines", "\n\nA", {L"", L"", L"A"}},
      {"bytes widened", std::string("\xe4\x00\xff", 3), {std::wstring(L"\x00e4\0\x00ff", 3)}},
      {"longest line", std::string(2047, 'x') + "\nB", {Repeat(L'x', 2047), L"B"}},
      {"longer line ends the list", std::string(2048, 'x') + "\nB\n", {Repeat(L'x', 2047)}},
      {"longer last line", "A\n" + std::string(3000, 'y'), {L"A", Repeat(L'y', 2047)}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitScriptText(c.text, 2048), c.lines) << c.name;
}

TEST(ReadScriptLines, ReadsAFileAndGivesNothingForAMissingOne) {
  TempFolder folder;
  WriteTestFile(folder / L"a.lms", "INSTALL A.IES\r\n; note\r\n");
  EXPECT_EQ(ReadScriptLines(folder / L"a.lms", 2048), (StringList{L"INSTALL A.IES", L"; note", L""}));
  EXPECT_TRUE(ReadScriptLines(folder / L"missing.lms", 2048).empty());
}

}  // namespace
