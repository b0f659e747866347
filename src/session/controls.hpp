// The control-value model: every option of the program is a named, typed value with the
// range, step and default of its control. Core code reads options only from here; the
// window binds each widget whose objectName is a control name to its value, both ways.
//
// Setting a value clamps it to the range as the control would. Every change tells the
// observers (the window's binder, for instance); change handlers, the counterpart of a
// control's click or change event, run only for user and replay changes, never for the
// program's own updates.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace lumivane {

class IniFile;

enum class ControlKind { Check, Int, Double, Choice, Slider, Text };
enum class Origin { User, Program, Replay };

struct ControlInfo {
  std::string Name;
  ControlKind Kind = ControlKind::Check;
  std::string Subsystem;            // who registered it ("session", "align", ...)
  std::string Caption;              // the text the user sees, when the design gives one
  std::string Hint;
  double Min = 0, Max = 0, Step = 1;
  int Decimals = 0;                 // Double: digits shown
  std::vector<std::string> Items;   // Choice: item texts
  // Defaults.
  bool DefaultChecked = false;
  double DefaultNumber = 0;         // Int, Double, Choice index, Slider position
  std::string DefaultText;
};

struct SliderState {
  int Position = 0, Min = 0, Max = 0, Tag = 0;
};

class Controls {
 public:
  using Handler = std::function<void(Origin)>;
  using Observer = std::function<void(const std::string& name, Origin)>;

  Controls();
  ~Controls();
  Controls(const Controls&) = delete;
  Controls& operator=(const Controls&) = delete;

  // Registration. Names are unique without regard to case.
  void AddCheck(const std::string& subsystem, const std::string& name, bool def, const std::string& caption = "");
  void AddInt(const std::string& subsystem, const std::string& name, int min, int max, int def, int step = 1);
  void AddDouble(const std::string& subsystem, const std::string& name, double min, double max, double def,
                 double step, int decimals);
  void AddChoice(const std::string& subsystem, const std::string& name, std::vector<std::string> items, int def);
  void AddSlider(const std::string& subsystem, const std::string& name, int min, int max, int def);
  void AddText(const std::string& subsystem, const std::string& name, const std::string& def);
  // Caption and hint of a registered control (shown by the window); observers are told.
  void Describe(const std::string& name, const std::string& caption, const std::string& hint);

  bool Has(const std::string& name) const;
  // The registered spelling of a name given in any case; throws Error for unknown names.
  std::string CanonicalName(const std::string& name) const;
  const ControlInfo& Info(const std::string& name) const;
  std::vector<std::string> Names() const;  // in registration order

  // Values. Reading a control of another kind reads its natural number
  // (Check 0/1, Choice index, Slider position).
  bool Checked(const std::string& name) const;
  int Int(const std::string& name) const;
  double Double(const std::string& name) const;
  int Index(const std::string& name) const;
  std::string Text(const std::string& name) const;  // Choice: the selected item's text
  SliderState Slider(const std::string& name) const;
  std::vector<std::string> Items(const std::string& name) const;

  void SetChecked(const std::string& name, bool value, Origin origin = Origin::Program);
  void SetInt(const std::string& name, int value, Origin origin = Origin::Program);
  void SetDouble(const std::string& name, double value, Origin origin = Origin::Program);
  void SetIndex(const std::string& name, int value, Origin origin = Origin::Program);
  void SetText(const std::string& name, const std::string& value, Origin origin = Origin::Program);
  void SetSliderPosition(const std::string& name, int position, Origin origin = Origin::Program);
  void SetSliderRange(const std::string& name, int min, int max, Origin origin = Origin::Program);
  void SetSliderTag(const std::string& name, int tag);
  void SetItems(const std::string& name, std::vector<std::string> items, Origin origin = Origin::Program);
  void Reset(const std::string& name, Origin origin = Origin::Program);  // back to the default

  // Text form of a value, as the command line and the settings files use it:
  // Check "1"/"0", Int and Double with '.' decimals, Choice the item index, Slider the
  // position, Text the text. A Choice also accepts one of its item texts.
  std::string ValueText(const std::string& name) const;
  // Throws Error with a clear message for unknown controls and unreadable values.
  void SetFromText(const std::string& name, const std::string& text, Origin origin = Origin::Program);

  // Property-qualified access for the settings files ("Cores.Value", "Layer1Slider.Max",
  // "sensitivity.Tag", "HistoChannel.Text"). A bare name means the control's main value.
  std::string PropertyText(const std::string& qualifiedName) const;
  void SetPropertyFromText(const std::string& qualifiedName, const std::string& text, Origin origin);

  // Saves the listed values into one section, or restores them from it; keys missing in
  // the file keep the current value, unreadable ones are skipped.
  void SaveToIni(IniFile& ini, const std::string& section, const std::vector<std::string>& names) const;
  void LoadFromIni(const IniFile& ini, const std::string& section, const std::vector<std::string>& names,
                   Origin origin = Origin::Replay);

  // The change handler of one control; it runs for User and Replay changes.
  void OnChange(const std::string& name, Handler handler);
  // Observers see every change, whatever its origin. Returns an id for Unobserve.
  int Observe(Observer observer);
  void Unobserve(int id);

 private:
  struct Entry;
  Entry& Find(const std::string& name);
  const Entry& Find(const std::string& name) const;
  void Add(ControlInfo info);
  void Changed(const std::string& name, Origin origin);

  mutable std::recursive_mutex mutex_;
  std::vector<std::unique_ptr<Entry>> entries_;
  std::map<std::string, Entry*> byKey_;  // lower-case name
  std::map<int, Observer> observers_;
  int nextObserver_ = 1;
};

}  // namespace lumivane
