// A progress sink for tests that records every call, in order, as text.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/progress_callback.h"

class RecordingProgress final : public Korvane::AProgressCallBack {
 public:
  void SetProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position) override {
    Record(L"SetProgress " + std::to_wstring(minimum) + L" " + std::to_wstring(maximum) + L" " +
           std::to_wstring(position));
  }
  void SetBusy(bool busy) override { Record(busy ? L"SetBusy true" : L"SetBusy false"); }
  void AddMessage(const wchar_t* text) override { Record(L"AddMessage " + std::wstring(text)); }
  void Finished(const wchar_t* message, bool isError) override {
    Record(L"Finished " + std::wstring(message) + (isError ? L" true" : L" false"));
  }

  std::vector<std::wstring> Calls() const {
    std::lock_guard guard(lock);
    return calls;
  }

 private:
  void Record(std::wstring call) {
    std::lock_guard guard(lock);
    calls.push_back(std::move(call));
  }

  mutable std::mutex lock;
  std::vector<std::wstring> calls;
};
