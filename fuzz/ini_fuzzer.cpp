// Fuzz target for the INI reader and writer: any file content and any section,
// key and value must neither crash nor upset the sanitizers, a refused write
// must leave the file as it was, and a write that succeeded must read back.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_file.h"
#include "settings/ini_file.h"

namespace {

// Input layout: three length bytes, then the section, key and value of those
// lengths (each byte a character; 0x01 stands for a character above 255), then
// the file content.
struct Input {
  std::wstring section, key, value;
  std::string content;
};

Input Split(const uint8_t* data, size_t size) {
  Input input;
  size_t at = 0;
  size_t lengths[3] = {};
  for (size_t& length : lengths) length = at < size ? data[at++] % 40 : 0;
  std::wstring* fields[3] = {&input.section, &input.key, &input.value};
  for (int field = 0; field < 3; ++field)
    for (size_t n = 0; n < lengths[field] && at < size; ++n, ++at)
      *fields[field] += data[at] == 0x01 ? L'\u0141' : static_cast<wchar_t>(data[at]);
  input.content.assign(reinterpret_cast<const char*>(data) + at, size - at);
  return input;
}

[[noreturn]] void Fail(const char* what) { FuzzFailure("ini_fuzzer", what); }

const Scratch& ScratchFile() { return ::ScratchFile("ini_fuzzer", "fuzz.ini"); }

void Store(const std::string& native, const std::string& bytes) {
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Load(const std::string& native) {
  std::ifstream in(native, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// How many key lines of the section match the key, by the format's rules,
// counted independently of the code under test.
size_t MatchingKeyLines(const std::string& content, const std::wstring& section, const std::wstring& key) {
  std::string text;
  for (size_t at = 0; at < content.size(); ++at)
    if (!(content[at] == '\r' && at + 1 < content.size() && content[at + 1] == '\n')) text += content[at];
  std::vector<std::wstring> lines(1);
  for (const char c : text) {
    if (c == '\n')
      lines.emplace_back();
    else
      lines.back() += static_cast<wchar_t>(static_cast<unsigned char>(c));
  }
  std::wstring current;
  size_t matches = 0;
  for (std::wstring line : lines) {
    line = line.substr(0, kIniLineLimit);
    if (line.size() >= 3 && line.front() == L'[' && line.back() == L']') {
      current = line.substr(1, line.size() - 2);
    } else if (current == section && line.substr(0, line.find(L'=')) == key) {
      ++matches;
    }
  }
  return matches;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Input input = Split(data, size);
  const Scratch& scratch = ScratchFile();
  Store(scratch.native, input.content);

  std::wstring before = L"untouched";
  if (ReadIniValue(input.section, scratch.path, input.key, before) && before.size() >= kIniLineLimit)
    Fail("value longer than a line");
  if (!WriteIniValue(input.section, scratch.path, input.key, input.value)) {
    if (Load(scratch.native) != input.content) Fail("refused write changed the file");
    return 0;
  }
  if (::access((scratch.native + ".shelfmateNew").c_str(), F_OK) == 0) Fail("temporary file left behind");

  const std::string written = Load(scratch.native);
  for (size_t at = 0; at < written.size(); ++at)
    if (written[at] == '\n' && (at == 0 || written[at - 1] != '\r')) Fail("line end without carriage return");

  std::wstring after;
  if (!ReadIniValue(input.section, scratch.path, input.key, after)) Fail("written key not found");
  // With the key already twice in the section the reader keeps finding the first one.
  if (MatchingKeyLines(input.content, input.section, input.key) < 2 && after != input.value)
    Fail("written value did not read back");

  if (!WriteIniValue(input.section, scratch.path, input.key, input.value)) Fail("second write refused");
  if (Load(scratch.native) != written) Fail("second identical write changed the layout");
  return 0;
}
