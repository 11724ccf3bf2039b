// Owners for COM strings (BSTR and task-memory), VARIANTs and one operation's COM initialisation.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>

#include "platform/win32/unique_resource.h"

namespace win32 {

struct BstrTraits {
  using Type = BSTR;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type s) noexcept { ::SysFreeString(s); }
};

// A BSTR copy of a wide string; empty (not Valid) when allocation failed.
class UniqueBstr : public UniqueResource<BstrTraits> {
 public:
  UniqueBstr() noexcept = default;
  explicit UniqueBstr(const std::wstring& text) noexcept
      : UniqueResource(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
};

// A BSTR that a callee handed out, freed on scope exit.
using OwnedBstr = UniqueResource<BstrTraits>;

struct CoTaskMemTraits {
  using Type = wchar_t*;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type p) noexcept { ::CoTaskMemFree(p); }
};

// A string that a COM callee allocated with CoTaskMemAlloc.
using CoTaskMemString = UniqueResource<CoTaskMemTraits>;

// A VARIANT that is cleared on scope exit; starts as VT_EMPTY.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { ::VariantInit(&value); }
  ~UniqueVariant() { ::VariantClear(&value); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  // For by-value parameters: the callee copies what it keeps.
  const VARIANT& Get() const noexcept { return value; }
  VARIANT* Put() noexcept {
    ::VariantClear(&value);
    return &value;
  }

 private:
  VARIANT value;
};

// One operation's COM initialisation. It uninitialises only when its own call
// succeeded, so an apartment the thread had entered before stays as it was.
class ComInitialisation {
 public:
  enum class Model { Legacy, MultiThreaded };

  explicit ComInitialisation(Model model) noexcept
      : result(model == Model::Legacy ? ::CoInitialize(nullptr) : ::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComInitialisation() {
    if (SUCCEEDED(result)) ::CoUninitialize();
  }
  ComInitialisation(const ComInitialisation&) = delete;
  ComInitialisation& operator=(const ComInitialisation&) = delete;

  HRESULT Result() const noexcept { return result; }

 private:
  HRESULT result;
};

}  // namespace win32
