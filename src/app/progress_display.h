// The window's progress sink: turns each report of a sync into changes of the
// progress bar, task-bar button, tray tooltip and balloons, log and buttons.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <shellapi.h>

#include <atomic>
#include <string>

#include "app/progress_callback.h"
#include "platform/win32/unique_resource.h"
#include "sync/sync_job.h"

// What the display changes: the window and its controls, the tray record,
// the window's running flag, and the job whose run it shows. All belong to
// the window's record and outlive the display.
struct ProgressTargets {
  HWND window = nullptr;
  HWND progressBar = nullptr;
  HWND syncButton = nullptr;
  HWND closeButton = nullptr;
  HWND logView = nullptr;
  NOTIFYICONDATAW* trayIcon = nullptr;
  std::atomic<bool>* syncRunning = nullptr;
  const SyncJob* job = nullptr;
};

// One report as it travels to the window thread (MSG_PROGRESS_REPORT).
struct ProgressReport {
  enum class Kind { Progress, Busy, Message, Finished };
  Kind kind = Kind::Message;
  std::int32_t minimum = 0, maximum = 0, position = 0;
  bool flag = false;              // busy, or the run ended in error
  const wchar_t* text = nullptr;  // the log line, or the run's outcome
};

// Every report is one synchronous call to the window thread, which applies
// all of it there before the caller goes on: nothing is posted, buffered or
// reordered, and only the window thread touches the controls, the tray
// record and the task-bar object.
class ShelfmateProgressCallBack final : public Korvane::AProgressCallBack {
 public:
  // Tries to create the task-bar object; the display works without one.
  explicit ShelfmateProgressCallBack(const ProgressTargets& targets);
  ~ShelfmateProgressCallBack();
  ShelfmateProgressCallBack(const ShelfmateProgressCallBack&) = delete;
  ShelfmateProgressCallBack& operator=(const ShelfmateProgressCallBack&) = delete;

  void SetProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position) override;
  void SetBusy(bool busy) override;
  void AddMessage(const wchar_t* text) override;
  void Finished(const wchar_t* message, bool isError) override;

  // The window thread's side of a report.
  void Apply(const ProgressReport& report);

  // Paints the log view and the bar now if reports have held them back.
  void PaintHeldBack();

  // The shell forgot the tray icon (Explorer restarted): the next report
  // sends its tooltip again.
  void ForgetShownTooltip() { shownTooltip.clear(); }

 private:
  void Deliver(const ProgressReport& report);
  void ApplyProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position);
  void ApplyBusy(bool busy);
  void ApplyMessage(const wchar_t* text);
  void ApplyFinished(const wchar_t* message, bool isError);
  void SetBarRange(std::int32_t minimum, std::int32_t maximum);
  void SendTrayRecord();
  void HoldPainting();

  const ProgressTargets owner;
  bool firstReport = true;
  win32::ComPtr<ITaskbarList3> taskBar;
  // What the controls and the shell last received, so that a report that
  // changes nothing costs no call.
  bool barRangeSet = false;
  std::int32_t barMinimum = 0, barMaximum = 0;
  std::wstring shownTooltip;  // empty: unknown
  bool paintingHeld = false;
};
