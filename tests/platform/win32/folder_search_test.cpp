// Folder searches on a Windows that refuses what Windows 7 added to them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/folder_search_call.h"
#include "support/temp_folder.h"
#include "sync/file_listing.h"

namespace {

// Stands in for FindFirstFileExW as Windows XP and Vista answer it: the basic
// level or the large fetch is refused as an unknown value; anything else is
// the platform's own answer. Counts the calls of each kind.
struct OlderWindows {
  static inline bool refuseLevel = false;
  static inline bool refuseFlag = false;
  static inline int asked = 0;
  static inline int refused = 0;

  static HANDLE WINAPI FindFirst(LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS search,
                                 LPVOID filter, DWORD flags) {
    ++asked;
    if ((refuseLevel && level == FindExInfoBasic) || (refuseFlag && (flags & FIND_FIRST_EX_LARGE_FETCH) != 0)) {
      ++refused;
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
    }
    return ::FindFirstFileExW(pattern, level, data, search, filter, flags);
  }
};

class RefusedSearch : public ::testing::Test {
 protected:
  ~RefusedSearch() override { platform::UseFindFirstFileEx(nullptr); }
};

// The whole tree is listed however the first way is refused, and once the
// standard level has served it is asked for only that way. A missing folder
// is an answer, not a refusal: it is asked for once.
TEST_F(RefusedSearch, ListingIsCompleteAndTheRefusedWayIsAskedOnlyOnce) {
  struct Case {
    bool refuseLevel, refuseFlag;
    int refusals;
  } cases[] = {{false, false, 0}, {true, false, 1}, {false, true, 1}, {true, true, 1}};
  TempFolder tree;
  for (const wchar_t* name : {L"a.version", L"Lamps\\a.ies", L"Lamps\\Old\\b.ies", L"Materials\\c.mat"})
    WriteTestFile(tree / name, "x");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.refuseLevel) + std::to_string(c.refuseFlag));
    OlderWindows::refuseLevel = c.refuseLevel;
    OlderWindows::refuseFlag = c.refuseFlag;
    OlderWindows::asked = OlderWindows::refused = 0;
    platform::UseFindFirstFileEx(&OlderWindows::FindFirst);

    StringList files;
    EXPECT_EQ(ListFiles(tree.Path(), L"*.*", files, true), 4);
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(OlderWindows::refused, c.refusals);
    // Four folders searched, plus the one refusal.
    EXPECT_EQ(OlderWindows::asked, 4 + c.refusals);

    StringList missing;
    EXPECT_EQ(ListFiles(tree / L"absent", L"*.*", missing, true), 0);
    EXPECT_EQ(OlderWindows::asked, 5 + c.refusals);
  }
}

}  // namespace
