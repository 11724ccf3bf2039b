// Picking a folder with the shell's dialogs.
#include "settings/folder_picker.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/unique_resource.h"
#include "schedule/task_scheduler.h"

namespace {

constexpr size_t kFolderCapacity = 260;

// Frees an item id list from the legacy browser.
struct ItemIdListTraits {
  using Type = PIDLIST_ABSOLUTE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type list) noexcept { ::CoTaskMemFree(list); }
};

bool BrowseLegacy(HWND owner, const wchar_t* title, std::wstring& folder) {
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.pidlRoot = nullptr;
  browse.pszDisplayName = nullptr;
  browse.lpszTitle = title;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
  win32::UniqueResource<ItemIdListTraits> chosen(::SHBrowseForFolderW(&browse));
  if (!chosen) return false;
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetPathFromIDListW(chosen.Get(), path)) return false;
  folder = path;
  return true;
}

bool BrowseWithFileDialog(HWND owner, const wchar_t* title, std::wstring& folder) {
  win32::ComPtr<IFileDialog> dialog;
  if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                dialog.PutVoid())))
    return false;
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options)) ||
      FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM)) ||
      FAILED(dialog->SetTitle(title)) || FAILED(dialog->Show(owner)))
    return false;
  win32::ComPtr<IShellItem> item;
  if (FAILED(dialog->GetResult(item.Put()))) return false;
  PWSTR path = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || path == nullptr) return false;
  folder = path;
  ::CoTaskMemFree(path);
  return true;
}

}  // namespace

bool BrowseForFolder(HWND owner, const wchar_t* title, std::wstring& folder) {
  std::wstring chosen;
  const bool picked = WindowsMajorVersion() < 6 ? BrowseLegacy(owner, title, chosen)
                                                : BrowseWithFileDialog(owner, title, chosen);
  if (!picked || chosen.size() >= kFolderCapacity) return false;
  folder = chosen;
  return true;
}
