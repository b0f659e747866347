// Binds every widget whose objectName is a control name to that control, both ways:
// user edits set the control (origin User), and every change of the control, from any
// thread, shows in the widget without echoing back.
#pragma once
#include <QObject>
#include <QPointer>
#include <map>
#include <string>

namespace lumivane {
class Controls;

class ControlBinder : public QObject {
  Q_OBJECT
 public:
  ControlBinder(Controls& controls, QObject* parent = nullptr);
  ~ControlBinder() override;

  // Binds the widgets below `root` whose objectName names a control; returns how many.
  int BindTree(QWidget* root);
  QWidget* WidgetFor(const std::string& controlName) const;

 private:
  void Bind(QWidget* w, const std::string& name);
  void ShowValue(const std::string& name);

  Controls& controls_;
  std::map<std::string, QPointer<QWidget>> widgets_;
  int observer_ = 0;
};

}  // namespace lumivane
