#include "session/controls.hpp"

#include <algorithm>
#include <cmath>

#include "platform/error.hpp"
#include "session/ini_file.hpp"
#include "session/text_format.hpp"

namespace lumivane {

struct Controls::Entry {
  ControlInfo info;
  bool checked = false;
  double number = 0;  // Int, Double, Choice index
  std::string text;
  SliderState slider;
  std::vector<Handler> handlers;
};

namespace {

// Clamps and snaps like a spin edit: into the range, integers rounded.
double ClampNumber(const ControlInfo& info, double v) {
  if (info.Kind == ControlKind::Int) v = std::nearbyint(v);
  if (info.Min <= info.Max) v = std::clamp(v, info.Min, info.Max);
  return v;
}

}  // namespace

Controls::Controls() = default;
Controls::~Controls() = default;

void Controls::Add(ControlInfo info) {
  std::lock_guard lock(mutex_);
  std::string key = ToLower(info.Name);
  if (byKey_.count(key)) throw Error("Control registered twice: " + info.Name);
  auto e = std::make_unique<Entry>();
  e->info = std::move(info);
  e->checked = e->info.DefaultChecked;
  e->number = e->info.DefaultNumber;
  e->text = e->info.DefaultText;
  if (e->info.Kind == ControlKind::Slider) {
    e->slider.Min = static_cast<int>(e->info.Min);
    e->slider.Max = static_cast<int>(e->info.Max);
    e->slider.Position = static_cast<int>(e->info.DefaultNumber);
  }
  byKey_[key] = e.get();
  entries_.push_back(std::move(e));
}

void Controls::AddCheck(const std::string& subsystem, const std::string& name, bool def, const std::string& caption) {
  ControlInfo i;
  i.Name = name; i.Kind = ControlKind::Check; i.Subsystem = subsystem; i.Caption = caption;
  i.Min = 0; i.Max = 1; i.DefaultChecked = def; i.DefaultNumber = def ? 1 : 0;
  Add(std::move(i));
}

void Controls::AddInt(const std::string& subsystem, const std::string& name, int min, int max, int def, int step) {
  ControlInfo i;
  i.Name = name; i.Kind = ControlKind::Int; i.Subsystem = subsystem;
  i.Min = min; i.Max = max; i.Step = step; i.DefaultNumber = def;
  Add(std::move(i));
}

void Controls::AddDouble(const std::string& subsystem, const std::string& name, double min, double max, double def,
                         double step, int decimals) {
  ControlInfo i;
  i.Name = name; i.Kind = ControlKind::Double; i.Subsystem = subsystem;
  i.Min = min; i.Max = max; i.Step = step; i.Decimals = decimals; i.DefaultNumber = def;
  Add(std::move(i));
}

void Controls::AddChoice(const std::string& subsystem, const std::string& name, std::vector<std::string> items, int def) {
  ControlInfo i;
  i.Name = name; i.Kind = ControlKind::Choice; i.Subsystem = subsystem;
  i.Min = -1; i.Max = static_cast<double>(items.size()) - 1; i.DefaultNumber = def; i.Items = std::move(items);
  Add(std::move(i));
}

void Controls::AddSlider(const std::string& subsystem, const std::string& name, int min, int max, int def) {
  ControlInfo i;
  i.Name = name; i.Kind = ControlKind::Slider; i.Subsystem = subsystem;
  i.Min = min; i.Max = max; i.DefaultNumber = def;
  Add(std::move(i));
}

void Controls::AddText(const std::string& subsystem, const std::string& name, const std::string& def) {
  ControlInfo i;
  i.Name = name; i.Kind = ControlKind::Text; i.Subsystem = subsystem; i.DefaultText = def;
  Add(std::move(i));
}

void Controls::Describe(const std::string& name, const std::string& caption, const std::string& hint) {
  std::string canonical;
  {
    std::lock_guard lock(mutex_);
    Entry& e = Find(name);
    if (e.info.Caption == caption && e.info.Hint == hint) return;
    e.info.Caption = caption;
    e.info.Hint = hint;
    canonical = e.info.Name;
  }
  // Observers show the new caption; change handlers are for values and do not run.
  std::vector<Observer> observers;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, o] : observers_) observers.push_back(o);
  }
  for (auto& o : observers) o(canonical, Origin::Program);
}

Controls::Entry& Controls::Find(const std::string& name) {
  auto it = byKey_.find(ToLower(name));
  if (it == byKey_.end()) throw Error("Unknown control \"" + name + "\"");
  return *it->second;
}

const Controls::Entry& Controls::Find(const std::string& name) const {
  auto it = byKey_.find(ToLower(name));
  if (it == byKey_.end()) throw Error("Unknown control \"" + name + "\"");
  return *it->second;
}

bool Controls::Has(const std::string& name) const {
  std::lock_guard lock(mutex_);
  return byKey_.count(ToLower(name)) != 0;
}

std::string Controls::CanonicalName(const std::string& name) const {
  std::lock_guard lock(mutex_);
  return Find(name).info.Name;
}

const ControlInfo& Controls::Info(const std::string& name) const {
  std::lock_guard lock(mutex_);
  return Find(name).info;
}

std::vector<std::string> Controls::Names() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back(e->info.Name);
  return out;
}

bool Controls::Checked(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Entry& e = Find(name);
  if (e.info.Kind == ControlKind::Check) return e.checked;
  if (e.info.Kind == ControlKind::Slider) return e.slider.Position != 0;
  return e.number != 0;
}

double Controls::Double(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Entry& e = Find(name);
  switch (e.info.Kind) {
    case ControlKind::Check: return e.checked ? 1 : 0;
    case ControlKind::Slider: return e.slider.Position;
    case ControlKind::Text: return ParseDouble(e.text).value_or(0);
    default: return e.number;
  }
}

int Controls::Int(const std::string& name) const { return static_cast<int>(std::nearbyint(Double(name))); }
int Controls::Index(const std::string& name) const { return Int(name); }

std::string Controls::Text(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Entry& e = Find(name);
  if (e.info.Kind == ControlKind::Text) return e.text;
  if (e.info.Kind == ControlKind::Choice) {
    int i = static_cast<int>(e.number);
    return i >= 0 && i < static_cast<int>(e.info.Items.size()) ? e.info.Items[static_cast<size_t>(i)] : std::string();
  }
  return ValueText(name);
}

SliderState Controls::Slider(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Entry& e = Find(name);
  if (e.info.Kind != ControlKind::Slider) throw Error("Control \"" + e.info.Name + "\" is not a slider");
  return e.slider;
}

std::vector<std::string> Controls::Items(const std::string& name) const {
  std::lock_guard lock(mutex_);
  return Find(name).info.Items;
}

void Controls::SetChecked(const std::string& name, bool value, Origin origin) {
  SetDouble(name, value ? 1 : 0, origin);
}

void Controls::SetDouble(const std::string& name, double value, Origin origin) {
  std::string canonical;
  {
    std::lock_guard lock(mutex_);
    Entry& e = Find(name);
    canonical = e.info.Name;
    switch (e.info.Kind) {
      case ControlKind::Check: {
        bool b = value != 0;
        if (e.checked == b) return;
        e.checked = b;
        break;
      }
      case ControlKind::Slider: {
        int p = std::clamp(static_cast<int>(std::nearbyint(value)), e.slider.Min, std::max(e.slider.Min, e.slider.Max));
        if (e.slider.Position == p) return;
        e.slider.Position = p;
        break;
      }
      case ControlKind::Text: {
        std::string t = NumberText(value);
        if (e.text == t) return;
        e.text = t;
        break;
      }
      case ControlKind::Choice: {
        double v = std::nearbyint(value);
        v = std::clamp(v, -1.0, static_cast<double>(e.info.Items.size()) - 1);
        if (e.number == v) return;
        e.number = v;
        break;
      }
      default: {
        double v = ClampNumber(e.info, value);
        if (e.number == v) return;
        e.number = v;
      }
    }
  }
  Changed(canonical, origin);
}

void Controls::SetInt(const std::string& name, int value, Origin origin) { SetDouble(name, value, origin); }
void Controls::SetIndex(const std::string& name, int value, Origin origin) { SetDouble(name, value, origin); }
void Controls::SetSliderPosition(const std::string& name, int position, Origin origin) {
  SetDouble(name, position, origin);
}

void Controls::SetText(const std::string& name, const std::string& value, Origin origin) {
  std::string canonical;
  {
    std::lock_guard lock(mutex_);
    Entry& e = Find(name);
    canonical = e.info.Name;
    if (e.info.Kind != ControlKind::Text) {
      // Choice by item text, numbers by their text.
      if (e.info.Kind == ControlKind::Choice) {
        for (size_t i = 0; i < e.info.Items.size(); ++i)
          if (e.info.Items[i] == value) return SetDouble(name, static_cast<double>(i), origin);
      }
      return SetFromText(name, value, origin);
    }
    if (e.text == value) return;
    e.text = value;
  }
  Changed(canonical, origin);
}

void Controls::SetSliderRange(const std::string& name, int min, int max, Origin origin) {
  std::string canonical;
  {
    std::lock_guard lock(mutex_);
    Entry& e = Find(name);
    if (e.info.Kind != ControlKind::Slider) throw Error("Control \"" + e.info.Name + "\" is not a slider");
    canonical = e.info.Name;
    SliderState s = e.slider;
    s.Min = min;
    s.Max = std::max(min, max);
    s.Position = std::clamp(s.Position, s.Min, s.Max);
    if (s.Min == e.slider.Min && s.Max == e.slider.Max && s.Position == e.slider.Position) return;
    e.slider = s;
  }
  Changed(canonical, origin);
}

void Controls::SetSliderTag(const std::string& name, int tag) {
  std::lock_guard lock(mutex_);
  Entry& e = Find(name);
  if (e.info.Kind != ControlKind::Slider) throw Error("Control \"" + e.info.Name + "\" is not a slider");
  e.slider.Tag = tag;
}

void Controls::SetItems(const std::string& name, std::vector<std::string> items, Origin origin) {
  std::string canonical;
  {
    std::lock_guard lock(mutex_);
    Entry& e = Find(name);
    if (e.info.Kind != ControlKind::Choice) throw Error("Control \"" + e.info.Name + "\" has no items");
    canonical = e.info.Name;
    e.info.Items = std::move(items);
    e.info.Max = static_cast<double>(e.info.Items.size()) - 1;
    e.number = std::clamp(e.number, -1.0, e.info.Max);
  }
  Changed(canonical, origin);
}

void Controls::Reset(const std::string& name, Origin origin) {
  ControlInfo info = Info(name);
  switch (info.Kind) {
    case ControlKind::Check: SetChecked(name, info.DefaultChecked, origin); break;
    case ControlKind::Text: SetText(name, info.DefaultText, origin); break;
    case ControlKind::Slider:
      SetSliderRange(name, static_cast<int>(info.Min), static_cast<int>(info.Max), origin);
      SetDouble(name, info.DefaultNumber, origin);
      break;
    default: SetDouble(name, info.DefaultNumber, origin);
  }
}

std::string Controls::ValueText(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Entry& e = Find(name);
  switch (e.info.Kind) {
    case ControlKind::Check: return e.checked ? "1" : "0";
    case ControlKind::Slider: return NumberText(static_cast<long long>(e.slider.Position));
    case ControlKind::Text: return e.text;
    default: return NumberText(e.number);
  }
}

void Controls::SetFromText(const std::string& name, const std::string& text, Origin origin) {
  ControlInfo info = Info(name);
  auto bad = [&](const std::string& expected) {
    return Error("Bad value \"" + text + "\" for control " + info.Name + " (" + expected + ")");
  };
  switch (info.Kind) {
    case ControlKind::Check: {
      auto b = ParseBool(text);
      if (!b) throw bad("expected 1 or 0");
      SetChecked(name, *b, origin);
      return;
    }
    case ControlKind::Text: SetText(name, text, origin); return;
    case ControlKind::Choice: {
      for (size_t i = 0; i < info.Items.size(); ++i)  // an item text wins over an index
        if (info.Items[i] == Trim(text)) {
          SetDouble(name, static_cast<double>(i), origin);
          return;
        }
      if (auto i = ParseInteger(text)) {
        if (*i < -1 || *i >= static_cast<long long>(info.Items.size()))
          throw bad("item index 0.." + std::to_string(info.Items.size() - 1));
        SetDouble(name, static_cast<double>(*i), origin);
        return;
      }
      for (size_t i = 0; i < info.Items.size(); ++i)
        if (EqualsNoCase(info.Items[i], Trim(text))) {
          SetDouble(name, static_cast<double>(i), origin);
          return;
        }
      throw bad("item index or one of its item texts");
    }
    case ControlKind::Int:
    case ControlKind::Slider: {
      auto i = ParseInteger(text);
      if (!i) {
        auto d = ParseDouble(text);  // "4.0" is fine, "4.5" is not
        if (!d || *d != std::floor(*d)) throw bad("expected an integer");
        i = static_cast<long long>(*d);
      }
      SetDouble(name, static_cast<double>(*i), origin);
      return;
    }
    case ControlKind::Double: {
      auto d = ParseDouble(text);
      if (!d) throw bad("expected a number");
      SetDouble(name, *d, origin);
      return;
    }
  }
}

namespace {
void SplitQualified(const std::string& q, std::string& name, std::string& prop) {
  auto dot = q.rfind('.');
  if (dot == std::string::npos) {
    name = q;
    prop.clear();
  } else {
    name = q.substr(0, dot);
    prop = ToLower(q.substr(dot + 1));
  }
}
}  // namespace

std::string Controls::PropertyText(const std::string& qualifiedName) const {
  std::string name, prop;
  SplitQualified(qualifiedName, name, prop);
  if (prop.empty() || prop == "value" || prop == "checked" || prop == "itemindex" || prop == "position")
    return ValueText(name);
  if (prop == "text") return Text(name);
  if (prop == "caption") return Info(name).Caption;
  SliderState s = Slider(name);
  if (prop == "min") return std::to_string(s.Min);
  if (prop == "max") return std::to_string(s.Max);
  if (prop == "tag") return std::to_string(s.Tag);
  throw Error("Unknown property \"" + qualifiedName + "\"");
}

void Controls::SetPropertyFromText(const std::string& qualifiedName, const std::string& text, Origin origin) {
  std::string name, prop;
  SplitQualified(qualifiedName, name, prop);
  if (prop.empty() || prop == "value" || prop == "checked" || prop == "itemindex" || prop == "position")
    return SetFromText(name, text, origin);
  if (prop == "text") return SetText(name, text, origin);
  if (prop == "caption") {
    std::lock_guard lock(mutex_);
    Find(name).info.Caption = text;
    return;
  }
  auto v = ParseInteger(text);
  if (!v) throw Error("Bad value \"" + text + "\" for " + qualifiedName + " (expected an integer)");
  SliderState s = Slider(name);
  if (prop == "min") return SetSliderRange(name, static_cast<int>(*v), s.Max, origin);
  if (prop == "max") return SetSliderRange(name, s.Min, static_cast<int>(*v), origin);
  if (prop == "tag") return SetSliderTag(name, static_cast<int>(*v));
  throw Error("Unknown property \"" + qualifiedName + "\"");
}

namespace {
// The key of a qualified name in a settings file: the bare control name for its main value.
std::string KeyOf(const Controls& c, const std::string& qualified) {
  auto dot = qualified.rfind('.');
  if (dot == std::string::npos) return c.CanonicalName(qualified);
  return c.CanonicalName(qualified.substr(0, dot)) + qualified.substr(dot);
}
}  // namespace

void Controls::SaveToIni(IniFile& ini, const std::string& section, const std::vector<std::string>& names) const {
  for (const auto& q : names) ini.Set(section, KeyOf(*this, q), PropertyText(q));
}

void Controls::LoadFromIni(const IniFile& ini, const std::string& section, const std::vector<std::string>& names,
                           Origin origin) {
  for (const auto& q : names) {
    auto v = ini.Get(section, KeyOf(*this, q));
    if (!v) continue;
    try {
      SetPropertyFromText(q, *v, origin);
    } catch (const Error&) {
      // A value the control cannot take keeps the current one.
    }
  }
}

void Controls::OnChange(const std::string& name, Handler handler) {
  std::lock_guard lock(mutex_);
  Find(name).handlers.push_back(std::move(handler));
}

int Controls::Observe(Observer observer) {
  std::lock_guard lock(mutex_);
  int id = nextObserver_++;
  observers_[id] = std::move(observer);
  return id;
}

void Controls::Unobserve(int id) {
  std::lock_guard lock(mutex_);
  observers_.erase(id);
}

void Controls::Changed(const std::string& name, Origin origin) {
  std::vector<Handler> handlers;
  std::vector<Observer> observers;
  {
    std::lock_guard lock(mutex_);
    if (origin != Origin::Program) handlers = Find(name).handlers;
    for (auto& [id, o] : observers_) observers.push_back(o);
  }
  for (auto& o : observers) o(name, origin);
  for (auto& h : handlers) h(origin);
}

}  // namespace lumivane
