// Helpers for install-script tests: the names in a folder, exactly as the
// file system spells them.
#pragma once

#include <string>

#include "sync/paths.h"

// The entry names of a folder, sorted; empty when it does not exist.
StringList NamesIn(const std::wstring& folder);
