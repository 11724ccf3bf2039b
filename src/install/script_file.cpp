// Reading install scripts.
#include "install/script_file.h"

#include "platform/file_system.h"

StringList SplitScriptText(const std::string& text, size_t maxLength) {
  StringList lines;
  if (maxLength == 0) return lines;
  const size_t longest = maxLength - 1;
  std::wstring line;
  size_t i = 0;
  for (;;) {
    line.clear();
    bool endOfText = true;
    while (i < text.size()) {
      // Text mode: CR LF reads as LF; a CR elsewhere is an ordinary character.
      const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
      if (text[i] == '\n' || crlf) {
        i += crlf ? 2 : 1;
        endOfText = false;
        break;
      }
      if (line.size() == longest) {
        // An over-long line is cut here and nothing after it is read.
        lines.push_back(line);
        return lines;
      }
      line += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
      ++i;
    }
    lines.push_back(line);
    if (endOfText) return lines;
  }
}

StringList ReadScriptLines(const std::wstring& path, size_t maxLength) {
  std::string text;
  if (!platform::ReadWholeFile(path, text, platform::ReadSharing::ReadersAndWriters)) return StringList();
  return SplitScriptText(text, maxLength);
}
