#include "app/control_binder.hpp"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QThread>

#include "session/controls.hpp"

namespace lumivane {

namespace {
QList<QRadioButton*> RadiosOf(QGroupBox* g) { return g->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly); }
}  // namespace

ControlBinder::ControlBinder(Controls& controls, QObject* parent) : QObject(parent), controls_(controls) {
  observer_ = controls_.Observe([this](const std::string& name, Origin) {
    if (!widgets_.count(name)) return;
    if (QThread::currentThread() == thread()) ShowValue(name);
    else QMetaObject::invokeMethod(this, [this, name] { ShowValue(name); }, Qt::QueuedConnection);
  });
}

ControlBinder::~ControlBinder() { controls_.Unobserve(observer_); }

int ControlBinder::BindTree(QWidget* root) {
  int bound = 0;
  QList<QWidget*> all = root->findChildren<QWidget*>();
  all.prepend(root);
  for (QWidget* w : all) {
    const std::string name = w->objectName().toStdString();
    if (name.empty() || !controls_.Has(name)) continue;
    const std::string canonical = controls_.CanonicalName(name);
    if (widgets_.count(canonical) && widgets_[canonical]) continue;
    Bind(w, canonical);
    ++bound;
  }
  return bound;
}

QWidget* ControlBinder::WidgetFor(const std::string& controlName) const {
  auto it = widgets_.find(controls_.CanonicalName(controlName));
  return it == widgets_.end() ? nullptr : it->second.data();
}

void ControlBinder::Bind(QWidget* w, const std::string& name) {
  widgets_[name] = w;
  const ControlInfo info = controls_.Info(name);
  if (!info.Hint.empty() && w->toolTip().isEmpty()) w->setToolTip(QString::fromStdString(info.Hint));
  if (auto* g = qobject_cast<QGroupBox*>(w)) {
    const auto radios = RadiosOf(g);
    for (int i = 0; i < radios.size(); ++i)
      connect(radios[i], &QRadioButton::toggled, this, [this, name, i](bool on) {
        if (on) controls_.SetIndex(name, i, Origin::User);
      });
  } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
    spin->setRange(static_cast<int>(info.Min), static_cast<int>(info.Max));
    spin->setSingleStep(static_cast<int>(info.Step));
    connect(spin, &QSpinBox::valueChanged, this, [this, name](int v) { controls_.SetInt(name, v, Origin::User); });
  } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
    dspin->setDecimals(info.Decimals);
    dspin->setRange(info.Min, info.Max);
    dspin->setSingleStep(info.Step);
    connect(dspin, &QDoubleSpinBox::valueChanged, this,
            [this, name](double v) { controls_.SetDouble(name, v, Origin::User); });
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    connect(combo, &QComboBox::currentIndexChanged, this,
            [this, name](int i) { controls_.SetIndex(name, i, Origin::User); });
  } else if (auto* slider = qobject_cast<QSlider*>(w)) {
    connect(slider, &QSlider::valueChanged, this,
            [this, name](int v) { controls_.SetSliderPosition(name, v, Origin::User); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    connect(edit, &QLineEdit::editingFinished, this,
            [this, name, edit] { controls_.SetText(name, edit->text().toStdString(), Origin::User); });
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setCheckable(true);
    connect(button, &QAbstractButton::toggled, this,
            [this, name](bool on) { controls_.SetChecked(name, on, Origin::User); });
  }
  ShowValue(name);
}

void ControlBinder::ShowValue(const std::string& name) {
  QWidget* w = widgets_[name];
  if (!w) return;
  QSignalBlocker block(w);
  if (auto* g = qobject_cast<QGroupBox*>(w)) {
    const auto radios = RadiosOf(g);
    const int index = controls_.Index(name);
    for (int i = 0; i < radios.size(); ++i) {
      QSignalBlocker b(radios[i]);
      radios[i]->setChecked(i == index);
    }
  } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
    spin->setValue(controls_.Int(name));
  } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
    dspin->setValue(controls_.Double(name));
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    const auto items = controls_.Items(name);
    if (combo->count() != static_cast<int>(items.size())) {
      combo->clear();
      for (const auto& it : items) combo->addItem(QString::fromStdString(it));
    }
    combo->setCurrentIndex(controls_.Index(name));
  } else if (auto* slider = qobject_cast<QSlider*>(w)) {
    SliderState s = controls_.Slider(name);
    slider->setRange(s.Min, s.Max);
    slider->setValue(s.Position);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(QString::fromStdString(controls_.Text(name)));
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setChecked(controls_.Checked(name));
  }
  // Check boxes show the caption the core gives them (e.g. "Colour(Debayer_Active)").
  const ControlInfo info = controls_.Info(name);
  if (auto* check = qobject_cast<QCheckBox*>(w); check && !info.Caption.empty())
    check->setText(QString::fromStdString(info.Caption));
  if (!info.Hint.empty()) w->setToolTip(QString::fromStdString(info.Hint));
}

}  // namespace lumivane
