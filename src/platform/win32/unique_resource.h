// Owners for Win32 handles, GDI objects and COM pointers: one small template
// with a traits type per kind of resource, so nothing is closed by hand.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace win32 {

// Owns one resource; Traits gives its type, its empty value and how it closes.
template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() noexcept : value(Traits::Empty()) {}
  explicit UniqueResource(Type owned) noexcept : value(owned) {}
  ~UniqueResource() { Reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Type Get() const noexcept { return value; }
  bool Valid() const noexcept { return value != Traits::Empty(); }
  explicit operator bool() const noexcept { return Valid(); }

  Type Release() noexcept { return std::exchange(value, Traits::Empty()); }
  void Reset(Type owned = Traits::Empty()) noexcept {
    Type old = std::exchange(value, owned);
    if (old != Traits::Empty()) Traits::Close(old);
  }

 private:
  Type value;
};

struct FileHandleTraits {  // CreateFileW: empty is INVALID_HANDLE_VALUE
  using Type = HANDLE;
  static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct KernelHandleTraits {  // threads, processes, events: empty is NULL
  using Type = HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { ::FindClose(h); }
};
struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
struct FontTraits {
  using Type = HFONT;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct IconTraits {  // icons loaded without LR_SHARED
  using Type = HICON;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::DestroyIcon(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::FreeLibrary(h); }
};
struct LocalMemoryTraits {  // buffers the system allocated with LocalAlloc for the caller
  using Type = HLOCAL;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::LocalFree(h); }
};

using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueRegistryKey = UniqueResource<RegistryKeyTraits>;
using UniqueFont = UniqueResource<FontTraits>;
using UniqueIcon = UniqueResource<IconTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits>;

// Owns one reference to a COM object.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer(std::exchange(other.pointer, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer = std::exchange(other.pointer, nullptr);
    }
    return *this;
  }

  T* Get() const noexcept { return pointer; }
  T* operator->() const noexcept { return pointer; }
  explicit operator bool() const noexcept { return pointer != nullptr; }

  // For out-parameters: releases what is held and hands out the slot.
  T** Put() noexcept {
    Reset();
    return &pointer;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  void Reset() noexcept {
    if (T* old = std::exchange(pointer, nullptr)) old->Release();
  }

 private:
  T* pointer = nullptr;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintDC {
 public:
  explicit PaintDC(HWND window) noexcept : window(window), dc(::BeginPaint(window, &paint)) {}
  ~PaintDC() { ::EndPaint(window, &paint); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC Get() const noexcept { return dc; }
  const PAINTSTRUCT& Info() const noexcept { return paint; }

 private:
  HWND window;
  PAINTSTRUCT paint{};
  HDC dc;
};

// The screen's device context, from GetDC(nullptr) to ReleaseDC.
class ScreenDC {
 public:
  ScreenDC() noexcept : dc(::GetDC(nullptr)) {}
  ~ScreenDC() {
    if (dc) ::ReleaseDC(nullptr, dc);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC Get() const noexcept { return dc; }

 private:
  HDC dc;
};

// Selects a GDI object into a DC and puts the previous one back on scope exit.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc(dc), previous(::SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous && previous != HGDI_ERROR) ::SelectObject(dc, previous);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc;
  HGDIOBJ previous;
};

}  // namespace win32
