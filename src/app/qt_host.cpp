#include "app/qt_host.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QThread>
#include <QTimer>

namespace lumivane {

QtHost::QtHost(QtHostWidgets widgets, QObject* parent) : QObject(parent), w_(widgets) {}

void QtHost::OnWindowThread(std::function<void()> fn) {
  if (QThread::currentThread() == thread()) fn();
  else QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

MessageAnswer QtHost::ShowMessage(const Message& message) {
  if (QThread::currentThread() == thread()) return AskHere(message);
  MessageAnswer answer;
  QMetaObject::invokeMethod(this, [&] { answer = AskHere(message); }, Qt::BlockingQueuedConnection);
  return answer;
}

MessageAnswer QtHost::AskHere(const Message& m) {
  if (responder_) return responder_(m);
  QMessageBox box(w_.Window);
  box.setWindowTitle(QString::fromStdString(m.Title));
  box.setText(QString::fromStdString(m.Text));
  box.setIcon(m.Buttons == kButtonsOK ? QMessageBox::Information : QMessageBox::Question);
  QMessageBox::StandardButtons buttons;
  if (m.Buttons & 1) buttons |= QMessageBox::Yes;
  if (m.Buttons & 2) buttons |= QMessageBox::No;
  if (m.Buttons & 4) buttons |= QMessageBox::Ok;
  if (m.Buttons & 8) buttons |= QMessageBox::Cancel;
  if (!buttons) buttons = QMessageBox::Ok;
  box.setStandardButtons(buttons);
  QCheckBox* check = nullptr;
  if (m.WithCheck) {
    check = new QCheckBox(QString::fromStdString(m.CheckText));
    check->setObjectName("chkCustom");
    box.setCheckBox(check);
  }
  const int pressed = box.exec();
  MessageAnswer a;
  switch (pressed) {
    case QMessageBox::Yes: a.Result = kResultYes; break;
    case QMessageBox::No: a.Result = kResultNo; break;
    case QMessageBox::Cancel: a.Result = kResultCancel; break;
    case QMessageBox::Ok: a.Result = kResultOK; break;
    default: a.Result = DefaultAnswer(m.Buttons, false);  // closed with Escape or the frame
  }
  a.Checked = check && check->isChecked();
  return a;
}

void QtHost::SetStatusText(int field, const std::string& text) {
  OnWindowThread([this, field, t = QString::fromStdString(text)] {
    QLabel* label = field == kStatusActivity ? w_.Activity : field == kStatusSummary ? w_.Summary
                    : field == kStatusTime   ? w_.Time : nullptr;
    if (label) label->setText(t);
  });
}

void QtHost::SetProgress(int position, int maximum) {
  OnWindowThread([this, position, maximum] {
    if (!w_.Progress) return;
    w_.Progress->setMaximum(maximum > 0 ? maximum : 1);
    w_.Progress->setValue(position < 0 ? 0 : (maximum > 0 && position > maximum ? maximum : position));
  });
}

void QtHost::SetTitle(const std::string& title) {
  OnWindowThread([this, t = QString::fromStdString(title)] {
    if (w_.Window) w_.Window->setWindowTitle(t);
  });
}

void QtHost::ShowMemory(const std::string& text) {
  OnWindowThread([this, t = QString::fromStdString(text)] {
    if (w_.Memory) w_.Memory->setText(t);
  });
}

void QtHost::Attention() {
  OnWindowThread([this] {
    if (w_.Window && !w_.Window->isActiveWindow()) QApplication::alert(w_.Window);
  });
}

void QtHost::PlaySound(Sound) {
  OnWindowThread([] { QApplication::beep(); });
}

}  // namespace lumivane

namespace lumivane {

void QtHost::RunOnMainThread(const std::function<void()>& fn) {
  if (QThread::currentThread() == thread()) fn();
  else QMetaObject::invokeMethod(this, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

QLabel* QtHost::InfoPanel(int kind) {
  QPointer<QLabel>& panel = infoPanels_[kind];
  if (!panel && w_.Window) {
    panel = new QLabel(w_.Window);
    panel->setObjectName(QString("IAsemipanel%1").arg(kind));
    panel->setStyleSheet("background: rgba(255, 255, 210, 220); border: 1px solid #808080; padding: 2px;");
    panel->setAlignment(Qt::AlignCenter);
    panel->move(200, 120);  // kind 3 keeps this place; kinds 1 and 4 go to the corner
  }
  return panel;
}

void QtHost::ShowInfoPanel(int kind, const std::string& text, int seconds) {
  if (kind != 1 && kind != 3 && kind != 4) return;
  OnWindowThread([this, kind, t = QString::fromStdString(text), seconds] {
    QLabel* panel = InfoPanel(kind);
    if (!panel) return;
    if (kind != 3) panel->move(0, 0);
    panel->resize(static_cast<int>(t.size()) * 8 + 20, panel->sizeHint().height());
    panel->setText(t);
    panel->show();
    panel->raise();
    if (seconds > 0) {
      QTimer*& timer = infoTimers_[kind];
      if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, kind] {
          if (QLabel* p = infoPanels_[kind]) p->hide();
        });
      }
      timer->start(seconds * 1000);
    }
  });
}

}  // namespace lumivane
