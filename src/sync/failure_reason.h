// Why a file could not be copied or restored, as the run's record tells it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"

struct FailureReason {
  std::uint32_t code = 0;  // the error of the call that failed; 0 where none did
  std::wstring text;       // the program's own sentence, where no call failed

  // The reason of the seam call on this thread that failed last.
  static FailureReason OfLastCall() { return FailureReason{platform::LastFailure(), {}}; }
  static FailureReason Saying(std::wstring sentence) { return FailureReason{0, std::move(sentence)}; }

  // What the record shows: the sentence, else the system's text for the code.
  std::wstring Text() const {
    if (!text.empty()) return text;
    return code != 0 ? platform::ErrorText(code) : std::wstring(L"the reason was not reported");
  }

  // The file itself was not found, where a dropped connection or a missing
  // folder gives another error.
  bool FileNotFound() const { return text.empty() && code == platform::kErrorFileNotFound; }
};
