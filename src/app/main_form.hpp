// The main window: stage tabs over the pages, the status bar with progress and cancel,
// and the binding of controls and handlers to the core. Stages run on an engine thread
// so that the window stays responsive; while one runs, commands that would change or
// free the session's buffers are disabled, and closing cancels it first.
#pragma once
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "session/session.hpp"
#include "session/stage_tabs.hpp"

class QDockWidget;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace lumivane {

class ControlBinder;
class QtHost;
class StageTabBar;

inline constexpr const char* kApplicationTitle = "Lumivane V6";

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  Session& session() { return *session_; }
  QtHost& host() { return *host_; }
  ControlBinder& binder() { return *binder_; }
  StageTabBar& stageTabs() { return *Tab_pages; }
  QTabWidget& pages() { return *PageControl1; }

  // Runs `stage` on the engine thread; false (and nothing runs) while another stage runs.
  bool RunStage(const QString& name, std::function<void(Session&)> stage);
  bool StageRunning() const { return running_; }

 public slots:
  void Tab_pagesChange(int index);
  void PageControl1Change(int index);
  void CancelButtonClick();
  void PauseButtonClick();
  void ActiveOptionsClick();
  // Stores the current dock and toolbar layout under a name the user gives.
  void tLayoutSaveClick();
  bool SaveLayoutAs(const QString& name);
  void tLayoutsClick(const QString& name);
  QStringList LayoutNames() const;
  void STARTFILESELECTION();
  // Opens files as the open dialog would (filter index 0: by extension).
  void OpenFiles(const QStringList& files, int filterIndex);
  void ShowFrame(int n);
  // Files named on the command line: the open dialog starts with them.
  void setInitialFiles(const QStringList& files) { initialFiles_ = files; }
  void ClipboardFrontClick();

 signals:
  void StageFinished(const QString& name, bool succeeded);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildPages();
  void BuildStatusBar();
  void BuildPanels();
  void ApplyTabOutcome(const TabPagesOutcome& outcome);
  void ApplyPanels(int tab);
  void SetBusy(bool busy);
  void StageEnded(const QString& name, bool succeeded);
  void RefreshActiveOptions();
  void FillAbout();
  void RecordingOpened();
  void SaveWindowLayout();
  void BuildKeys();
  void Screenshot();
  void RestoreWindowLayout();
  void RunOpen(std::function<void(Session&)> open);
  void ShowPicture();
  QDockWidget* Panel(const char* name) const;

  std::unique_ptr<Session> session_;
  QtHost* host_ = nullptr;
  ControlBinder* binder_ = nullptr;

  // Widgets named as the design names them.
  StageTabBar* Tab_pages = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QLabel* StatusBartext2 = nullptr;
  QLabel* Statusbartext3 = nullptr;
  QLabel* Statusbartext4 = nullptr;
  QLabel* Label22 = nullptr;
  QProgressBar* StatusBar_ProgressBar = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* PauseButton = nullptr;
  QPushButton* ProcessButton = nullptr;
  QListWidget* ActiveOptions = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Frontpanel = nullptr;
  QLabel* FrameLabel = nullptr;

  std::map<std::string, QDockWidget*> panels_;
  std::map<std::string, bool> stackPanelsShown_;
  std::thread engine_;
  std::atomic<bool> running_{false};
  bool closePending_ = false;
  bool applyingTab_ = false;
  int shownTab_ = -1;
  QStringList initialFiles_;
};

}  // namespace lumivane
