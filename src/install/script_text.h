// Text rules of install scripts: ASCII case changes, trimming, suffix tests
// and the splitting of a script line into tokens.
#pragma once

#include <string>

#include "sync/paths.h"

// Copies with only a to z (or A to Z) changed; every other character stays.
std::wstring ToUpperAscii(const std::wstring& text);
std::wstring ToLowerAscii(const std::wstring& text);

// The text without the characters of `set` at its front and back; those
// inside the text stay.
std::wstring TrimAnyOf(const std::wstring& text, const std::wstring& set);

// True when the upper-cased path ends with one of the suffixes (which are
// given in upper case).
bool EndsWithAny(const std::wstring& path, const StringList& suffixes);

// Splits a line at `separator`, keeping each group from `opener` to the next
// `closer` together with its separators, and appends the tokens to `tokens`.
// A group directly at the end of the last piece does not join it but
// becomes a token of its own after all pieces. Runs of separators count as
// one. False when a group is not closed, when the line holds no separator
// outside its groups (the whole line is then appended as one token), and
// when exactly one token came out; true otherwise, also for no token at all.
bool TokenizeLine(const std::wstring& line, wchar_t separator, wchar_t opener, wchar_t closer,
                  StringList& tokens);
