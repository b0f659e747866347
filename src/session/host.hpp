// The services a stage asks of whoever drives it: the window, the command line or a test.
// Every call may come from the thread that runs the stage; an implementation hands the
// work to its own user-interface thread where it has one.
#pragma once
#include <functional>
#include <string>

namespace lumivane {

// Button sets of the message routine (bit 0 Yes, bit 1 No, bit 2 OK, bit 3 Cancel).
enum MessageButtons : int { kButtonsYesNo = 3, kButtonsOK = 4, kButtonsYesNoCancel = 11 };
// Results of the message routine.
enum MessageResult : int { kResultOK = 1, kResultCancel = 2, kResultYes = 6, kResultNo = 7 };

// Numbered fields of the status bar.
enum StatusField : int {
  kStatusActivity = 2,  // current activity, e.g. "Loading frame: 12"
  kStatusSummary = 3,   // recording summary and set-up messages
  kStatusTime = 4,      // elapsed and remaining time
};

struct Message {
  std::string Title;
  std::string Text;
  std::string CheckText;
  bool WithCheck = false;
  int Buttons = kButtonsOK;
};

struct MessageAnswer {
  int Result = kResultOK;
  bool Checked = false;  // the check box, when the message had one
};

enum class Sound { Question, Exclamation };

class Host {
 public:
  virtual ~Host() = default;

  // Shows a message or question and waits for the answer.
  virtual MessageAnswer ShowMessage(const Message& message) = 0;

  virtual void SetStatusText(int field, const std::string& text) = 0;
  virtual void SetProgress(int position, int maximum) = 0;
  // The application title; stages show their percentage there ("L 6:Stack 25%").
  virtual void SetTitle(const std::string& title) = 0;
  virtual void ShowMemory(const std::string& text) { (void)text; }
  virtual void ShowInfoPanel(int kind, const std::string& text, int seconds) { (void)kind; (void)text; (void)seconds; }
  // Draws the user's attention when a long stage has finished.
  virtual void Attention() {}
  virtual void PlaySound(Sound sound) { (void)sound; }
  // A chance to repaint; stages call it at their progress reports.
  virtual void Refresh() {}
  // Runs fn on the thread that owns the user interface and returns when it has run.
  virtual void RunOnMainThread(const std::function<void()>& fn) { fn(); }
};

// A message routine answer for a button set when nobody is there to ask: Yes (or OK) when
// `yes`, otherwise No, or Cancel where the set offers it, or OK for a plain message.
int DefaultAnswer(int buttons, bool yes);
// "OK", "Yes", "No" or "Cancel".
const char* ResultName(int result);

}  // namespace lumivane
