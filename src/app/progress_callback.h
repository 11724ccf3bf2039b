// The progress interface of a sync run: what the run reports, and to whom.
#pragma once

#include <cstdint>

namespace Korvane {

// Every operation completes on the caller's thread before it returns, in the
// order called. Callers hold a non-owning pointer; the owner destroys an
// implementation as its concrete type, hence no virtual destructor.
class AProgressCallBack {
 public:
  // Progress of a counted phase; minimum may equal maximum, and the position
  // may count down (a cancelled run restoring its backups).
  virtual void SetProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position) = 0;
  // An uncounted phase begins (true) or ends (false).
  virtual void SetBusy(bool busy) = 0;
  // One log line; the implementation adds the line end.
  virtual void AddMessage(const wchar_t* text) = 0;
  // The run is over; the next SetProgress is the first report of a new run.
  virtual void Finished(const wchar_t* message, bool isError) = 0;

 protected:
  AProgressCallBack() = default;
  AProgressCallBack(const AProgressCallBack&) = default;
  AProgressCallBack& operator=(const AProgressCallBack&) = default;
  ~AProgressCallBack() = default;
};

}  // namespace Korvane
