// lumivane: the desktop window.
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include "app/main_form.hpp"
#include "input/source_kind.hpp"
#include "session/session.hpp"

namespace {

// A short fade-in while the window is made; skipped without a real display.
QLabel* ShowSplash() {
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") return nullptr;
  auto* splash = new QLabel(QString("<div style='padding:40px'><h1>%1</h1><p>Sharp images from telescope videos</p></div>")
                                .arg(lumivane::kApplicationTitle));
  splash->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  splash->setStyleSheet("background: #101828; color: #e0e8f0;");
  splash->setWindowOpacity(0.0);
  splash->show();
  for (int alpha = 5; alpha <= 255; alpha += 10) {  // 26 steps
    splash->setWindowOpacity(alpha / 255.0);
    QCoreApplication::processEvents();
    QThread::msleep(8);
  }
  return splash;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("lumivane");
  QLabel* splash = ShowSplash();
  lumivane::TMainForm form;
  form.show();
  // One argument naming a project or a frame list is opened through its loader; any
  // other argument is offered by the open dialog.
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.size() == 1) {
    const std::string ext = lumivane::input::LowerExtension(args[0].toStdString());
    if (ext == ".lsp" || ext == ".lfl")
      lumivane::CALLMessagedlg(form.session(), lumivane::kApplicationTitle,
                               "Projects and frame lists cannot be loaded by this version yet: " + args[0].toStdString());
  }
  if (!args.isEmpty()) form.setInitialFiles(args);
  if (splash) QTimer::singleShot(3000, splash, [splash] { splash->deleteLater(); });
  return app.exec();
}
