// Install script lines carried out over real library trees.
#include "install/install_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "install/install_tree.h"
#include "install/script_text.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include "platform/posix/fault_injection.h"
#endif

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A script folder beside a library root and a SolidWorks library.
struct Tree {
  TempFolder temp;
  std::wstring scripts = temp / L"scripts\\";
  std::wstring root = temp / L"lib\\";
  std::wstring solidWorks = temp / L"sw";

  Tree() {
    WriteTestFile(root + L"keep", "");
    WriteTestFile(solidWorks + L"\\keep", "");
  }
  InstallTargets Targets(int major, bool withSolidWorks) const {
    InstallTargets targets = TargetsFor(major, root, withSolidWorks ? solidWorks : L"");
    targets.scriptFolder = scripts;
    return targets;
  }
};

// True when the folder holds an entry spelled exactly like the path's name.
bool SpelledExactly(const std::wstring& path) {
  const StringList names = NamesIn(ParentFolder(path));
  return std::find(names.begin(), names.end(), FileName(path)) != names.end();
}

TEST(InstallTargets, FolderNamesFollowReleaseAndSolidWorksLibrary) {
  const InstallTargets current = TargetsFor(3, L"C:\\L\\", L"D:\\SW\\");
  EXPECT_EQ(current.componentsFolder, L"C:\\L\\Components\\");
  EXPECT_EQ(current.lampsFolder, L"C:\\L\\Lamps\\");
  EXPECT_EQ(current.materialsFolder, L"C:\\L\\Materials\\");
  EXPECT_EQ(current.lampGeometryFolder, L"C:\\L\\Lamp Geometry\\");
  // The SolidWorks folder is taken as stored, so its trailing backslash doubles.
  EXPECT_EQ(current.appearancesFolder, L"D:\\SW\\\\Lumenark Appearances\\");
  EXPECT_EQ(current.solidWorksLampsFolder, L"D:\\SW\\\\Lamps\\");

  const InstallTargets old = TargetsFor(2, L"C:\\L\\", L"");
  EXPECT_EQ(old.componentsFolder, L"");
  EXPECT_EQ(old.lampsFolder, L"C:\\L\\");
  EXPECT_EQ(old.materialsFolder, L"C:\\L\\");
  EXPECT_EQ(old.lampGeometryFolder, L"");
  EXPECT_EQ(old.appearancesFolder, L"");
  EXPECT_EQ(old.solidWorksLampsFolder, L"");
}

TEST(InstallScript, PutsEachFileKindIntoItsFolderByReleaseAndSolidWorksLibrary) {
  const StringList sources = {L"A.IES", L"B.SPDRFC", L"C.GEOXML", L"D.CMP", L"E.P2M", L"F.SLDPRT", L"G.TXT"};
  struct Case {
    int major;
    bool solidWorks;
    // Where each source ends up, relative to the temporary folder; "" = stays.
    StringList places;
  };
  const StringList newLayout = {L"lib\\Lamps\\a.ies",           L"lib\\Materials\\b.spdrfc",
                                L"lib\\Lamp Geometry\\c.geoxml", L"lib\\Components\\d.cmp",
                                L"sw\\Lumenark Appearances\\e.p2m", L"sw\\Lamps\\f.sldprt", L""};
  const StringList newWithout = {L"lib\\Lamps\\a.ies", L"lib\\Materials\\b.spdrfc", L"", L"lib\\Components\\d.cmp",
                                 L"", L"", L""};
  const Case cases[] = {
      {3, true, newLayout},
      {99, true, newLayout},
      {2014, true, newLayout},
      {3, false, newWithout},
      {99, false, newWithout},
      {2, true,
       {L"lib\\a.ies", L"lib\\b.spdrfc", L"lib\\Lamp Geometry\\c.geoxml", L"", L"sw\\Lumenark Appearances\\e.p2m",
        L"sw\\Lamps\\f.sldprt", L""}},
      {2, false, {L"lib\\a.ies", L"lib\\b.spdrfc", L"", L"", L"", L"", L""}},
  };
  for (const Case& c : cases) {
    Tree tree;
    StringList lines;
    for (const std::wstring& source : sources) {
      WriteTestFile(tree.scripts + source, "content of " + Narrow(source));
      // Commands and names are matched without regard to case.
      lines.push_back(L"install " + ToLowerAscii(source));
    }
    EXPECT_TRUE(RunScriptLines(lines, tree.Targets(c.major, c.solidWorks)));
    for (size_t i = 0; i < sources.size(); ++i) {
      const std::string where = "major " + std::to_string(c.major) + (c.solidWorks ? " with" : " without") +
                                " SolidWorks, " + Narrow(sources[i]);
      const std::wstring at = c.places[i].empty() ? tree.scripts + sources[i] : tree.temp / c.places[i];
      EXPECT_EQ(ReadTestFile(at), "content of " + Narrow(sources[i])) << where;
      if (c.places[i].empty()) continue;
      EXPECT_TRUE(SpelledExactly(at)) << where;
      EXPECT_EQ(ReadTestFile(tree.scripts + sources[i]), "<missing>") << where;
    }
  }
}

TEST(InstallScript, GroupedOperandWithBlanksIsInstalledUnderItsLowerCaseName) {
  Tree tree;
  WriteTestFile(tree.scripts + L"MY LAMP.IES", "lamp");
  EXPECT_TRUE(RunScriptLines({L"INSTALL <My Lamp.ies>"}, tree.Targets(3, false)));
  EXPECT_EQ(ReadTestFile(tree.root + L"Lamps\\my lamp.ies"), "lamp");
  EXPECT_TRUE(SpelledExactly(tree.root + L"Lamps\\my lamp.ies"));
}

// Where the seam can, each of the two tests below runs again on a file
// system without file IDs, which gives index 0 for every file.
std::vector<bool> FileIndexesToHide() {
#ifdef _WIN32
  return {false};
#else
  return {false, true};
#endif
}

void HideFileIndexes(bool hide) {
#ifndef _WIN32
  platform::faults::Reset();
  if (hide) platform::faults::HideFileIndexes();
#else
  (void)hide;
#endif
}

TEST(InstallScript, InstallReplacesAnOlderFileOfTheSameName) {
  for (const bool hidden : FileIndexesToHide()) {
    SCOPED_TRACE(hidden ? "no file indexes" : "file indexes");
    Tree tree;
    WriteTestFile(tree.root + L"Lamps\\a.ies", "old");
    WriteTestFile(tree.scripts + L"A.IES", "new");
    HideFileIndexes(hidden);
    EXPECT_TRUE(RunScriptLines({L"INSTALL A.IES"}, tree.Targets(3, false)));
    HideFileIndexes(false);
    EXPECT_EQ(ReadTestFile(tree.root + L"Lamps\\a.ies"), "new");
    EXPECT_EQ(NamesIn(tree.root + L"Lamps"), (StringList{L"a.ies"}));
    EXPECT_EQ(ReadTestFile(tree.scripts + L"A.IES"), "<missing>");
  }
}

// The source found for an INSTALL line may be the very file at its target,
// reached by another spelling; it must not be deleted as the older copy.
TEST(InstallScript, SourceThatAlreadyLiesAtItsTargetIsKept) {
  enum class Reached { ScriptFolder, DoubledBackslash, CurrentFolder };
  for (const bool hidden : FileIndexesToHide()) {
    for (const Reached reached : {Reached::ScriptFolder, Reached::DoubledBackslash, Reached::CurrentFolder}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(reached)) + (hidden ? " no file indexes" : ""));
      Tree tree;
      const std::wstring lamps = tree.root + L"Lamps";
#ifdef _WIN32
      WriteTestFile(lamps + L"\\A.IES", "only copy");
#else
      // Here names differ by case; a link under the upper-case name stands for
      // the same file reached by the script's spelling.
      WriteTestFile(lamps + L"\\a.ies", "only copy");
      std::filesystem::create_symlink("a.ies", NativeOf(lamps + L"\\A.IES"));
#endif
      InstallTargets targets = tree.Targets(3, false);
      targets.scriptFolder = reached == Reached::DoubledBackslash ? lamps + L"\\\\" : lamps + L"\\";
      const std::filesystem::path before = std::filesystem::current_path();
      if (reached == Reached::CurrentFolder) {
        std::filesystem::current_path(NativeOf(lamps));
        targets.scriptFolder = tree.scripts;
      }
      HideFileIndexes(hidden);
      const bool ran = RunScriptLines({L"INSTALL A.IES"}, targets);
      HideFileIndexes(false);
      std::filesystem::current_path(before);
      EXPECT_TRUE(ran);
      EXPECT_EQ(ReadTestFile(lamps + L"\\a.ies"), "only copy");
    }
  }
}

#ifndef _WIN32
// An INSTALL over an existing file replaces it in one step or not at all:
// on the target's volume by one move, from another by a copy beside the
// target that then replaces it. No failure leaves the library without the
// file, and the source goes only when the new file is in place and is not
// the source itself. Each row runs with and without file IDs.
TEST(InstallScript, InstallReplacesInOneStepOrNotAtAll) {
  using platform::faults::Call;
  enum class Source { Beside, AtTheTarget };
  struct Case {
    const char* what;
    Source source;
    std::function<void()> faults;
    std::string expected;      // lamps\a.ies afterwards
    bool sourceKept;           // the script's A.IES is still there
    bool keptWithoutFileIds;   // likewise, where the file system gives no file IDs
  } cases[] = {
      {"every move fails", Source::Beside,
       [] {
         platform::faults::FailAlways(Call::MoveReplacing);
         platform::faults::FailAlways(Call::MoveNoReplace);
       },
       "old", true, true},
      {"from another volume", Source::Beside,
       [] {
         platform::faults::FailAfter(Call::MoveReplacing, 0, 1);
         platform::faults::FailAfter(Call::MoveNoReplace, 0, 1);
       },
       // Two files of one volume cannot be told from one without file IDs.
       "new", false, true},
      {"from another volume, the copy fails", Source::Beside,
       [] {
         platform::faults::FailAfter(Call::MoveReplacing, 0, 1);
         platform::faults::FailAfter(Call::MoveNoReplace, 0, 1);
         platform::faults::FailAlways(Call::CopyReplacing);
       },
       "old", true, true},
      {"from another volume, the copy comes back short", Source::Beside,
       [] {
         platform::faults::FailAfter(Call::MoveReplacing, 0, 1);
         platform::faults::FailAfter(Call::MoveNoReplace, 0, 1);
         platform::faults::ShortCopyAfter(0);
       },
       "old", true, true},
      {"the source lies at its target, reached from another volume", Source::AtTheTarget,
       [] {
         platform::faults::FailAfter(Call::MoveReplacing, 0, 1);
         platform::faults::FailAfter(Call::MoveNoReplace, 0, 1);
       },
       "only copy", true, true},
  };
  for (const bool hidden : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (hidden ? ", no file IDs" : ""));
      Tree tree;
      const std::wstring lamps = tree.root + L"Lamps";
      StringList expectedNames = {L"a.ies"};
      if (c.source == Source::Beside) {
        WriteTestFile(lamps + L"\\a.ies", "old");
        WriteTestFile(tree.scripts + L"A.IES", "new");
      } else {
        // A link under the upper-case name stands for the same file reached by another spelling.
        WriteTestFile(lamps + L"\\a.ies", "only copy");
        std::filesystem::create_symlink("a.ies", NativeOf(lamps + L"\\A.IES"));
        expectedNames = {L"A.IES", L"a.ies"};
      }
      InstallTargets targets = tree.Targets(3, false);
      if (c.source == Source::AtTheTarget) targets.scriptFolder = lamps + L"\\";
      HideFileIndexes(hidden);
      c.faults();
      EXPECT_TRUE(RunScriptLines({L"INSTALL A.IES"}, targets));
      HideFileIndexes(false);
      EXPECT_EQ(ReadTestFile(lamps + L"\\a.ies"), c.expected);
      EXPECT_EQ(NamesIn(lamps), expectedNames);
      if (c.source == Source::Beside) {
        const bool kept = hidden ? c.keptWithoutFileIds : c.sourceKept;
        EXPECT_EQ(ReadTestFile(tree.scripts + L"A.IES"), kept ? "new" : "<missing>");
      }
    }
  }
}
#endif

TEST(InstallScript, StopsAtALineWithoutOperandAfterCarryingOutTheLinesBefore) {
  Tree tree;
  WriteTestFile(tree.scripts + L"A.IES", "a");
  WriteTestFile(tree.scripts + L"B.IES", "b");
  WriteTestFile(tree.root + L"Lamps\\OLD.IES", "old");
  const StringList lines = {L"INSTALL A.IES", L"DELETE_LAMP OLD.IES", L"INSTALL   ", L"INSTALL B.IES"};
  EXPECT_FALSE(RunScriptLines(lines, tree.Targets(3, false)));
  EXPECT_EQ(ReadTestFile(tree.root + L"Lamps\\a.ies"), "a");
  EXPECT_EQ(ReadTestFile(tree.root + L"Lamps\\OLD.IES"), "<missing>");
  EXPECT_EQ(ReadTestFile(tree.scripts + L"B.IES"), "b");
}

TEST(InstallScript, LinesThatStopTheRun) {
  const StringList stoppers = {L"INSTALL", L"   ", L"\t", L"INSTALL <A B", L"<A B>"};
  for (const std::wstring& stopper : stoppers) {
    Tree tree;
    WriteTestFile(tree.scripts + L"B.IES", "b");
    EXPECT_FALSE(RunScriptLines({stopper, L"INSTALL B.IES"}, tree.Targets(3, false))) << Narrow(stopper);
    EXPECT_EQ(ReadTestFile(tree.scripts + L"B.IES"), "b") << Narrow(stopper);
  }
}

TEST(InstallScript, CommentsEmptyLinesAndUnknownCommandsAreSkipped) {
  Tree tree;
  for (const wchar_t* name : {L"A.IES", L"B.IES", L"C.IES", L"D.IES"}) WriteTestFile(tree.scripts + name, "x");
  const StringList lines = {L"; INSTALL A.IES", L"", L"   ; INSTALL B.IES", L"FOO C.IES", L"INSTALL D.IES",
                            L"INSTALL MISSING.IES", L""};
  EXPECT_TRUE(RunScriptLines(lines, tree.Targets(3, false)));
  EXPECT_EQ(NamesIn(tree.scripts), (StringList{L"A.IES", L"B.IES", L"C.IES"}));
  EXPECT_EQ(NamesIn(tree.root + L"Lamps"), (StringList{L"d.ies"}));
}

TEST(InstallScript, DeleteCommandsWorkInTheirFoldersAndMissingFilesAreNoError) {
  Tree tree;
  WriteTestFile(tree.root + L"Lamps\\OLD LAMP.IES", "");
  WriteTestFile(tree.root + L"Components\\OLD.CMP", "");
  WriteTestFile(tree.root + L"Components\\KEEP.CMP", "");
  const StringList lines = {L"delete_lamp <Old Lamp.ies>", L"DELETE_COMPONENT OLD.CMP", L"DELETE_LAMP NONE.IES",
                            L"DELETE_COMPONENT NONE.CMP"};
  EXPECT_TRUE(RunScriptLines(lines, tree.Targets(3, false)));
  EXPECT_EQ(NamesIn(tree.root + L"Lamps"), StringList{});
  EXPECT_EQ(NamesIn(tree.root + L"Components"), (StringList{L"KEEP.CMP"}));
}

TEST(InstallScript, ReleasesBeforeThreeDeleteLampsInTheLibraryFolder) {
  Tree tree;
  WriteTestFile(tree.root + L"OLD.IES", "");
  WriteTestFile(tree.root + L"Components\\OLD.CMP", "");
  EXPECT_TRUE(RunScriptLines({L"DELETE_LAMP OLD.IES", L"DELETE_COMPONENT OLD.CMP"}, tree.Targets(2, false)));
  EXPECT_EQ(ReadTestFile(tree.root + L"OLD.IES"), "<missing>");
  // There is no components folder before release 3, so nothing is deleted.
  EXPECT_EQ(ReadTestFile(tree.root + L"Components\\OLD.CMP"), "");
}

}  // namespace

// A DELETE line acts only inside the library: its operand may lead into a
// sub-folder or, from the lamps folder, to the materials beside it, but
// never out, whatever form the way out takes. The lines around it still run.
TEST(InstallScript, DeleteLinesCannotReachOutsideTheLibrary) {
  struct Case {
    std::wstring line;
    std::wstring deleted;  // below the library root; empty: nothing
  } cases[] = {
      {L"DELETE_LAMP ..\\..\\VICTIM.TXT", L""},
      {L"DELETE_COMPONENT ..\\..\\VICTIM.TXT", L""},
      {L"DELETE_LAMP ../../VICTIM.TXT", L""},
      {L"DELETE_LAMP OLD\\..\\..\\..\\VICTIM.TXT", L""},
      {L"DELETE_LAMP ..\\..\\LIB\\LAMPS\\KEEP.IES", L""},
      {L"DELETE_LAMP \\VICTIM.TXT", L""},
      {L"DELETE_LAMP C:VICTIM.TXT", L""},
      {L"DELETE_LAMP C:\\VICTIM.TXT", L""},
      {L"DELETE_LAMP \\\\SERVER\\SHARE\\VICTIM.TXT", L""},
      {L"DELETE_LAMP \\\\?\\C:\\VICTIM.TXT", L""},
      {L"DELETE_LAMP KEEP.IES:STREAM", L""},
      {L"DELETE_LAMP ...\\VICTIM.TXT", L""},
      {L"DELETE_LAMP <. .\\KEEP.IES>", L""},
      {L"DELETE_LAMP ..", L""},
      {L"DELETE_LAMP OLD\\LAMP.IES", L"Lamps\\OLD\\LAMP.IES"},
      {L"DELETE_LAMP .\\OLD\\.\\LAMP.IES", L"Lamps\\OLD\\LAMP.IES"},
      {L"DELETE_LAMP ..\\MATERIALS\\OLD.MAT", L"MATERIALS\\OLD.MAT"},
      {L"DELETE_COMPONENT ..\\LAMPS.IES", L"LAMPS.IES"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.line));
    Tree tree;
    const std::wstring victim = tree.temp / L"VICTIM.TXT";
    const StringList inside = {L"Lamps\\BEFORE.IES", L"Lamps\\KEEP.IES", L"Lamps\\OLD\\LAMP.IES",
                               L"MATERIALS\\OLD.MAT", L"LAMPS.IES",      L"Components\\AFTER.CMP"};
    WriteTestFile(victim, "not the library's");
    for (const std::wstring& file : inside) WriteTestFile(tree.root + file, "");
#ifndef _WIN32
    platform::faults::Reset();
    platform::faults::RecordDeletions();
#endif
    EXPECT_TRUE(RunScriptLines({L"DELETE_LAMP BEFORE.IES", c.line, L"DELETE_COMPONENT AFTER.CMP"}, tree.Targets(3, false)));
    EXPECT_EQ(ReadTestFile(victim), "not the library's");
    for (const std::wstring& file : inside) {
      const bool gone = file == L"Lamps\\BEFORE.IES" || file == L"Components\\AFTER.CMP" || file == c.deleted;
      EXPECT_EQ(ReadTestFile(tree.root + file), gone ? "<missing>" : "") << Narrow(file);
    }
#ifndef _WIN32
    // Nothing outside the library was even asked for.
    StringList asked = {tree.root + L"Lamps\\BEFORE.IES"};
    if (!c.deleted.empty()) asked.push_back(tree.root + c.deleted);
    asked.push_back(tree.root + L"Components\\AFTER.CMP");
    EXPECT_EQ(platform::faults::Deletions(), asked);
    platform::faults::Reset();
#endif
  }
}
