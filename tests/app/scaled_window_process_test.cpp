// Shelfmate.exe's main window at 100%, 150% and 200% scaling, started as its
// own process so that it takes the DPI the system gives a new program.
#include <windows.h>
#include <msxml2.h>
#include <objbase.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "schedule/com_values.h"
#include "support/win32/process.h"
#include "window_search.h"

namespace {

// The screen's DPI that Wine gives each new program, from the prefix's
// registry (on Windows, the same value holds the DPI chosen for the session).
// The value the prefix had is put back afterwards.
class ScreenDpiSetting {
 public:
  ScreenDpiSetting() {
    HKEY opened = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, &opened, nullptr) != ERROR_SUCCESS)
      return;
    key.Reset(opened);
    DWORD size = sizeof original;
    hadValue = ::RegQueryValueExW(key.Get(), kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&original), &size) ==
               ERROR_SUCCESS;
  }
  ~ScreenDpiSetting() {
    if (!key) return;
    if (hadValue)
      Write(original);
    else
      ::RegDeleteValueW(key.Get(), kValue);
  }
  ScreenDpiSetting(const ScreenDpiSetting&) = delete;
  ScreenDpiSetting& operator=(const ScreenDpiSetting&) = delete;

  bool Write(DWORD dpi) {
    return key && ::RegSetValueExW(key.Get(), kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                                   sizeof dpi) == ERROR_SUCCESS;
  }

 private:
  static constexpr const wchar_t* kValue = L"LogPixels";
  win32::UniqueRegistryKey key;
  DWORD original = 0;
  bool hadValue = false;
};

// This thread reads other programs' windows in real pixels while it lives: a
// thread of a program at another DPI would be given them scaled to its own.
class RealPixelsOnThisThread {
 public:
  RealPixelsOnThisThread() {
    if (set) previous = set(reinterpret_cast<HANDLE>(-4));  // per-monitor aware, version 2
  }
  ~RealPixelsOnThisThread() {
    if (set && previous) set(previous);
  }
  RealPixelsOnThisThread(const RealPixelsOnThisThread&) = delete;
  RealPixelsOnThisThread& operator=(const RealPixelsOnThisThread&) = delete;

 private:
  using SetContext = HANDLE(WINAPI*)(HANDLE);
  SetContext set = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
  HANDLE previous = nullptr;
};

int Scaled(int at96, int dpi) { return ::MulDiv(at96, dpi, 96); }

// A child's rectangle in its parent's client coordinates.
RECT PlaceOf(HWND control, HWND parent) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

// How wide and high a caption is in Tahoma of this height, as the buttons draw it.
SIZE CaptionExtent(const std::wstring& caption, int fontHeight) {
  win32::UniqueFont font(::CreateFontW(fontHeight, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                       OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH,
                                       L"TAHOMA"));
  const win32::ScreenDC screen;
  const win32::SelectedObject selected(screen.Get(), font.Get());
  SIZE extent{};
  ::GetTextExtentPoint32W(screen.Get(), caption.c_str(), static_cast<int>(caption.size()), &extent);
  return extent;
}

// How many lines of a long log the view shows at once: it is filled with
// numbered lines (the text goes over to the program as the message's
// string) and scrolled to the end.
int VisibleLogLines(HWND view) {
  std::wstring log;
  for (int line = 0; line < 200; ++line) log += (line ? L"\r\n" : L"") + std::wstring(L"Copied: line ") +
                                                 std::to_wstring(line);
  ::SendMessageW(view, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(log.c_str()));
  ::SendMessageW(view, WM_VSCROLL, SB_BOTTOM, 0);
  const auto lines = static_cast<int>(::SendMessageW(view, EM_GETLINECOUNT, 0, 0));
  const auto first = static_cast<int>(::SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0));
  return lines - first;
}

struct ShownWindow {
  RECT frame{}, client{};
  RECT bar{}, sync{}, close{}, view{};
  int logLines = 0;
};

// Starts the program at this DPI, reads its window and closes it again.
bool ShowAt(ScreenDpiSetting& setting, int dpi, ShownWindow& shown) {
  if (!setting.Write(static_cast<DWORD>(dpi))) return false;
  Process process(L"");
  if (!process.Started()) return false;
  HWND window = WaitForWindow(process.Id(), L"ShelfmateControl", 20000);
  if (window == nullptr) return false;
  // Shown, and laid out by the size message that showing it brings.
  if (::WaitForInputIdle(process.Handle(), 20000) != 0) return false;
  const HWND bar = driver::ChildOfClass(window, L"msctls_progress32"), sync = driver::Button(window, L"Sync"),
             close = driver::Button(window, L"Close"), view = driver::ChildOfClass(window, L"RICHEDIT50W");
  if (!bar || !sync || !close || !view) return false;
  ::GetWindowRect(window, &shown.frame);
  ::GetClientRect(window, &shown.client);
  shown.bar = PlaceOf(bar, window);
  shown.sync = PlaceOf(sync, window);
  shown.close = PlaceOf(close, window);
  shown.view = PlaceOf(view, window);
  shown.logLines = VisibleLogLines(view);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  return process.WaitForExit(20000) == 0;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT common{};
  return ::IntersectRect(&common, &a, &b) != FALSE;
}

TEST(ScaledWindowProcess, TheWindowIsLaidOutAtTheScreensDpi) {
  ScreenDpiSetting setting;
  const RealPixelsOnThisThread realPixels;
  int logLinesAt96 = 0;
  for (const int dpi : {96, 144, 192}) {
    SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
    ShownWindow shown;
    ASSERT_TRUE(ShowAt(setting, dpi, shown));

    // The 96-DPI figures of the window and of its controls, at this DPI.
    const int margin = Scaled(10, dpi);
    EXPECT_EQ(Width(shown.frame), Scaled(420, dpi));
    EXPECT_EQ(Height(shown.frame), Scaled(220, dpi));
    EXPECT_EQ(shown.bar.left, margin);
    EXPECT_EQ(shown.bar.top, margin);
    EXPECT_EQ(Height(shown.bar), Scaled(20, dpi));
    EXPECT_EQ(shown.view.left, margin);
    EXPECT_EQ(shown.view.top, Scaled(40, dpi));
    EXPECT_EQ(Width(shown.sync), Scaled(100, dpi));
    EXPECT_EQ(Height(shown.sync), Scaled(30, dpi));
    EXPECT_EQ(Width(shown.close), Scaled(50, dpi));
    EXPECT_EQ(Height(shown.close), Scaled(30, dpi));
    EXPECT_EQ(shown.sync.right, shown.client.right - margin);
    EXPECT_EQ(shown.sync.bottom, shown.client.bottom - margin);
    EXPECT_EQ(shown.close.right, shown.sync.left - margin);
    EXPECT_EQ(shown.view.right, shown.client.right - margin);
    EXPECT_EQ(shown.view.bottom, shown.sync.top - margin);
    if (dpi == 96) {
      EXPECT_EQ(Width(shown.sync), 100);
      EXPECT_EQ(Width(shown.close), 50);
      EXPECT_EQ(Height(shown.view), Height(shown.client) - 90);
    }

    // Every control in the client area, none over another.
    const std::vector<RECT> controls{shown.bar, shown.sync, shown.close, shown.view};
    for (size_t i = 0; i < controls.size(); ++i) {
      EXPECT_TRUE(Inside(controls[i], shown.client)) << "control " << i;
      for (size_t j = i + 1; j < controls.size(); ++j)
        EXPECT_FALSE(Overlap(controls[i], controls[j])) << "controls " << i << " and " << j;
    }

    // Each caption a button can carry fits it in the buttons' font, with the
    // button's frame and focus rectangle (4 pixels a side at 96 DPI) around
    // it, and beside the Sync button's icon.
    const int fontHeight = Scaled(15, dpi), padding = 2 * Scaled(4, dpi), icon = Scaled(16, dpi);
    for (const wchar_t* caption : {L"Sync", L"Pause", L"Resume"}) {
      const SIZE text = CaptionExtent(caption, fontHeight);
      EXPECT_GE(Width(shown.sync), icon + text.cx + padding) << caption;
      EXPECT_GE(Height(shown.sync), std::max<int>(icon, text.cy) + padding) << caption;
    }
    for (const wchar_t* caption : {L"Close", L"Cancel"}) {
      const SIZE text = CaptionExtent(caption, fontHeight);
      EXPECT_GE(Width(shown.close), text.cx + padding) << caption;
      EXPECT_GE(Height(shown.close), text.cy + padding) << caption;
    }

    // A larger scale shows no fewer lines of the log.
    if (dpi == 96) logLinesAt96 = shown.logLines;
    EXPECT_GE(shown.logLines, logLinesAt96);
    EXPECT_GT(shown.logLines, 1);
  }
}

// Shelfmate.exe's resources, read from the image without running it.
class ShippedResources {
 public:
  ShippedResources() : image(::LoadLibraryExW(ShelfmateExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  bool Loaded() const { return static_cast<bool>(image); }
  HMODULE Module() const { return image.Get(); }
  // The resource's bytes and size, or null where the image has none.
  const BYTE* Find(const wchar_t* name, const wchar_t* type, DWORD& size) const {
    HRSRC found = ::FindResourceW(image.Get(), name, type);
    if (found == nullptr) return nullptr;
    size = ::SizeofResource(image.Get(), found);
    return static_cast<const BYTE*>(::LockResource(::LoadResource(image.Get(), found)));
  }

 private:
  win32::UniqueModule image;
};

// The message table Event Viewer reads the program's events with: one message
// per run's end, 1000 to 1004, that shows the event's text as it stands.
TEST(ShippedMessageTable, ShowsEachRunsEventTextAsItStands) {
  const ShippedResources shipped;
  ASSERT_TRUE(shipped.Loaded()) << ShelfmateExe();
  const std::wstring text = L"Result: 1 - files could not be copied\r\nNot Copied: \\a%2.ies - 100% denied";
  for (DWORD id = 999; id <= 1005; ++id) {
    wchar_t shown[512] = {};
    const DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(text.c_str())};
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, shipped.Module(), id, 0, shown,
                         512, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(arguments)));
    if (id < 1000 || id > 1004) {
      EXPECT_EQ(length, 0u) << id;
      continue;
    }
    EXPECT_EQ(std::wstring(shown, length), text) << id;
  }
}

// The program's icon holds a bitmap at each size that 100% to 200% scaling
// asks for (small and large icons), so that none is stretched from another
// size; each entry is a DIB, as Windows XP cannot read PNG-compressed ones.
TEST(ShippedIcon, HasABitmapAtEverySizeTheScalesAskFor) {
  const ShippedResources shipped;
  ASSERT_TRUE(shipped.Loaded()) << ShelfmateExe();
  auto resource = [&](const wchar_t* name, const wchar_t* type, DWORD& size) { return shipped.Find(name, type, size); };
  DWORD groupSize = 0;
  const BYTE* group = resource(MAKEINTRESOURCEW(107), MAKEINTRESOURCEW(14), groupSize);  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  ASSERT_GE(groupSize, 6u);
  WORD count = 0;
  std::memcpy(&count, group + 4, sizeof count);
  constexpr size_t kEntrySize = 14;  // width, height, colours, reserved, planes, bits, bytes, id
  ASSERT_GE(groupSize, 6 + count * kEntrySize);

  std::vector<int> sizes;
  for (WORD entry = 0; entry < count; ++entry) {
    const BYTE* at = group + 6 + entry * kEntrySize;
    WORD id = 0;
    std::memcpy(&id, at + 12, sizeof id);
    sizes.push_back(at[0] == 0 ? 256 : at[0]);
    DWORD size = 0;
    const BYTE* data = resource(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3), size);  // RT_ICON
    ASSERT_NE(data, nullptr) << "entry " << entry;
    ASSERT_GE(size, sizeof(BITMAPINFOHEADER)) << "entry " << entry;
    DWORD header = 0;
    std::memcpy(&header, data, sizeof header);
    EXPECT_EQ(header, sizeof(BITMAPINFOHEADER)) << "entry " << entry << " of " << sizes.back() << " pixels";
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 40, 48, 64}));
}

// The Windows versions the program's manifest lists as supported, as the
// system read them: the activation context's compatibility elements. An
// element outside its namespace would not be read.
std::vector<std::wstring> SupportedVersions() {
  SIZE_T needed = 0;
  // No context named: the process's default one, from the image's manifest.
  ::QueryActCtxW(0, nullptr, nullptr, CompatibilityInformationInActivationContext, nullptr, 0, &needed);
  std::vector<BYTE> data(needed);
  if (needed < sizeof(DWORD) ||
      !::QueryActCtxW(0, nullptr, nullptr, CompatibilityInformationInActivationContext, data.data(), data.size(),
                      &needed))
    return {};
  DWORD count = 0;
  std::memcpy(&count, data.data(), sizeof count);
  // Older systems give each element as a GUID and a type (20 bytes after a
  // 4-byte count); newer ones add a 64-bit tested version, aligned to 8.
  size_t first = 4, each = 20;
  if (count != 0 && needed != first + each * count) first = 8, each = 32;
  if (count != 0 && needed < first + each * count) return {};
  std::vector<std::wstring> versions;
  for (DWORD element = 0; element < count; ++element) {
    GUID id{};
    std::memcpy(&id, data.data() + first + each * element, sizeof id);
    DWORD type = 0;
    std::memcpy(&type, data.data() + first + each * element + sizeof id, sizeof type);
    if (type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) continue;
    wchar_t text[40] = {};
    ::StringFromGUID2(id, text, 40);
    versions.push_back(text);
  }
  return versions;
}

// The manifest's text in the image: its DPI awareness is read only in
// application/windowsSettings of the asm.v3 namespace, and only from the
// 2005 WindowsSettings namespace (Wine reads it anywhere, and every program
// it starts gets the screen's DPI, so no run under Wine shows this).
TEST(ProgramManifest, DeclaresDpiAwarenessWhereWindowsReadsIt) {
  const ShippedResources shipped;
  ASSERT_TRUE(shipped.Loaded()) << ShelfmateExe();
  DWORD size = 0;
  const BYTE* text = shipped.Find(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24), size);  // RT_MANIFEST
  ASSERT_NE(text, nullptr);
  std::wstring manifest(size, L'\0');
  manifest.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(text),
                                                            static_cast<int>(size), manifest.data(),
                                                            static_cast<int>(manifest.size()))));
  // The XML declaration names UTF-8; the string handed over is already wide.
  manifest.erase(0, manifest.find(L"<assembly"));

  const win32::ComInitialisation com(win32::ComInitialisation::Model::Legacy);
  ASSERT_TRUE(SUCCEEDED(com.Result()));
  CLSID documentClass{};
  ASSERT_EQ(::CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &documentClass), S_OK);
  win32::ComPtr<IXMLDOMDocument2> document;
  // IXMLDOMDocument2's id, which the toolchain's libraries do not all define.
  const IID documentInterface{0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
  ASSERT_EQ(::CoCreateInstance(documentClass, nullptr, CLSCTX_INPROC_SERVER, documentInterface, document.PutVoid()),
            S_OK);
  VARIANT_BOOL parsed = VARIANT_FALSE;
  ASSERT_EQ(document->loadXML(win32::UniqueBstr(manifest).Get(), &parsed), S_OK);
  ASSERT_EQ(parsed, VARIANT_TRUE);
  auto setProperty = [&](const wchar_t* name, const wchar_t* value) {
    const win32::UniqueBstr text(value);
    VARIANT variant;
    ::VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = text.Get();  // lent for the call
    return document->setProperty(win32::UniqueBstr(name).Get(), variant);
  };
  ASSERT_EQ(setProperty(L"SelectionLanguage", L"XPath"), S_OK);
  ASSERT_EQ(setProperty(L"SelectionNamespaces", L"xmlns:v1='urn:schemas-microsoft-com:asm.v1' "
                                                L"xmlns:v3='urn:schemas-microsoft-com:asm.v3' "
                                                L"xmlns:ws='http://schemas.microsoft.com/SMI/2005/WindowsSettings'"),
            S_OK);
  win32::ComPtr<IXMLDOMNode> dpiAware;
  ASSERT_EQ(document->selectSingleNode(
                win32::UniqueBstr(L"/v1:assembly/v3:application/v3:windowsSettings/ws:dpiAware").Get(),
                dpiAware.Put()),
            S_OK);
  BSTR value = nullptr;
  ASSERT_EQ(dpiAware->get_text(&value), S_OK);
  const win32::OwnedBstr owned(value);
  EXPECT_STREQ(value, L"true");
}

// This test program carries the program's own manifest (it is built from the
// same resource script), so the system has read its list of supported
// Windows versions here as it reads it for Shelfmate.exe.
TEST(ProgramManifest, ListsTheSupportedWindowsVersions) {
  EXPECT_EQ(SupportedVersions(), (std::vector<std::wstring>{
                                     L"{E2011457-1546-43C5-A5FE-008DEEE3D3F0}",  // Vista
                                     L"{35138B9A-5D96-4FBD-8E2D-A2440225F93A}",  // 7
                                     L"{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}",  // 8
                                     L"{1F676C76-80E1-4239-95BB-83D0F6D0DA78}",  // 8.1
                                     L"{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}",  // 10 and 11
                                 }));
}

}  // namespace
