// The studio's windows as the run engine sees them: the Output palette, the status bar, the
// run tracking window, the progress window, the step list and the main window. The engine
// calls them from the run thread and the main thread; the studio implements them with
// synchronous window messages. Every method has a "no such window" default, which is what
// the Linux runner keeps for all but the Output palette.
#pragma once

#include <string>

namespace plumo {

class RunView {
 public:
  virtual ~RunView() = default;

  // Output palette.
  virtual bool OutputExists() { return false; }
  virtual bool OutputVisible() { return false; }
  virtual bool OutputEmpty() { return true; }
  virtual void OutputAppend(const std::string& /*entry*/) {}
  virtual void OutputClear() {}
  virtual void OutputScrollToEnd() {}

  // Status bar, parts 0 to 3.
  virtual bool StatusBarVisible() { return false; }
  virtual void StatusText(int /*part*/, const std::string& /*text*/) {}

  // Run tracking window.
  virtual void TrackingOpen() {}
  virtual void TrackingClose() {}
  virtual bool TrackingExists() { return false; }
  virtual void TrackingText(const std::string& /*twoLines*/) {}

  // Progress window, 0 to 100.
  virtual bool ProgressExists() { return false; }
  virtual bool ProgressVisible() { return false; }
  virtual void ProgressShow(int /*position*/) {}
  virtual void ProgressSet(int /*position*/) {}
  virtual void ProgressHide() {}

  // Step list of the current tab.
  virtual int CurrentTab() { return -1; }
  virtual bool StepListExists() { return false; }
  virtual bool StepListVisible() { return false; }
  virtual bool ShowingRunResults() { return false; }
  virtual int SelectedStep() { return -1; }
  virtual void SelectStep(int /*index*/) {}
  virtual void ClearSelection() {}
  virtual void RepaintSteps() {}

  // Main window. CloseInPlaceEditors gives how many editors it closed. MainWindowHandle is 0
  // for a program without one; the window finder never finds that window's children.
  virtual uint32_t MainWindowHandle() { return 0; }
  virtual int CloseInPlaceEditors() { return 0; }
  virtual void SetRunningState(bool /*running*/) {}
  virtual void ShowPaused(bool /*paused*/) {}
  virtual bool KeptOnTop() { return false; }
  virtual int StudioWindowCount() { return 1; }
  virtual bool Minimized() { return false; }
  virtual void Minimize() {}
  virtual void RestoreAndActivate() {}
  virtual void ClearVariablesList() {}
  virtual void BringRunFailureToFront() {}
  virtual void SendCommand(int /*command*/, int /*notifyCode*/) {}
  // The run-end notice (timer 32875): clock and Variables palette refresh.
  virtual void RunEnded() {}
  // A hidden start closes the main window when its run is over, which ends the program.
  virtual void CloseMainWindow() {}
  // "Exit Plumo Studio" in a shown studio: the main window is asked to close.
  virtual void RequestClose() {}
};

}  // namespace plumo
