// A progress callback that records every call, for tests of code that reports progress.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/progress_callback.h"

// Each call becomes one line, "SetProgress 0 4 2", "SetBusy 1",
// "AddMessage <text>" or "Finished <message> 1". Calls may come from any
// thread; a hook, when set, runs after each call has been recorded, on the
// caller's thread, so a test can act at an exact point of a run.
class RecordingProgress final : public Korvane::AProgressCallBack {
 public:
  std::function<void(const std::wstring& line)> hook;

  void SetProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position) override {
    Record(L"SetProgress " + std::to_wstring(minimum) + L" " + std::to_wstring(maximum) + L" " +
           std::to_wstring(position));
  }
  void SetBusy(bool busy) override { Record(std::wstring(L"SetBusy ") + (busy ? L"1" : L"0")); }
  void AddMessage(const wchar_t* text) override { Record(L"AddMessage " + std::wstring(text)); }
  void Finished(const wchar_t* message, bool isError) override {
    Record(L"Finished " + std::wstring(message) + (isError ? L" 1" : L" 0"));
  }

  std::vector<std::wstring> Lines() const {
    std::lock_guard guard(lock);
    return lines;
  }

  // The texts of the AddMessage calls only.
  std::vector<std::wstring> Messages() const {
    std::vector<std::wstring> texts;
    for (const std::wstring& line : Lines())
      if (line.rfind(L"AddMessage ", 0) == 0) texts.push_back(line.substr(11));
    return texts;
  }

  // Waits until a recorded line equals line; false after the time-out.
  bool WaitFor(const std::wstring& line, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
    std::unique_lock guard(lock);
    return changed.wait_for(guard, timeout, [&] {
      for (const std::wstring& recorded : lines)
        if (recorded == line) return true;
      return false;
    });
  }

 private:
  void Record(const std::wstring& line) {
    {
      std::lock_guard guard(lock);
      lines.push_back(line);
    }
    changed.notify_all();
    if (hook) hook(line);
  }

  mutable std::mutex lock;
  mutable std::condition_variable changed;
  std::vector<std::wstring> lines;
};
