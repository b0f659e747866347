#include "app/stage_tab_bar.hpp"

#include <QStyleOptionTab>
#include <QStylePainter>

namespace lumivane {

QColor ColourFromBgr(unsigned bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

StageTabBar::StageTabBar(QWidget* parent) : QTabBar(parent) {}

void StageTabBar::SetTabColour(int index, QColor colour) {
  if (index < 0) return;
  if (colours_.size() <= index) colours_.resize(index + 1);
  colours_[index] = colour;
  update();
}

QColor StageTabBar::TabColour(int index) const { return index >= 0 && index < colours_.size() ? colours_[index] : QColor(); }

void StageTabBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  for (int i = 0; i < count(); ++i) {
    QStyleOptionTab option;
    initStyleOption(&option, i);
    if (i < colours_.size() && colours_[i].isValid()) painter.fillRect(option.rect.adjusted(1, 1, -1, 0), colours_[i]);
    painter.drawControl(QStyle::CE_TabBarTabLabel, option);
  }
}

}  // namespace lumivane
