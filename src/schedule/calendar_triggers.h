// The Task Scheduler 2.0 trigger interfaces that carry a random delay. The
// tool chain's header declares the time and daily triggers only; the weekly
// and both monthly ones are declared here as taskschd.idl has them.
#pragma once

#include <windows.h>
#include <taskschd.h>

struct IWeeklyTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_DaysOfWeek(short* days) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DaysOfWeek(short days) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_WeeksInterval(short* weeks) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_WeeksInterval(short weeks) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RandomDelay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RandomDelay(BSTR delay) = 0;
};

struct IMonthlyTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_DaysOfMonth(LONG* days) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DaysOfMonth(LONG days) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MonthsOfYear(short* months) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_MonthsOfYear(short months) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RunOnLastDayOfMonth(VARIANT_BOOL* lastDay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RunOnLastDayOfMonth(VARIANT_BOOL lastDay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RandomDelay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RandomDelay(BSTR delay) = 0;
};

struct IMonthlyDOWTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_DaysOfWeek(short* days) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DaysOfWeek(short days) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_WeeksOfMonth(short* weeks) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_WeeksOfMonth(short weeks) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MonthsOfYear(short* months) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_MonthsOfYear(short months) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RunOnLastWeekOfMonth(VARIANT_BOOL* lastWeek) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RunOnLastWeekOfMonth(VARIANT_BOOL lastWeek) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RandomDelay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RandomDelay(BSTR delay) = 0;
};

inline constexpr IID kIidTimeTrigger = {0xB45747E0, 0xEBA7, 0x4276, {0x9F, 0x29, 0x85, 0xC5, 0xBB, 0x30, 0x00, 0x06}};
inline constexpr IID kIidDailyTrigger = {0x126C5CD8, 0xB288, 0x41D5, {0x8D, 0xBF, 0xE4, 0x91, 0x44, 0x6A, 0xDC, 0x5C}};
inline constexpr IID kIidWeeklyTrigger = {0x5038FC98, 0x82FF, 0x436D, {0x87, 0x28, 0xA5, 0x12, 0xA5, 0x7C, 0x9D, 0xC1}};
inline constexpr IID kIidMonthlyTrigger = {0x97C45EF1, 0x6B02, 0x4A1A, {0x9C, 0x0E, 0x1E, 0xBF, 0xBA, 0x15, 0x00, 0xAC}};
inline constexpr IID kIidMonthlyDowTrigger = {0x77D025A3, 0x90FA, 0x43AA, {0xB5, 0x2E, 0xCD, 0xA5, 0x49, 0x9B, 0x94, 0x6A}};
