#pragma once
// The scan button's cycle as the main window sees it: idle, scanning, idle
// again. It decides whether a press starts a scan, whether the drive list and
// the button accept input, and which status line each step shows; the window
// applies that to its controls.
//
// A scan that cannot even be started (the worker thread fails to start) must
// not strand the window: the flag is cleared, both controls come back and the
// failure line is shown, so nothing the user does leaves the window disabled.

#include <string>

#include "scan/scan_progress.h"

namespace tw {

class ScanCycle {
 public:
  // A press of the scan button. True when a scan is to be started now (the
  // cycle is then scanning, the controls disabled and the status "正在扫描...");
  // false while a scan runs, and the press changes nothing.
  bool Press();

  // The worker thread could not be started after Press: back to idle with the
  // failure line.
  void StartFailed();

  // The worker reported its end. A failure shows the failure line, or the
  // not-NTFS line when the volume holds no NTFS file system; a success shows
  // the given summary line.
  void Failed(ScanError error);
  void Succeeded(std::wstring summary);

  // A saved scan was opened while no scan runs: its line becomes the status
  // line, as a scan's summary does, and UpdateSummary leaves it. Ignored
  // while a scan runs (an opening never starts then).
  void Opened(std::wstring line);

  // The summary of the result shown changed (its comparison arrived, or
  // another baseline was compared): taken when the line shows that result,
  // after a success and before the next press; false otherwise (a scan or
  // a failure owns the line), and nothing changes.
  bool UpdateSummary(std::wstring summary);

  bool scanning() const { return scanning_; }
  // Whether the drive list and the scan button accept input.
  bool controls_enabled() const { return !scanning_; }
  const std::wstring& status() const { return status_; }

 private:
  bool scanning_ = false;
  bool showing_result_ = false;  // the line is a successful scan's summary
  std::wstring status_;
};

}  // namespace tw
