// The window's progress sink: turns each report of a sync into changes of the
// progress bar, task-bar button, tray tooltip and balloons, log and buttons.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <atomic>

#include "app/progress_callback.h"
#include "platform/win32/unique_resource.h"

struct MainWindowState;

class ShelfmateProgressCallBack final : public Korvane::AProgressCallBack {
 public:
  // Tries to create the task-bar object; the display works without one.
  explicit ShelfmateProgressCallBack(MainWindowState& owner);
  ~ShelfmateProgressCallBack();
  ShelfmateProgressCallBack(const ShelfmateProgressCallBack&) = delete;
  ShelfmateProgressCallBack& operator=(const ShelfmateProgressCallBack&) = delete;

  void SetProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position) override;
  void SetBusy(bool busy) override;
  void AddMessage(const wchar_t* text) override;
  void Finished(const wchar_t* message, bool isError) override;

  bool HasTaskBar() const { return static_cast<bool>(taskBar); }

  // The window thread's side of a task-bar update (see MSG_TASKBAR_UPDATE).
  void ApplyTaskBarUpdate(WPARAM kind, LPARAM data);

 private:
  void SendTaskBarUpdate(WPARAM kind, LPARAM data);

  MainWindowState& owner;
  std::atomic<bool> firstReport{true};
  win32::ComPtr<ITaskbarList3> taskBar;
};
