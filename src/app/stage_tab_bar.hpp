// The stage tabs (align, stack, wavelet), each painted in the colour of its state.
#pragma once
#include <QColor>
#include <QTabBar>
#include <QVector>

namespace lumivane {

class StageTabBar : public QTabBar {
  Q_OBJECT
 public:
  explicit StageTabBar(QWidget* parent = nullptr);
  void SetTabColour(int index, QColor colour);
  QColor TabColour(int index) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QVector<QColor> colours_;
};

// A colour given as 0x00BBGGRR.
QColor ColourFromBgr(unsigned bgr);

}  // namespace lumivane
