// The window's host: messages as message boxes (with the optional check box), status
// fields, progress bar and title percentage. Calls from the stage thread are handed to
// the window's thread; questions wait for the answer.
#pragma once
#include <QObject>
#include <QPointer>
#include <functional>
#include <map>

#include "session/host.hpp"

class QLabel;
class QProgressBar;
class QTimer;
class QWidget;

namespace lumivane {

struct QtHostWidgets {
  QWidget* Window = nullptr;
  QLabel* Activity = nullptr;  // StatusBartext2
  QLabel* Summary = nullptr;   // Statusbartext3
  QLabel* Time = nullptr;      // Statusbartext4
  QLabel* Memory = nullptr;    // Label22
  QProgressBar* Progress = nullptr;
};

class QtHost : public QObject, public Host {
  Q_OBJECT
 public:
  explicit QtHost(QtHostWidgets widgets, QObject* parent = nullptr);

  MessageAnswer ShowMessage(const Message& message) override;
  void SetStatusText(int field, const std::string& text) override;
  void SetProgress(int position, int maximum) override;
  void SetTitle(const std::string& title) override;
  void ShowMemory(const std::string& text) override;
  void Attention() override;
  void PlaySound(Sound sound) override;
  void ShowInfoPanel(int kind, const std::string& text, int seconds) override;
  void RunOnMainThread(const std::function<void()>& fn) override;

  // Answers messages instead of a message box (tests, batch runs).
  void SetResponder(std::function<MessageAnswer(const Message&)> responder) { responder_ = std::move(responder); }

 private:
  MessageAnswer AskHere(const Message& message);
  void OnWindowThread(std::function<void()> fn);

  QLabel* InfoPanel(int kind);

  QtHostWidgets w_;
  std::map<int, QPointer<QLabel>> infoPanels_;
  std::map<int, QTimer*> infoTimers_;
  std::function<MessageAnswer(const Message&)> responder_;
};

}  // namespace lumivane
