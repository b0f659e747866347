#include "app/main_form.hpp"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QClipboard>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QShortcut>
#include <QScreen>
#include <filesystem>
#include <QGuiApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "app/control_binder.hpp"
#include "app/qt_host.hpp"
#include "app/stage_tab_bar.hpp"
#include "platform/system_info.hpp"
#include "session/about.hpp"
#include "session/cancel.hpp"
#include "session/key_store.hpp"
#include "session/settings_groups.hpp"
#include "session/startup.hpp"
#include "input/frame_reader.hpp"
#include "input/input_controls.hpp"
#include "align/align_controls.hpp"
#include "finish/finish_controls.hpp"
#include "stack/stack_controls.hpp"
#include "wavelet/wavelet_controls.hpp"
#include "input/open_recording.hpp"
#include "input/source_kind.hpp"

namespace lumivane {

namespace {
// Panels of each stage tab and the toggle that shows them ("" = shown as the user left it).
struct PanelRule {
  const char* panel;
  int tab;
  const char* toggle;
};
const PanelRule kPanelRules[] = {
    {"MultiAlign_Panel", kTabAlign, "ShowAPwindow"},
    {"Filter_Panel", kTabAlign, "Show_Prefilter"},
    {"AdvAlign_panel", kTabAlign, "AlignAdvancedControls"},
    {"Framelist_Panel", kTabAlign, "ShowFramelist1"},
    {"Registergraph_Panel", kTabAlign, "ShowGraphbox1"},
    {"Alignmentpoints_Panel", kTabStack, ""},
    {"StackList_Panel", kTabStack, ""},
    {"Stackgraphs_Panel", kTabStack, ""},
    {"SigmaEvent_Panel", kTabStack, nullptr},  // shown by its own Part, hidden off the stack tab
    {"RGBAlign_Panel", kTabWavelet, "RGBAlignButton"},
    {"Compare_Panel", kTabWavelet, "Showcomparingpanel"},
    {"Layer1Filterpanel", kTabWavelet, "Denoiselayer1"},
    {"Zoom_Panel", kTabWavelet, "ZoomWaveletbutton"},
    {"Gamma_Panel", kTabWavelet, "Gammaspeedbutton1"},
    {"Histogram_Panel", kTabWavelet, "Histogramspeedbutton1"},
    {"HistoRGB_Panel", kTabWavelet, "RGBbalancespeedbutton"},
    {"WaveletFilter_Panel", kTabWavelet, "Waveletfilterspeedbutton"},
    {"Create_Mask_Panel", kTabWavelet, "CreateMask"},
    {"FlipandRotate", kTabWavelet, "FlipandRotateButton"},
    {"Linegraphpanel", kTabWavelet, "LineGraphButton"},
    {"LRGBMix_panel1", kTabWavelet, "LRGBMixing"},
    {"WaveletSection_panel", kTabWavelet, "*"},  // always on the wavelet tab
    {"SpecialHisto_panel", kTabWavelet, nullptr},
};
}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), session_(std::make_unique<Session>()) {
  input::RegisterInputControls(session_->Controls);
  align::RegisterAlignControls(session_->Controls);
  stack::RegisterStackControls(session_->Controls);
  wavelet::RegisterWaveletControls(session_->Controls);
  finish::RegisterFinishControls(session_->Controls);
  setObjectName("TMainForm");
  setWindowTitle(kApplicationTitle);
  resize(1100, 760);
  BuildPages();
  BuildStatusBar();
  BuildPanels();

  host_ = new QtHost({this, StatusBartext2, Statusbartext3, Statusbartext4, Label22, StatusBar_ProgressBar}, this);
  session_->SetHost(host_);
  session_->AppDir = QDir::currentPath().toStdString();
  RestoreStartGroups(*session_);
  StartSession(*session_, platform::ProcessorCount());
  LoadKeyStore(*session_, true);
  FillPresetLists(*session_);

  binder_ = new ControlBinder(session_->Controls, this);
  binder_->BindTree(this);

  // Toggles re-apply the panels of the tab that is shown.
  session_->Controls.Observe([this](const std::string& name, Origin) {
    for (const auto& r : kPanelRules)
      if (r.toggle && name == r.toggle) {
        QMetaObject::invokeMethod(this, [this] { ApplyPanels(session_->SelectedTab); }, Qt::QueuedConnection);
        return;
      }
  });

  connect(Tab_pages, &QTabBar::currentChanged, this, &TMainForm::Tab_pagesChange);
  // A click on the tab already selected brings its page back from Finalize or About.
  connect(Tab_pages, &QTabBar::tabBarClicked, this, [this](int i) {
    if (i == Tab_pages->currentIndex()) Tab_pagesChange(i);
  });
  connect(PageControl1, &QTabWidget::currentChanged, this, &TMainForm::PageControl1Change);
  connect(CancelButton, &QPushButton::clicked, this, &TMainForm::CancelButtonClick);
  connect(PauseButton, &QPushButton::clicked, this, &TMainForm::PauseButtonClick);
  connect(ActiveOptions, &QListWidget::itemClicked, this, &TMainForm::ActiveOptionsClick);
  setAcceptDrops(true);
  BuildKeys();
  // "Use file from Clipboard" is offered while the clipboard holds a picture.
  auto showClipboardButton = [this] {
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    if (QWidget* b = findChild<QWidget*>("Clipboardfront")) b->setVisible(m && m->hasImage());
  };
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, showClipboardButton);
  showClipboardButton();
  connect(findChild<QPushButton*>("Clipboardfront"), &QPushButton::clicked, this, &TMainForm::ClipboardFrontClick);
  // Moving the preview slider shows that frame.
  session_->Controls.OnChange("PreviewSlider", [this](Origin o) {
    if (o == Origin::User) ShowFrame(session_->Controls.Slider("PreviewSlider").Position);
  });

  // The worker count shows how it compares with the processors.
  auto coresLook = [this](bool atStart) {
    CoresAppearance look = CoresLook(session_->Controls.Int("Cores"), platform::LogicalProcessorCount(), atStart);
    if (auto* cores = findChild<QWidget*>("Cores")) {
      cores->setStyleSheet(QString("color: %1; font-weight: bold;").arg(ColourFromBgr(look.Colour).name()));
      cores->setToolTip(QString::fromStdString(look.Hint));
    }
  };
  coresLook(true);
  session_->Controls.OnChange("Cores", [coresLook](Origin) { coresLook(false); });
  RestoreWindowLayout();
  RefreshActiveOptions();
  Statusbartext3->clear();
  session_->RefreshMemoryReadout();
  Tab_pagesChange(kTabAlign);
  SetBusy(false);
}

TMainForm::~TMainForm() {
  if (engine_.joinable()) {
    session_->CancelRequested = true;
    engine_.join();
  }
  session_->SetHost(nullptr);
  // Children that hold on to the session go before it does.
  delete binder_;
  delete host_;
}

QDockWidget* TMainForm::Panel(const char* name) const {
  auto it = panels_.find(name);
  return it == panels_.end() ? nullptr : it->second;
}

void TMainForm::Tab_pagesChange(int index) {
  if (applyingTab_) return;
  ApplyTabOutcome(Change_TabPages(*session_, index));
}

void TMainForm::PageControl1Change(int index) {
  if (applyingTab_) return;
  if (index <= kTabWavelet) {
    Tab_pagesChange(index);  // the stage pages follow the stage tabs and their gate
    return;
  }
  if (PageControl1->widget(index)->objectName() == "Tabsheet6") FillAbout();
}

void TMainForm::ApplyTabOutcome(const TabPagesOutcome& o) {
  applyingTab_ = true;
  Tab_pages->setCurrentIndex(o.Tab);
  PageControl1->setCurrentIndex(o.Tab);
  for (int i = 0; i < kStageTabCount; ++i) Tab_pages->SetTabColour(i, ColourFromBgr(o.TabColours[static_cast<size_t>(i)]));
  applyingTab_ = false;
  ApplyPanels(o.Tab);
  if (QAction* save = findChild<QAction*>("ProjectSaver")) save->setEnabled(o.ProjectSaveEnabled);
  ProcessButton->setEnabled(o.ProcessButtonEnabled);
  if (QWidget* p3 = findChild<QWidget*>("Showbuttonp3")) p3->setVisible(o.ProcessButtonEnabled);
  if (o.Tab == kTabWavelet) Statusbartext4->clear();
  if (QWidget* f = findChild<QWidget*>("FinalizeButton")) f->setEnabled(session_->StageReached >= 3);
}

void TMainForm::ApplyPanels(int tab) {
  const Controls& c = session_->Controls;
  if (shownTab_ == kTabStack && tab != kTabStack)  // remember how the user left the stack panels
    for (const auto& r : kPanelRules)
      if (r.tab == kTabStack && r.toggle && *r.toggle == '\0' && Panel(r.panel))
        stackPanelsShown_[r.panel] = !Panel(r.panel)->isHidden();
  shownTab_ = tab;
  for (const auto& r : kPanelRules) {
    QDockWidget* dock = Panel(r.panel);
    if (!dock) continue;
    if (r.tab != tab) {
      dock->hide();
      continue;
    }
    if (!r.toggle) continue;  // its own tool shows it
    bool show = *r.toggle == '*' ? true : *r.toggle == '\0' ? stackPanelsShown_[r.panel] : c.Checked(r.toggle);
    if (std::string(r.panel) == "Registergraph_Panel") show = show && session_->ViewState >= 1;
    dock->setVisible(show);
  }
}

bool TMainForm::RunStage(const QString& name, std::function<void(Session&)> stage) {
  if (running_) return false;
  if (engine_.joinable()) engine_.join();
  running_ = true;
  SetBusy(true);
  session_->CancelRequested = false;
  engine_ = std::thread([this, name, stage = std::move(stage)] {
    bool ok = true;
    try {
      stage(*session_);
    } catch (const std::exception& e) {
      ok = false;
      CALLMessagedlg(*session_, name.toStdString(), e.what());
    }
    QMetaObject::invokeMethod(this, [this, name, ok] { StageEnded(name, ok); }, Qt::QueuedConnection);
  });
  return true;
}

void TMainForm::StageEnded(const QString& name, bool succeeded) {
  if (engine_.joinable()) engine_.join();
  running_ = false;
  SetBusy(false);
  setWindowTitle(kApplicationTitle);
  host_->Attention();
  if (session_->Controls.Checked("ProjectSounds")) host_->PlaySound(Sound::Exclamation);
  emit StageFinished(name, succeeded);
  if (closePending_) close();
}

void TMainForm::SetBusy(bool busy) {
  Tab_pages->setEnabled(!busy);
  for (int i = 0; i < PageControl1->count(); ++i)
    if (i <= kTabWavelet) PageControl1->setTabEnabled(i, !busy || i == PageControl1->currentIndex());
  for (const char* name : {"ProcessButton", "Cores", "Avi_processing_mode", "Avidebay"})
    if (QWidget* w = findChild<QWidget*>(name)) w->setEnabled(!busy);
  CancelButton->setEnabled(busy);
  PauseButton->setEnabled(busy);
}

void TMainForm::CancelButtonClick() {
  CancelOutcome o = Start_Cancel(*session_);
  if (o.Restart) {
    QProcess::startDetached(QCoreApplication::applicationFilePath(), {}, QString::fromStdString(session_->AppDir));
    closePending_ = true;
    close();
  }
  Tab_pages->update();
  unsetCursor();
}

void TMainForm::PauseButtonClick() { lumivane::PauseButtonClick(*session_); }

void TMainForm::ActiveOptionsClick() { CALLMessagedlg(*session_, kApplicationTitle, kActiveOptionsMessage); }

void TMainForm::RefreshActiveOptions() {
  for (int i = 0; i < kActiveOptionCount && i < ActiveOptions->count(); ++i)
    ActiveOptions->item(i)->setCheckState(session_->ActiveOptions[static_cast<size_t>(i)] ? Qt::Checked : Qt::Unchecked);
}

void TMainForm::FillAbout() {
  Memo1->clear();
  for (const auto& line : AboutLines(platform::OperatingSystemLine(), platform::ReadMemoryStatus()))
    Memo1->appendPlainText(QString::fromStdString(line));
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!closePending_) {
    const CloseDecision d = FormCloseQuery(*session_);
    if (!d.Close) {
      event->ignore();  // saving comes with the image savers; until then the window stays
      return;
    }
  }
  if (running_) {
    // Stop the running stage first; the window closes when it has ended.
    session_->CancelRequested = true;
    closePending_ = true;
    event->ignore();
    return;
  }
  SaveWindowLayout();
  try {
    StoreStartGroups(*session_);
    SaveKeyStore(*session_);
  } catch (const std::exception& e) {
    CALLMessagedlg(*session_, kApplicationTitle, e.what());
  }
  event->accept();
}

namespace {
std::string LayoutFile() {
  return (std::filesystem::path(KeyStorePath()).parent_path() / "Lumivane_Layout6.ini").string();
}
}  // namespace

void TMainForm::SaveWindowLayout() {
  IniFile layout(LayoutFile());
  layout.Load();
  layout.Set("LastLayout", "State", saveState().toBase64().toStdString());
  IniFile form((std::filesystem::path(session_->AppDir) / "lumivane6.ini").string());
  form.Load();
  const QRect g = normalGeometry();
  form.Set("Form", "ShowCmd", isMaximized() ? "3" : "1");
  form.Set("Form", "Normpos", std::to_string(g.left()) + "," + std::to_string(g.top()) + "," +
                                   std::to_string(g.right() + 1) + "," + std::to_string(g.bottom() + 1));
  try {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(LayoutFile()).parent_path(), ec);
    layout.Save();
    form.Save();
  } catch (const std::exception&) {
    CALLMessagedlg(*session_, kApplicationTitle, "Layout saving failed");
  }
}

void TMainForm::RestoreWindowLayout() {
  IniFile layout(LayoutFile());
  if (layout.Load())
    if (auto state = layout.Get("LastLayout", "State")) restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*state)));
  IniFile form((std::filesystem::path(session_->AppDir) / "lumivane6.ini").string());
  if (!form.Load()) return;
  const std::string showCmd = form.Get("Form", "ShowCmd", "0"), normpos = form.Get("Form", "Normpos", "0");
  const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect();
  if (auto r = StoredWindowPlacement(showCmd, normpos, screen.width(), screen.height()))
    setGeometry(r->Left, r->Top, r->Width, r->Height);
  if (showCmd == "3") setWindowState(windowState() | Qt::WindowMaximized);
}

}  // namespace lumivane

namespace lumivane {

void TMainForm::STARTFILESELECTION() {
  if (running_) return;
  QStringList filters;
  const char* patterns[] = {"*.avi *.mpg *.mpeg", "*.bmp", "*.fit *.fits *.fts", "*.jpg *.jpeg",
                            "*.tif *.tiff", "*.png", "*.ser", "*.lfl"};
  for (int i = 0; i < 8; ++i)
    filters << QString("%1 (%2)").arg(QString::fromUtf8(input::kOpenDialogFilters[i]).section(" (", 0, 0), patterns[i]);
  QFileDialog dialog(this, "Open file(s)");
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters(filters);
  const std::string last = session_->KeyStore.Get("Files", "Lasttype", "AVI");
  const int lastIndex = input::FilterIndexFromExtension("x." + last);
  if (lastIndex > 0) dialog.selectNameFilter(filters[lastIndex - 1]);
  if (!initialFiles_.isEmpty()) {
    const int index = input::FilterIndexFromExtension(initialFiles_.front().toStdString());
    if (index > 0) dialog.selectNameFilter(filters[index - 1]);
    dialog.selectFile(initialFiles_.front());
    initialFiles_.clear();
  }
  if (dialog.exec() != QDialog::Accepted) return;
  OpenFiles(dialog.selectedFiles(), static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1);
}

void TMainForm::OpenFiles(const QStringList& files, int filterIndex) {
  std::vector<std::string> names;
  for (const QString& f : files) names.push_back(f.toStdString());
  RunOpen([names, filterIndex](Session& s) {
    if (filterIndex < 0) input::PJFormDropFiles1DropFiles(s, names);
    else input::STARTFILESELECTION(s, {names, filterIndex});
  });
}

void TMainForm::RunOpen(std::function<void(Session&)> open) {
  if (!RunStage("Open", std::move(open))) return;
  connect(this, &TMainForm::StageFinished, this, [this](const QString& name, bool) {
    if (name == "Open") RecordingOpened();
  }, Qt::SingleShotConnection);
}

void TMainForm::RecordingOpened() {
  if (session_->AlignState >= 1) setWindowTitle(QString::fromStdString(session_->WindowCaption));
  RefreshActiveOptions();
  ApplyTabOutcome(Change_TabPages(*session_, session_->SelectedTab));
  ShowPicture();
}

void TMainForm::ShowFrame(int n) {
  if (running_ || session_->AlignState < 1) return;
  try {
    input::ReadFrame(*session_, n);
  } catch (const std::exception& e) {
    CALLMessagedlg(*session_, "Frame error", e.what());
  }
  ShowPicture();
}

void TMainForm::ShowPicture() {
  const Bitmap24& b = session_->Work.Bitmap;
  if (session_->AlignState < 1 || b.Empty()) return;
  QImage image(b.Data(), b.Width(), b.Height(), static_cast<qsizetype>(b.Stride()), QImage::Format_BGR888);
  Frontpanel->setPixmap(QPixmap::fromImage(image).scaled(Frontpanel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
  const int pos = session_->Controls.Slider("PreviewSlider").Position;
  FrameLabel->setText(QString("Frame %1 / %2").arg(pos + 1).arg(session_->Frames.FrameCount));
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!running_ && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  if (!files.isEmpty()) OpenFiles(files, -1);
  event->acceptProposedAction();
}

}  // namespace lumivane

namespace lumivane {

void TMainForm::ClipboardFrontClick() {
  const QImage image = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_BGR888);
  if (image.isNull() || running_) return;
  Bitmap24 picture(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y)
    std::copy_n(image.constScanLine(y), picture.Stride(), picture.Row(y));
  RunOpen([picture](Session& s) { input::ClipboardFrontClick(s, picture); });
}

}  // namespace lumivane

namespace lumivane {

void TMainForm::BuildKeys() {
  auto key = [this](const QKeySequence& k, std::function<void()> fn) {
    auto* sc = new QShortcut(k, this);
    connect(sc, &QShortcut::activated, this, std::move(fn));
  };
  // Alt+D: the next video opens through the indexed reader.
  key(QKeySequence(Qt::ALT | Qt::Key_D), [this] {
    Controls& c = session_->Controls;
    c.SetChecked("ForceExtendedVideo", !c.Checked("ForceExtendedVideo"), Origin::User);
    host_->ShowInfoPanel(1, c.Checked("ForceExtendedVideo") ? "Extended video forced" : "Extended video not forced", 2);
  });
  // Ctrl+X on the align page with a recording open: remove all alignment points.
  key(QKeySequence(Qt::CTRL | Qt::Key_X), [this] {
    if (running_ || session_->AlignState < 1 || PageControl1->currentIndex() != kTabAlign) return;
    session_->AlignPoints.Clear();
    ShowPicture();
  });
  // Alt+A: the gamma masking marker.
  key(QKeySequence(Qt::ALT | Qt::Key_A), [this] {
    session_->GammaMaskMarker = session_->GammaMaskMarker == 1001 ? 1000 : 1001;
    if (auto* label = findChild<QLabel*>("GammaMasked")) label->setVisible(session_->GammaMaskMarker == 1001);
  });
  // Ctrl+Shift+A: the developer controls.
  key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), [this] {
    if (auto* label = findChild<QLabel*>("Developersmode")) label->setVisible(label->isHidden());
  });
  // F12: a screenshot, saved or put on the clipboard.
  key(QKeySequence(Qt::Key_F12), [this] { Screenshot(); });
}

void TMainForm::Screenshot() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QPixmap shot = screen->grabWindow(0);
  const QStringList filters = {"JPG(RGB) (*.JPG *.jpg)", "BMP (RGB) (*.BMP *.bmp)", "PNG  (16 bit RGB) (*.png)", "CLIPBOARD (*)"};
  QFileDialog dialog(this, "Screenshot");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted) return;
  const int entry = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  if (entry == 3) {
    QGuiApplication::clipboard()->setPixmap(shot);
    return;
  }
  QString file = dialog.selectedFiles().value(0);
  const char* formats[] = {"JPG", "BMP", "PNG"};
  if (!file.isEmpty() && !shot.save(file, formats[entry < 0 ? 2 : entry]))
    CALLMessagedlg(*session_, kApplicationTitle, "The screenshot could not be saved: " + file.toStdString());
}

}  // namespace lumivane

namespace lumivane {

bool TMainForm::SaveLayoutAs(const QString& name) {
  if (name.trimmed().isEmpty()) return false;
  IniFile layout(LayoutFile());
  layout.Load();
  layout.Set("Layout " + name.trimmed().toStdString(), "State", saveState().toBase64().toStdString());
  try {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(LayoutFile()).parent_path(), ec);
    layout.Save();
  } catch (const std::exception&) {
    CALLMessagedlg(*session_, kApplicationTitle, "Layout saving failed");
    return false;
  }
  return true;
}

void TMainForm::tLayoutSaveClick() {
  bool ok = false;
  const QString name = QInputDialog::getText(this, "Save Layout", "Save current layout as:", QLineEdit::Normal, "", &ok);
  if (ok) SaveLayoutAs(name);
}

QStringList TMainForm::LayoutNames() const {
  IniFile layout(LayoutFile());
  QStringList names;
  if (!layout.Load()) return names;
  for (const auto& section : layout.Sections())
    if (section.rfind("Layout ", 0) == 0) names << QString::fromStdString(section.substr(7));
  return names;
}

void TMainForm::tLayoutsClick(const QString& name) {
  IniFile layout(LayoutFile());
  if (!layout.Load()) return;
  if (auto state = layout.Get("Layout " + name.toStdString(), "State"))
    restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*state)));
  ApplyPanels(session_->SelectedTab);
}

}  // namespace lumivane
