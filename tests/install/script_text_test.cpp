// Tokenizing script lines, trimming, case changes and file kinds.
#include "install/script_text.h"

#include <gtest/gtest.h>

#include "install/file_kinds.h"

namespace {

TEST(TokenizeLine, SplitsScriptLinesAsTheInterpreterReadsThem) {
  struct Case {
    std::wstring line;
    StringList tokens;
    bool result;
  };
  const Case cases[] = {
      {L"INSTALL LAMP1.IES", {L"INSTALL", L"LAMP1.IES"}, true},
      {L"INSTALL <MY LAMP.IES>", {L"INSTALL", L"<MY LAMP.IES>"}, true},
      {L"INSTALL   A.IES   B.IES", {L"INSTALL", L"A.IES", L"B.IES"}, true},
      {L"INSTALL", {L"INSTALL"}, false},
      {L"INSTALL   ", {L"INSTALL"}, false},
      {L"    ", {}, true},
      {L"\t", {L"\t"}, false},
      {L"INSTALL <A B", {}, false},
      {L"INSTALL X<A B>", {L"INSTALL", L"X", L"<A B>"}, true},
      {L"INSTALL X<A B> Y", {L"INSTALL", L"X<A B>", L"Y"}, true},
      {L"   ; NOTE", {L";", L"NOTE"}, true},
      {L"FOO BAR", {L"FOO", L"BAR"}, true},
      {L"DELETE_LAMP <OLD LAMP.IES>", {L"DELETE_LAMP", L"<OLD LAMP.IES>"}, true},
      // No separator outside the groups: the whole line is one token.
      {L"<A B>", {L"<A B>"}, false},
      {L"X<A B>Y", {L"X<A B>Y"}, false},
      // A group at the start of a piece, and two groups in one piece.
      {L"<A B>C D", {L"<A B>C", L"D"}, true},
      {L"P<1 2>Q<3 4>R S", {L"P<1 2>Q<3 4>R", L"S"}, true},
      // A group right after a separator at the end stands alone after the pieces.
      {L"A B <C D>", {L"A", L"B", L"<C D>"}, true},
      // An opener inside a group belongs to it; the next group starts after the closer.
      {L"A <B<C> <D>", {L"A", L"<B<C>", L"<D>"}, true},
      {L"A <B> <C", {}, false},
      {L"A > B", {L"A", L">", L"B"}, true},
      {L"", {L""}, false},
  };
  for (const Case& c : cases) {
    StringList tokens;
    EXPECT_EQ(TokenizeLine(c.line, L' ', L'<', L'>', tokens), c.result) << c.line;
    EXPECT_EQ(tokens, c.tokens) << c.line;
  }
}

TEST(TokenizeLine, AppendsToTheListAndJudgesOnlyWhatItAppended) {
  StringList tokens = {L"EARLIER"};
  EXPECT_FALSE(TokenizeLine(L"ONE", L' ', L'<', L'>', tokens));
  EXPECT_EQ(tokens, (StringList{L"EARLIER", L"ONE"}));
  EXPECT_TRUE(TokenizeLine(L"TWO THREE", L' ', L'<', L'>', tokens));
  EXPECT_EQ(tokens, (StringList{L"EARLIER", L"ONE", L"TWO", L"THREE"}));
}

TEST(TrimAnyOf, DropsSetCharactersAtBothEndsOnly) {
  struct Case {
    std::wstring text, expected;
  };
  const Case cases[] = {
      {L"<MY LAMP.IES>", L"MY LAMP.IES"}, {L"X<A B", L"X<A B"}, {L"<<>A<>B>>", L"A<>B"},
      {L"<><>", L""},                     {L"", L""},           {L"A", L"A"},
      {L">A", L"A"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimAnyOf(c.text, L"<>"), c.expected) << c.text;
}

TEST(AsciiCase, ChangesOnlyTheLettersAToZ) {
  const std::wstring mixed = L"aZ09 _<>\x00e4\x00c4\x0101{}@[`";
  EXPECT_EQ(ToUpperAscii(mixed), L"AZ09 _<>\x00e4\x00c4\x0101{}@[`");
  EXPECT_EQ(ToLowerAscii(mixed), L"az09 _<>\x00e4\x00c4\x0101{}@[`");
}

TEST(EndsWithAny, ComparesTheUpperCasedPathEnd) {
  EXPECT_TRUE(EndsWithAny(L"c:\\x\\lamp.ies", {L"DXF", L"IES"}));
  EXPECT_FALSE(EndsWithAny(L"IES.X", {L"IES"}));
  EXPECT_FALSE(EndsWithAny(L"ES", {L"IES"}));
  EXPECT_TRUE(EndsWithAny(L"IES", {L"IES"}));
  // The last occurrence counts, so an earlier one does not hide the end.
  EXPECT_TRUE(EndsWithAny(L"IES.IES", {L"IES"}));
  EXPECT_FALSE(EndsWithAny(L"", {L"IES"}));
  EXPECT_FALSE(EndsWithAny(L"A.IES", {}));
}

TEST(FileKinds, EachSuffixListMatchesTheWholePathEnd) {
  struct Case {
    std::wstring path;
    bool lamp, material, geometry, component, appearance, part;
  };
  const Case cases[] = {
      {L"A.IES", true, false, false, false, false, false},
      {L"a.ldt", true, false, false, false, false, false},
      {L"A.SPD", true, false, false, false, false, false},
      {L"XSPD", true, false, false, false, false, false},
      {L"A.LAMPS.XLS", true, false, false, false, false, false},
      {L"LAMPS.XLS", true, false, false, false, false, false},
      {L"A.SPDRFC", false, true, false, false, false, false},
      {L"A.MATERIALS.XLS", false, true, false, false, false, false},
      {L"A.LIB", false, true, false, false, false, false},
      {L"A.SPDMATRIX", false, true, false, false, false, false},
      {L"A.GEOXML", false, false, true, false, false, false},
      {L"A.CMP", false, false, false, true, false, false},
      {L"A.P2M", false, false, false, false, true, false},
      {L"A.SLDPRT", false, false, false, false, false, true},
      {L"A.TXT", false, false, false, false, false, false},
      {L"A.IES.BAK", false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsLampFile(c.path), c.lamp) << c.path;
    EXPECT_EQ(IsMaterialFile(c.path), c.material) << c.path;
    EXPECT_EQ(IsLampGeometryFile(c.path), c.geometry) << c.path;
    EXPECT_EQ(IsComponentFile(c.path), c.component) << c.path;
    EXPECT_EQ(IsAppearanceFile(c.path), c.appearance) << c.path;
    EXPECT_EQ(IsSolidWorksPartFile(c.path), c.part) << c.path;
  }
}

}  // namespace
