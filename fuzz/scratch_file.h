// The one scratch file a fuzz target writes its inputs to, made once per process.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

[[noreturn]] inline void FuzzFailure(const char* fuzzer, const char* what) {
  std::fprintf(stderr, "%s: %s\n", fuzzer, what);
  std::abort();
}

// The scratch file, as a program path (C: stands for the root) and natively.
struct Scratch {
  std::string native;
  std::wstring path;
};

// A file named fileName in a fresh folder under /tmp, the same on every call.
inline const Scratch& ScratchFile(const char* fuzzer, const char* fileName) {
  static const Scratch scratch = [&] {
    char folder[] = "/tmp/shelfmate-fuzz-XXXXXX";
    if (::mkdtemp(folder) == nullptr) FuzzFailure(fuzzer, "no scratch folder");
    Scratch made;
    made.native = std::string(folder) + "/" + fileName;
    made.path = L"C:";
    for (const char c : made.native) made.path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return made;
  }();
  return scratch;
}
