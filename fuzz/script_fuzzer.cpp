// Fuzz target for reading and tokenizing install scripts: any script file
// must neither crash nor upset the sanitizers, lines must keep to their
// length limit, and tokens must hold the line's characters and no others.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "scratch_file.h"
#include "install/script_file.h"
#include "install/script_text.h"

namespace {

[[noreturn]] void Fail(const char* what) { FuzzFailure("script_fuzzer", what); }

const Scratch& ScratchFile() { return ::ScratchFile("script_fuzzer", "fuzz.lms"); }

void CheckTokens(const std::wstring& line) {
  StringList tokens;
  const bool result = TokenizeLine(line, L' ', L'<', L'>', tokens);
  if (result && tokens.size() == 1) Fail("true with a single token");
  // Tokens hold exactly the line's characters, less some of its blanks.
  std::map<wchar_t, long> count;
  for (wchar_t c : line) ++count[c];
  for (const std::wstring& token : tokens) {
    if (token.empty() && !line.empty()) Fail("empty token");
    for (wchar_t c : token) --count[c];
  }
  for (const auto& [c, left] : count)
    if (left < 0 || (left > 0 && c != L' ' && !tokens.empty())) Fail("tokens do not hold the line's characters");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks a small line limit now and then, so that cut lines come up often.
  const size_t limit = size > 0 && data[0] < 16 ? data[0] + 1u : 2048;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const StringList lines = SplitScriptText(text, limit);
  if (lines.empty()) Fail("no line at all");
  for (const std::wstring& line : lines) {
    if (line.size() >= limit) Fail("line over the limit");
    CheckTokens(line);
    CheckTokens(ToUpperAscii(line));
  }

  {
    std::ofstream out(ScratchFile().native, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  if (ReadScriptLines(ScratchFile().path, limit) != lines) Fail("file and text read differently");
  return 0;
}
