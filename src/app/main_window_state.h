// The main window's record: its controls, folders, sync job, worker and tray icon.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/display_scale.h"
#include "app/sync_thread.h"
#include "platform/win32/unique_resource.h"
#include "sync/run_record.h"
#include "sync/status_file.h"
#include "sync/sync_job.h"

class ShelfmateProgressCallBack;

struct MainWindowState {
  MainWindowState();
  ~MainWindowState();
  MainWindowState(const MainWindowState&) = delete;
  MainWindowState& operator=(const MainWindowState&) = delete;

  HWND window = nullptr;
  HWND progressBar = nullptr;
  HWND syncButton = nullptr;
  HWND closeButton = nullptr;
  HWND logView = nullptr;
  DisplayScale scale;  // the screen's, read at creation
  win32::UniqueFont font;
  // The program's icon at the system's small and large icon sizes, for the
  // window's frame, the Sync button and the tray; loaded unshared, as a shared
  // load hands back whichever size was cached first.
  win32::UniqueIcon smallIcon;
  win32::UniqueIcon largeIcon;
  std::wstring localPath;   // at most 259 characters
  std::wstring remotePath;  // at most 259 characters
  SyncJob job;
  std::unique_ptr<ShelfmateProgressCallBack> progressSink;
  SyncThread worker;
  NOTIFYICONDATAW trayIcon{};
  std::atomic<bool> syncRunning{false};  // a sync, or the wait for its remote library, is under way
  bool silentMode = false;
  bool startedSilent = false;  // "/silent" started the process: it exits with its run's code
  int exitCode = 0;            // how the last sync attempt ended, as a silent start reports it
  bool runHandedOver = false;  // the worker runs a sync whose end is still to be recorded
  bool waitingForRemote = false;  // the worker waits for the remote library; that wait's end is still to be taken
  bool sessionEnding = false;     // the user's session ends: the program ends once the run is put right
  // How the program ends when the session does; tests put their own here.
  std::function<void(UINT exitCode)> endProcess = [](UINT exitCode) { ::ExitProcess(exitCode); };
  RunRecord record;
  // Writes each run's status file; its owner's end waits for the last one,
  // up to its limit, so that a silent start's file is written before it exits.
  StatusPublisher statusPublisher;
  DWORD trayIconSize = 0;
  UINT taskbarCreatedMessage = 0;  // broadcast when Explorer (and its tray) restarts
};

// Builds the record's controls, font, progress sink and tray icon for the new window.
void CreateMainWindowContents(MainWindowState& state, HINSTANCE instance);

// Reads both folders from the settings; a folder that cannot be read stays empty.
void ReloadPaths(MainWindowState& state);

// Replaces the whole log view with the header naming both folders.
void ShowHeader(MainWindowState& state);

// Places the controls for a client area of width x height.
void LayoutMainWindow(MainWindowState& state, int width, int height);

// Cancels and waits for a running sync, removes the tray icon, takes the font
// and icons back from the window and its controls and frees them, and frees
// the progress sink. The record itself is freed by its owner.
void TearDownMainWindow(MainWindowState& state);

// The text of a window, read with room for capacity characters.
std::wstring WindowText(HWND window, int capacity);
