// The studio's main window "Plumo Studio" of class "PlumoClass": toolbars, Script tabs, the Step
// list and the status bar around the editing model, the menu from the command table, and the
// run engine's view of the studio. Started with -r it is created hidden and builds none of it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "editor/document.h"
#include "editor/find.h"
#include "editor/open_files.h"
#include "engine/run_view.h"
#include "scripts/script_file.h"
#include "settings/keyboard_map.h"
#include "settings/settings_store.h"
#include "studio/actions_palette.h"
#include "studio/dock.h"
#include "studio/mouse_tracker.h"
#include "studio/output_pane.h"
#include "studio/properties_palette.h"
#include "editor/properties.h"
#include "platform/dialogs.h"
#include "actions/integration/recording/recorder.h"
#include "studio/step_rows.h"
#include "studio/studio_icons.h"
#include "studio/tracking_window.h"
#include "studio/variables_palette.h"

namespace plumo {

class Session;

inline constexpr char kMainWindowClass[] = "PlumoClass";
inline constexpr char kMainWindowTitle[] = "Plumo Studio";
inline constexpr int kAcceleratorTable = 1428;
inline constexpr int kProgramIcon = 1000;

// Child window ids, for tests that find the parts.
namespace childid {
constexpr int kStatusBar = 1;
constexpr int kTabs = 2;
constexpr int kStepList = 3;
constexpr int kFirstToolbar = 4;  // then 5 and 6
constexpr int kOutput = 7;  // inside the bottom dock
constexpr int kFirstDock = 8;  // left, right, bottom: 8, 9, 10
constexpr int kProperties = 11;
constexpr int kActions = 12;    // inside the left dock
constexpr int kVariables = 13;  // inside the right dock
}  // namespace childid

class MainWindow : public RunView, public ActionsPaletteHost {
 public:
  MainWindow(HINSTANCE instance, SettingsStore& store);
  ~MainWindow() override;

  // The editor's session and file services; without them the window only hosts a hidden run.
  void Attach(Session* session, ScriptFileServices* io);
  // Registers the class and creates the window, hidden or shown; false when it cannot.
  bool Create(bool hidden, int showCommand);
  HWND hwnd() const { return hwnd_; }
  void SetStatus(const std::string& text);
  // Opens a Script into a new tab (or the empty Untitled one); false after telling why.
  bool OpenFile(const std::string& path);
  // Runs the current tab's Script from a 0-based Step, as a run at start does.
  void RunCurrent(int startStep);

  // Runs until the window is gone.
  void RunMessageLoop(const KeyboardMap& keys);

  // RunView: called from the run thread too, so each goes through a window message.
  bool OutputExists() override { return output_.hwnd() != nullptr; }
  bool OutputVisible() override;
  bool OutputEmpty() override;
  void OutputAppend(const std::string& entry) override;
  void OutputClear() override;
  void OutputScrollToEnd() override;
  bool StatusBarVisible() override;
  void StatusText(int part, const std::string& text) override;
  int CurrentTab() override;
  bool StepListExists() override { return list_ != nullptr; }
  bool StepListVisible() override;
  bool ShowingRunResults() override { return showResults_; }
  int SelectedStep() override;
  void SelectStep(int index) override;
  void ClearSelection() override;
  void RepaintSteps() override;
  uint32_t MainWindowHandle() override;
  int CloseInPlaceEditors() override;
  void SetRunningState(bool running) override;
  void ShowPaused(bool paused) override;
  bool KeptOnTop() override;
  bool Minimized() override;
  void Minimize() override;
  void RestoreAndActivate() override;
  void SendCommand(int command, int notifyCode) override;
  void RunEnded() override;
  void CloseMainWindow() override;
  void RequestClose() override;
  // The run thread asks for these too: the window is made and changed on the main thread.
  void TrackingOpen() override;
  void TrackingClose() override;
  bool TrackingExists() override { return trackingOpen_.load(); }
  void TrackingText(const std::string& twoLines) override;

  // The Variables palette outlives the session it shows; call before Create.
  void AttachVariablesPalette(VariablesPaletteWindow* palette, VariableStore* store);

  // ActionsPaletteHost
  const ActionCatalog& PaletteCatalog() override;
  bool InsertSteps(const std::string& steps, Document::Place place) override;
  bool DropSteps(const std::string& steps, POINT screen) override;
  std::string SelectedStepsText() override;
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override {
    return Ask(caption, prompt, initial);
  }
  std::optional<std::string> AskLines(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override {
    return Ask(caption, prompt, initial, EntryKind::kMultiLine);
  }
  void CopyText(const std::string& text) override;
  void OpenActionHelp(int category) override;
  void PaletteStatus(const std::string& text) override { SetStatus(text); }

 private:
  using Handler = void (MainWindow::*)();
  struct CommandHandler {
    uint16_t id;
    Handler run;
  };
  static const CommandHandler kHandlers[];

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Notify(NMHDR* header);
  void BuildChildren();
  void ReadListLook();
  void BuildToolbars();
  void Layout();
  void Command(uint16_t id);
  bool Built(uint16_t id) const;
  void PrepareMenu(HMENU menu);
  void ShowMenuHelp(uint16_t id, UINT flags);
  void TakeHandedOverFile();
  static constexpr int kCommentColumn = 3;
  static LRESULT CALLBACK CommentEditProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  void EditComment(int row);
  int DropRow(LPARAM lp);
  void ShowDropRow(int row);
  void EndDrag();
  bool EndCommentEdit(bool keep);

  // Tabs and the list.
  Script* CurrentScript();
  Document* Doc();
  size_t TabCount() const;
  int CurrentIndex() const;
  std::string PathOf(size_t tab);
  void AddTab(Script script);
  void PullSelection();
  void PushSelection();
  void Changed(const std::string& status);
  void SelectTab(int index);
  void RefreshTabs();
  void RefreshList();
  void UpdateTitle();
  void ShowReady();
  std::vector<size_t> SelectedRows() const;
  void DrawRow(NMLVCUSTOMDRAW* draw, LRESULT* result);
  void DrawCell(HDC dc, const Step& step, size_t row, int subItem, COLORREF text, COLORREF fill);
  bool SaveTab(int index, bool askName);
  bool CloseTab(int index);
  bool AskToSave(int index);
  std::optional<std::string> Ask(const std::string& caption, const std::string& prompt, const std::string& initial,
                                 EntryKind kind = EntryKind::kLine);
  void RememberRecent(const std::string& path);
  void OpenRecent(int n);
  void RefreshRecentMenu(HMENU fileMenu);
  void RefreshWindowMenu(HMENU windowMenu);
  void SavePlacement();

  // Commands.
  void New();
  void Open();
  void CloseCurrent();
  void CloseAll();
  void Save();
  void SaveAs();
  void SaveAll();
  void Exit();
  bool ToEditField(UINT message, WPARAM wp, LPARAM lp);
  bool Edit(const std::function<bool(Document&)>& edit);
  LoadContext PasteContext();
  void ShowDeleteProgress(size_t done, size_t total);
  void EndProgress();
  FindOptions LastFind(bool up);
  std::string FindWith(const FindOptions& options);
  void OpenFind(bool replace);
  void FindAgain(bool up);
  void GoToBookmark(bool up);
  void PasteAt(bool toEnd);
  void SelectAll();
  void Undo();
  void Redo();
  void Cut();
  void Copy();
  void Paste();
  void PasteToEnd();
  void Delete();
  void Find();
  void FindNext();
  void FindPrevious();
  void Replace();
  void GoToStep();
  void MoveUp();
  void MoveDown();
  void IndentMore();
  void IndentLess();
  void AutoIndent();
  void Skip();
  void Breakpoint();
  void Bookmark();
  void RemoveSkips();
  void RemoveBreakpoints();
  void RemoveBookmarks();
  void NextBookmark();
  void PreviousBookmark();
  void AddComment();
  void Run();
  void RunFromHere();
  void RunSingleStep();
  void PauseResume();
  void Stop();
  void ShowRunResults();
  void ResetRunResults();
  void KeepOnTop();
  void ApplyOnTop(bool onTop);
  void ResetInterface();
  void ToggleStatusBar();
  void TogglePalette(PaletteId id);
  void ToggleActions();
  void ToggleVariables();
  void RequestTracking(WPARAM what);
  void TakeTracking(WPARAM what);
  // From the Actions palette: at the place, or in front of a row of the list (at the end past it).
  bool AddNewSteps(const std::string& steps, Document::Place place, std::optional<size_t> inFrontOf);
  // Keys typed in a palette are the palette's, except function keys and shortcuts.
  bool InPalette(HWND window) const;
  void ToggleOutput();
  void ToggleProperties();
  void ScheduleProperties();
  // The one selected Step the palette shows, if one is.
  std::optional<size_t> PropertyStep();
  void RefreshProperties();
  // The Step the palette's rows belong to, while it is still that Step.
  std::optional<size_t> StepOfProperties();
  void EditProperty(size_t index, const std::string& value);
  // Several rows in one undoable edit.
  void ApplyPropertyEdits(const std::vector<std::pair<size_t, std::string>>& edits);
  void PickWindowInto(size_t index);
  void PickPixelInto(size_t index);
  void EditProperties();
  void ToggleRecording(size_t index);
  void StopRecording();
  void OpenHelpPage(std::string_view topic);
  // The page of the selected Step's category, else the index.
  void ActionHelp();
  void HelpReference();
  struct PendingOutput {
    std::vector<std::string> lines;
    bool clear = false;
    bool scroll = false;
    bool posted = false;
  };
  void QueueOutput(const std::function<void(PendingOutput&)>& change);
  // `force`: the palette shows every line now, however soon after the last time.
  void FlushOutput(bool force = false);
  void ToggleFileToolbar();
  void ToggleStepToolbar();
  void ToggleRunToolbar();
  void ToggleToolbar(int band);
  void ViewSourceXml();
  void ShowText(const std::string& title, const std::string& text);
  void ShowWindowList(uint32_t flags, const char* title);
  void MainProgramWindows();
  void PopupWindows();
  void AllWindowsAndControls();
  void About();
  void StartupOptions();
  void FileProperties();
  void CustomTags();
  void CompileProgram();
  void Options();
  void ReportLastRun();
  void GridSnapshot();
  void ViewLogFile();
  void TrackMouse();
  void StartRunCommand(int command);

  HINSTANCE instance_;
  SettingsStore& store_;
  Session* session_ = nullptr;
  ScriptFileServices* io_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND status_ = nullptr;
  HWND toolbars_[3] = {};
  HWND tabs_ = nullptr;
  HWND list_ = nullptr;
  HIMAGELIST toolbarImages_ = nullptr;
  HIMAGELIST actionImages_ = nullptr;
  ImageStrips actionStrips_;
  HFONT commentFont_ = nullptr;
  HFONT uiFont_ = nullptr;
  DockHost dock_{store_};
  std::unique_ptr<ActionsPalette> actions_;
  VariablesPaletteWindow* variables_ = nullptr;
  VariableStore* variableStore_ = nullptr;
  TrackingWindow tracking_;
  std::atomic<bool> trackingOpen_{false};
  std::mutex trackingMu_;
  std::string trackingText_;     // under trackingMu_
  bool trackingPosted_ = false;  // under trackingMu_
  OutputPane output_;
  bool outputScroll_ = false;  // a scroll to the end the palette still owes
  PropertiesPalette properties_{store_};
  std::vector<PropertyRow> propertyRows_;
  // The Step the palette shows, by tab, row and action.
  std::optional<size_t> propertyStep_;
  const Document* propertyDoc_ = nullptr;
  std::string propertyAction_;
  bool propertiesPosted_ = false;
  COLORREF customColours_[16] = {};  // the colour box's own, for as long as the studio runs
  std::vector<std::string> shellRecent_;  // paths the shell's recent documents still have to hear of
  std::unique_ptr<HardwareRecorder> recorder_;
  std::unique_ptr<MouseTracker> mouseTracker_;
  std::pair<size_t, PropertyRow> recording_;  // the Step and its row that receive the recording
  bool hiddenForRecording_ = false;
  std::mutex outputMu_;
  PendingOutput pendingOutput_;  // under outputMu_
  int outputShown_ = 0;          // lines in the pane, 0 or 1; under outputMu_
  std::unique_ptr<OpenFiles> files_;
  HWND progress_ = nullptr;
  HWND commentEdit_ = nullptr;
  bool dragging_ = false;
  int dropRow_ = -1;
  int commentRow_ = -1;
  DWORD progressPainted_ = 0;
  bool showResults_ = false;
  bool running_ = false;
  bool closeAfterRun_ = false;
  ListColours colours_{};
  std::string indent_;
  std::string cell_;  // the text handed to the list view for one cell
  KeyboardMap keys_{};
};

}  // namespace plumo
