// Program paths as the POSIX seam hands them to the system.
#include "platform/posix/native_path.h"

#include <gtest/gtest.h>

namespace {

TEST(NativePath, DriveIsTheRootAndBackslashesBecomeSlashes) {
  struct Case {
    std::wstring path;
    std::string native;
  };
  const Case cases[] = {
      {L"C:\\tmp\\lib\\a.ies", "/tmp/lib/a.ies"},
      {L"C:\\", "/"},
      {L"C:", "/"},
      {L"d:\\x", "/x"},
      {L"lib\\a", "lib/a"},
      {L"C:\\lib\\\\sub\\", "/lib//sub/"},
      {L"\\\\server\\share", "//server/share"},
      {L"C:\\caf\u00e9\\\u20ac", "/caf\xc3\xa9/\xe2\x82\xac"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::posix::NativePath(c.path), c.native) << c.native;
  EXPECT_EQ(platform::posix::NativePathNarrow("C:\\caf\xe9"), "/caf\xc3\xa9");
}

TEST(NativePath, Utf8ComesBackAsTheSameWideText) {
  const std::wstring texts[] = {L"plain", L"caf\u00e9", L"\u20ac\u4e2d", L""};
  for (const auto& text : texts) {
    const std::string native = platform::posix::NativePath(text);
    EXPECT_EQ(platform::posix::WideFromUtf8(native), text);
  }
}

}  // namespace
