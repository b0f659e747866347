// The window, driven as a user would drive it (offscreen).
#include <QAbstractButton>
#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QDir>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTemporaryDir>
#include <QtTest>
#include <thread>

#include "app/control_binder.hpp"
#include "app/main_form.hpp"
#include "app/qt_host.hpp"
#include "app/stage_tab_bar.hpp"
#include "codecs/bmp_writer.hpp"
#include "session/frame_jobs.hpp"
#include "session/session.hpp"

using namespace lumivane;

namespace {

// A stage that works through `frames` frames on the worker pool, slowly.
void SlowStage(Session& s, int frames, int msPerFrame) {
  class Job : public FrameJob {
   public:
    Job(Session& s, JobRange r, int i, int interval, int ms) : FrameJob(s, r, i, interval), ms_(ms) {}
    void Execute() override {
      for (int f = FirstFrame; f <= LastFrame; ++f) {
        if (CancelRequested()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms_));
        FrameDone(f);
      }
    }
    int ms_;
  };
  s.Progress.Start(ProgressKind::Align, frames);
  RunFrameJobs(frames, 2, [&](WorkerPool& pool, JobRange r, int i, int interval) {
    pool.Add<Job>(s, r, i, interval, msPerFrame);
  });
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT
  QTemporaryDir home_;
 private slots:
  // Settings, key store and layouts go to a folder of the test's own.
  void initTestCase() {
    QVERIFY(home_.isValid());
    qputenv("XDG_CONFIG_HOME", (home_.path() + "/config").toLocal8Bit());
    QDir::setCurrent(home_.path());
  }
  void dockPanelsComeBackWhereTheyWere();
  void namedWidgetsAreBoundToControls();
  void stageTabsAreGatedAndColoured();
  void toolTogglesShowTheirPanelsOnTheWaveletTab();
  void stageRunsOffTheWindowThreadWithProgressAndCancel();
  void closingDuringAStageCancelsThenCloses();
  void messageBoxCarriesTheCheckBox();
  void infoPanelShowsForItsSeconds();
  void openingShowsFrameZeroAndTheSliderStepsThroughFrames();
  void screenshot();
};

void MainFormTest::namedWidgetsAreBoundToControls() {
  TMainForm form;
  auto* cores = form.findChild<QSpinBox*>("Cores");
  QVERIFY(cores);
  QCOMPARE(cores->maximum(), 8);
  QCOMPARE(cores->value(), form.session().Controls.Int("Cores"));
  cores->setValue(3);  // the user edits
  QCOMPARE(form.session().Controls.Int("Cores"), 3);
  form.session().Controls.SetChecked("ShowAlign", true);  // the program updates
  QVERIFY(form.findChild<QCheckBox*>("ShowAlign")->isChecked());
  // A change from another thread arrives through the event loop.
  std::thread([&] { form.session().Controls.SetInt("Cores", 5); }).join();
  QTRY_COMPARE(cores->value(), 5);
  form.session().Controls.Describe("Colourstack", "Colour(Debayer_Active)", "");  // as a Bayer SER does
  QCOMPARE(form.findChild<QCheckBox*>("Colourstack")->text(), QString("Colour(Debayer_Active)"));
  QVERIFY(form.binder().WidgetFor("Avi_processing_mode"));
  QVERIFY(form.binder().WidgetFor("Processarea"));
}

void MainFormTest::stageTabsAreGatedAndColoured() {
  TMainForm form;
  form.show();
  form.session().ViewState = 4;
  form.stageTabs().setCurrentIndex(kTabWavelet);  // before stacking
  QCOMPARE(form.stageTabs().currentIndex(), int(kTabAlign));
  QCOMPARE(form.pages().currentIndex(), int(kTabAlign));
  QCOMPARE(form.session().ViewState, 4);
  QCOMPARE(form.stageTabs().TabColour(0), QColor(166, 202, 240));
  QCOMPARE(form.stageTabs().TabColour(2), QColor(192, 192, 192));
  // The wavelet tools stay hidden over the align page.
  form.session().Controls.SetChecked("Gammaspeedbutton1", true);
  QApplication::processEvents();
  QVERIFY(form.findChild<QDockWidget*>("Gamma_Panel")->isHidden());

  form.session().StageReached = 1;  // after the limit stage
  form.pages().setCurrentIndex(kTabWavelet);
  QCOMPARE(form.stageTabs().currentIndex(), int(kTabStack));
  QCOMPARE(form.session().ViewState, 6);
  form.session().StageReached = 3;
  form.stageTabs().setCurrentIndex(kTabWavelet);
  QCOMPARE(form.pages().currentIndex(), int(kTabWavelet));
  QCOMPARE(form.session().ViewState, 7);
  QCOMPARE(form.stageTabs().TabColour(0), QColor(192, 220, 192));
  QVERIFY(!form.findChild<QDockWidget*>("Gamma_Panel")->isHidden());
  QVERIFY(!form.findChild<QDockWidget*>("WaveletSection_panel")->isHidden());
}

void MainFormTest::toolTogglesShowTheirPanelsOnTheWaveletTab() {
  TMainForm form;
  form.show();
  form.session().StageReached = 3;
  form.stageTabs().setCurrentIndex(kTabWavelet);
  auto* zoom = form.findChild<QToolButton*>("ZoomWaveletbutton");
  auto* panel = form.findChild<QDockWidget*>("Zoom_Panel");
  QVERIFY(panel->isHidden());
  zoom->click();
  QTRY_VERIFY(!panel->isHidden());
  form.stageTabs().setCurrentIndex(kTabAlign);
  QVERIFY(panel->isHidden());
  auto* process = form.findChild<QPushButton*>("ProcessButton");
  QVERIFY(process->isEnabled());
  form.findChild<QCheckBox*>("Autoprocessbox")->click();
  form.stageTabs().setCurrentIndex(kTabWavelet);
  QVERIFY(!process->isEnabled());
}

void MainFormTest::stageRunsOffTheWindowThreadWithProgressAndCancel() {
  TMainForm form;
  form.show();
  int timerTicks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++timerTicks; });
  ticker.start(10);
  QSignalSpy finished(&form, &TMainForm::StageFinished);
  QVERIFY(form.RunStage("Align", [](Session& s) { SlowStage(s, 400, 5); }));
  QVERIFY(!form.RunStage("Stack", [](Session&) {}));  // one stage at a time
  QVERIFY(!form.stageTabs().isEnabled());
  auto* status = form.findChild<QLabel*>("Statusbartext4");
  QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith("Time used: "), 5000);
  QVERIFY(form.windowTitle().startsWith("L 6:Align "));
  QVERIFY(timerTicks > 3);  // the window kept serving events
  QVERIFY(form.findChild<QProgressBar*>("StatusBar_ProgressBar")->value() > 0);

  form.host().SetResponder([](const Message& m) {
    return MessageAnswer{m.Title == "Cancelling ..." ? kResultYes : kResultOK, false};
  });
  form.findChild<QPushButton*>("CancelButton")->click();
  QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
  QVERIFY(form.session().Progress.Done() < 400);
  QVERIFY(form.stageTabs().isEnabled());
  QCOMPARE(form.windowTitle(), QString(kApplicationTitle));
}

void MainFormTest::closingDuringAStageCancelsThenCloses() {
  TMainForm form;
  form.show();
  QSignalSpy finished(&form, &TMainForm::StageFinished);
  QVERIFY(form.RunStage("Stack", [](Session& s) { SlowStage(s, 100000, 1); }));
  QTest::qWait(50);
  form.close();
  QVERIFY(form.isVisible());  // not yet: the stage stops first
  QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
  QTRY_VERIFY(!form.isVisible());
}

void MainFormTest::messageBoxCarriesTheCheckBox() {
  TMainForm form;
  form.show();
  QTimer::singleShot(100, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box);
    auto* check = box->findChild<QCheckBox*>("chkCustom");
    QVERIFY(check);
    QCOMPARE(check->text(), QString("Restart Lumivane V6 "));
    box->button(QMessageBox::No)->click();
  });
  form.CancelButtonClick();
  QVERIFY(!form.session().CancelRequested);
}

void MainFormTest::infoPanelShowsForItsSeconds() {
  TMainForm form;
  form.show();
  form.host().ShowInfoPanel(1, "Stack saved", 1);
  auto* panel = form.findChild<QLabel*>("IAsemipanel1");
  QVERIFY(panel);
  QVERIFY(panel->isVisible());
  QCOMPARE(panel->pos(), QPoint(0, 0));
  QCOMPARE(panel->width(), 11 * 8 + 20);
  QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), 3000);
  form.host().ShowInfoPanel(3, "Wait", 0);  // no seconds: stays
  QTest::qWait(50);
  QVERIFY(form.findChild<QLabel*>("IAsemipanel3")->isVisible());
}

void MainFormTest::openingShowsFrameZeroAndTheSliderStepsThroughFrames() {
  const QString dir = QDir::tempPath() + "/lv_gui_open_" + QString::number(QCoreApplication::applicationPid());
  QDir().mkpath(dir);
  QStringList files;
  for (int i = 0; i < 3; ++i) {
    Bitmap24 b(40, 30);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) b.Pixel(x, y)[0] = b.Pixel(x, y)[1] = b.Pixel(x, y)[2] = std::uint8_t(60 * i + x);
    files << dir + QString("/f%1.bmp").arg(i);
    codecs::WriteBMP(files.back().toStdString(), b);
  }
  TMainForm form;
  form.show();
  QSignalSpy finished(&form, &TMainForm::StageFinished);
  form.OpenFiles(files, 0);
  QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
  QTRY_COMPARE(form.findChild<QSlider*>("PreviewSlider")->maximum(), 2);
  QVERIFY(form.windowTitle().startsWith("Lumivane processing BMP: "));
  QVERIFY(!form.findChild<QLabel*>("Frontpanel")->pixmap().isNull());
  QCOMPARE(form.findChild<QLabel*>("FrameLabel")->text(), QString("Frame 1 / 3"));
  form.findChild<QSlider*>("PreviewSlider")->setValue(2);  // as the user drags it
  QCOMPARE(form.session().Work.Bitmap.Pixel(0, 0)[0], 120);
  QCOMPARE(form.findChild<QLabel*>("FrameLabel")->text(), QString("Frame 3 / 3"));
  QDir(dir).removeRecursively();
}

void MainFormTest::dockPanelsComeBackWhereTheyWere() {
  {
    TMainForm form;
    form.show();
    form.session().StageReached = 3;
    form.stageTabs().setCurrentIndex(kTabWavelet);
    auto* dock = form.findChild<QDockWidget*>("WaveletSection_panel");
    QVERIFY(!dock->isHidden());
    form.addDockWidget(Qt::LeftDockWidgetArea, dock);  // the user moves it
    form.session().Controls.SetInt("Cores", 3);
    form.session().ResultSaved = true;  // no closing question
    form.close();
  }
  QVERIFY(QFile::exists(home_.path() + "/config/lumivane/Lumivane_Layout6.ini"));
  QVERIFY(QFile::exists(home_.path() + "/lumivane6.ini"));
  TMainForm again;
  again.show();
  QCOMPARE(again.dockWidgetArea(again.findChild<QDockWidget*>("WaveletSection_panel")), Qt::LeftDockWidgetArea);
  QCOMPARE(again.session().Controls.Int("Cores"), 3);
  // A named layout brings a panel back to its place.
  QVERIFY(again.SaveLayoutAs("Planets"));
  again.addDockWidget(Qt::RightDockWidgetArea, again.findChild<QDockWidget*>("WaveletSection_panel"));
  QVERIFY(again.LayoutNames().contains("Planets"));
  again.tLayoutsClick("Planets");
  QCOMPARE(again.dockWidgetArea(again.findChild<QDockWidget*>("WaveletSection_panel")), Qt::LeftDockWidgetArea);
}

void MainFormTest::screenshot() {
  TMainForm form;
  form.resize(1200, 800);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const QString data = QString::fromLocal8Bit(qgetenv("LUMIVANE_TESTDATA"));
  if (!data.isEmpty()) {
    QSignalSpy finished(&form, &TMainForm::StageFinished);
    form.OpenFiles({data + "/recordings/moon_crop256_y800_ffmpeg.avi"}, 0);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
  }
  const QString out = QString::fromLocal8Bit(qgetenv("LUMIVANE_SCREENSHOT"));
  if (!out.isEmpty()) QVERIFY(form.grab().save(out));
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
