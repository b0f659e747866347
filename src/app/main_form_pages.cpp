// The widgets of the main window. Widgets that show an option carry the control's name as
// objectName; the binder connects them to the control model.
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <tuple>

#include "app/main_form.hpp"
#include "app/stage_tab_bar.hpp"
#include "session/recent_files.hpp"

namespace lumivane {

namespace {

template <class W>
W* Named(W* w, const char* name) {
  w->setObjectName(name);
  return w;
}

QCheckBox* Check(const char* name, const char* caption) { return Named(new QCheckBox(caption), name); }

QGroupBox* RadioGroup(const char* name, const char* title, std::initializer_list<const char*> items) {
  auto* g = Named(new QGroupBox(title), name);
  auto* l = new QVBoxLayout(g);
  for (const char* item : items) l->addWidget(new QRadioButton(item, g));
  return g;
}

QSlider* Slider(const char* name) {
  auto* s = Named(new QSlider(Qt::Horizontal), name);
  return s;
}

QWidget* Placeholder(const char* text) {
  auto* l = new QLabel(text);
  l->setAlignment(Qt::AlignCenter);
  l->setStyleSheet("color: #606060;");
  return l;
}

}  // namespace

void TMainForm::BuildPages() {
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 0);
  Tab_pages = Named(new StageTabBar, "Tab_pages");
  Tab_pages->addTab("Align");
  Tab_pages->addTab("Stack");
  Tab_pages->addTab("Wavelet");
  Tab_pages->setExpanding(false);
  auto* tabRow = new QHBoxLayout;
  tabRow->addWidget(Tab_pages);
  tabRow->addStretch(1);
  // The finishing and about pages have no stage tab of their own.
  for (auto [name, text, page] : {std::tuple{"FinalizeButton", "Finalize", 3}, std::tuple{"AboutButton", "About", 4}}) {
    auto* b = Named(new QToolButton, name);
    b->setText(text);
    connect(b, &QToolButton::clicked, this, [this, page = page] { PageControl1->setCurrentIndex(page); });
    tabRow->addWidget(b);
  }
  layout->addLayout(tabRow);
  PageControl1 = Named(new QTabWidget, "PageControl1");
  PageControl1->tabBar()->hide();
  layout->addWidget(PageControl1, 1);
  setCentralWidget(central);

  auto* fileMenu = menuBar()->addMenu("&File");
  auto* open = fileMenu->addAction("Open...", QKeySequence::Open, this, [this] { STARTFILESELECTION(); });
  open->setObjectName("SelectFileButton");
  auto* recent = fileMenu->addMenu("Recent");
  recent->setObjectName("MRUlist");
  connect(recent, &QMenu::aboutToShow, this, [this, recent] {
    recent->clear();
    for (const auto& f : LoadRecentFiles(session_->AppDir)) {
      const QString file = QString::fromStdString(f);
      recent->addAction(file, this, [this, file] { OpenFiles({file}, 0); });
    }
    if (recent->isEmpty()) recent->addAction("(none)")->setEnabled(false);
  });
  auto* saveProject = fileMenu->addAction("Save as");
  saveProject->setObjectName("ProjectSaver");
  saveProject->setToolTip("Save project data and specify name");
  saveProject->setEnabled(false);
  fileMenu->addSeparator();
  fileMenu->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);

  // Named layouts of the docks and toolbars.
  auto* viewMenu = menuBar()->addMenu("&View");
  viewMenu->addAction("Save Layout", this, [this] { tLayoutSaveClick(); })->setObjectName("tLayoutSave");
  auto* layouts = viewMenu->addMenu("Layouts");
  layouts->setObjectName("tLayouts");
  connect(layouts, &QMenu::aboutToShow, this, [this, layouts] {
    layouts->clear();
    for (const QString& name : LayoutNames()) layouts->addAction(name, this, [this, name] { tLayoutsClick(name); });
    if (layouts->isEmpty()) layouts->addAction("(none)")->setEnabled(false);
  });

  // Align page.
  auto* align = Named(new QWidget, "TabSheet1");
  auto* alignLayout = new QHBoxLayout(align);
  auto* left = new QVBoxLayout;
  auto* processing = new QGroupBox("Processing");
  auto* form = new QFormLayout(processing);
  auto* cores = Named(new QSpinBox, "Cores");
  form->addRow("CPUs :", cores);
  form->addRow(Check("ShowAlign", "Show Alignment"));
  form->addRow(Check("ProjectSounds", "Play Sounds"));
  form->addRow(Check("Avidebay", "Debayer"));
  left->addWidget(processing);
  left->addWidget(RadioGroup("Avi_processing_mode", "AVI processing", {"Classic", "New"}));
  auto* view = new QGroupBox("Show");
  auto* viewLayout = new QVBoxLayout(view);
  viewLayout->addWidget(Check("ShowAPwindow", "Alignment points window"));
  viewLayout->addWidget(Check("Show_Prefilter", "Show Prefilter"));
  viewLayout->addWidget(Check("AlignAdvancedControls", "Advanced controls"));
  viewLayout->addWidget(Check("ShowFramelist1", "Frame list"));
  viewLayout->addWidget(Check("ShowGraphbox1", "Registration graph"));
  left->addWidget(view);
  auto* activeBox = new QGroupBox("Active options");
  auto* activeLayout = new QVBoxLayout(activeBox);
  ActiveOptions = Named(new QListWidget, "ActiveOptions");
  for (const char* name : kActiveOptionNames) {
    auto* item = new QListWidgetItem(name, ActiveOptions);
    item->setFlags(Qt::ItemIsEnabled);
    item->setCheckState(Qt::Unchecked);
  }
  ActiveOptions->setMaximumHeight(170);
  activeLayout->addWidget(ActiveOptions);
  left->addWidget(activeBox);
  auto* presets = new QGroupBox("Presets");
  auto* presetForm = new QFormLayout(presets);
  presetForm->addRow("Align", Named(new QComboBox, "AlignName"));
  presetForm->addRow("Estimate", Named(new QComboBox, "ESTIMATENAME"));
  presetForm->addRow("Limit", Named(new QComboBox, "LIMITNAME"));
  left->addWidget(presets);
  left->addStretch(1);
  alignLayout->addLayout(left);
  auto* preview = new QVBoxLayout;
  Frontpanel = Named(new QLabel("Open a recording with Ctrl+O, or drop image files here"), "Frontpanel");
  Frontpanel->setAlignment(Qt::AlignCenter);
  Frontpanel->setMinimumSize(640, 480);
  Frontpanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  Frontpanel->setStyleSheet("background: #202020; color: #c0c0c0;");
  preview->addWidget(Frontpanel, 1);
  auto* clip = Named(new QPushButton("Use file from Clipboard"), "Clipboardfront");
  clip->hide();
  preview->addWidget(clip, 0, Qt::AlignLeft);
  auto* sliderRow = new QHBoxLayout;
  sliderRow->addWidget(Slider("PreviewSlider"), 1);
  FrameLabel = Named(new QLabel, "FrameLabel");
  FrameLabel->setMinimumWidth(140);
  sliderRow->addWidget(FrameLabel);
  preview->addLayout(sliderRow);
  alignLayout->addLayout(preview, 1);
  PageControl1->addTab(align, "Align");

  // Stack page.
  auto* stack = Named(new QWidget, "TabSheet3");
  auto* stackLayout = new QHBoxLayout(stack);
  auto* stackBox = new QGroupBox("Stacking");
  auto* stackForm = new QFormLayout(stackBox);
  stackForm->addRow(Check("Colourstack", "Colour"));
  stackForm->addRow(Check("Resampled", "Resampling"));
  stackForm->addRow("Resample factor", Named(new QDoubleSpinBox, "Resamplespin"));
  stackForm->addRow(Check("Drizzling", "Drizzling"));
  stackForm->addRow("Frames", Slider("StackSlider"));
  stackForm->addRow("Preset", Named(new QComboBox, "STACKNAME"));
  auto* stackLeft = new QVBoxLayout;
  stackLeft->addWidget(stackBox);
  stackLeft->addStretch(1);
  stackLayout->addLayout(stackLeft);
  auto* stackScroll = Named(new QScrollArea, "ScrollBox_Stack");
  stackScroll->setWidget(Placeholder("The stack image appears here after stacking"));
  stackScroll->setWidgetResizable(true);
  stackLayout->addWidget(stackScroll, 1);
  PageControl1->addTab(stack, "Stack");

  // Wavelet page.
  auto* wavelet = Named(new QWidget, "TabSheet4");
  auto* waveletLayout = new QVBoxLayout(wavelet);
  auto* tools = new QHBoxLayout;
  const std::pair<const char*, const char*> toggles[] = {
      {"RGBAlignButton", "RGB Align"},   {"Showcomparingpanel", "Compare"},   {"Denoiselayer1", "Denoise"},
      {"ZoomWaveletbutton", "Zoom"},     {"Gammaspeedbutton1", "Gamma"},      {"Histogramspeedbutton1", "Histogram"},
      {"RGBbalancespeedbutton", "RGB Balance"}, {"Waveletfilterspeedbutton", "Filter"}, {"CreateMask", "Mask"},
      {"FlipandRotateButton", "Flip/Rotate"}, {"LineGraphButton", "Line graph"}, {"LRGBMixing", "LRGB mix"}};
  for (const auto& [name, text] : toggles) {
    auto* b = Named(new QToolButton, name);
    b->setText(text);
    b->setCheckable(true);
    tools->addWidget(b);
  }
  tools->addStretch(1);
  waveletLayout->addLayout(tools);
  auto* waveletRow = new QHBoxLayout;
  auto* waveletBox = new QGroupBox("Sharpening");
  auto* waveletForm = new QVBoxLayout(waveletBox);
  waveletForm->addWidget(RadioGroup("ConvolveMethod", "Filter", {"Default filter", "Gaussian"}));
  waveletForm->addWidget(Check("Autoprocessbox", "Auto Process"));
  ProcessButton = Named(new QPushButton("Process"), "ProcessButton");
  waveletForm->addWidget(ProcessButton);
  waveletForm->addWidget(Named(new QLabel("Press Process to apply the layer settings"), "Showbuttonp3"));
  waveletForm->addWidget(Check("ProcessViewfull", "Show Full Image"));
  waveletForm->addWidget(Check("Colourprocess2", "Colour"));
  waveletForm->addWidget(new QLabel("Processing area"));
  waveletForm->addWidget(Named(new QComboBox, "Processarea"));
  waveletForm->addWidget(new QLabel("Preset"));
  waveletForm->addWidget(Named(new QComboBox, "WAVELETNAME"));
  waveletForm->addStretch(1);
  waveletRow->addWidget(waveletBox);
  auto* waveletScroll = Named(new QScrollArea, "Scrollbox_Wavelet");
  waveletScroll->setWidget(Named(Placeholder("The sharpened image appears here"), "Process_Image"));
  waveletScroll->setWidgetResizable(true);
  waveletRow->addWidget(waveletScroll, 1);
  waveletLayout->addLayout(waveletRow, 1);
  PageControl1->addTab(wavelet, "Wavelet");

  auto* finalize = Named(new QWidget, "TabSheet5");
  (new QVBoxLayout(finalize))->addWidget(Placeholder("Finishing tools work on the sharpened image"));
  PageControl1->addTab(finalize, "Finalize");

  auto* about = Named(new QWidget, "Tabsheet6");
  auto* aboutLayout = new QVBoxLayout(about);
  auto* title = new QLabel(QString("<h2>%1</h2><p>Sharp images from telescope videos of the Moon, the Sun and the "
                                   "planets.</p><p>GPL-3.0-or-later</p>")
                               .arg(kApplicationTitle));
  aboutLayout->addWidget(title);
  Memo1 = Named(new QPlainTextEdit, "Memo1");
  Memo1->setReadOnly(true);
  aboutLayout->addWidget(Memo1, 1);
  PageControl1->addTab(about, "About");
}

void TMainForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("NewStatusBar");
  StatusBartext2 = Named(new QLabel, "StatusBartext2");
  Statusbartext3 = Named(new QLabel, "Statusbartext3");
  Statusbartext4 = Named(new QLabel, "Statusbartext4");
  Label22 = Named(new QLabel, "Label22");
  StatusBar_ProgressBar = Named(new QProgressBar, "StatusBar_ProgressBar");
  StatusBar_ProgressBar->setMaximumWidth(220);
  StatusBar_ProgressBar->setValue(0);
  CancelButton = Named(new QPushButton("Cancel"), "CancelButton");
  PauseButton = Named(new QPushButton("Pause"), "PauseButton");
  bar->addWidget(StatusBartext2, 1);
  bar->addWidget(Statusbartext3, 2);
  bar->addWidget(Statusbartext4, 2);
  auto* developer = Named(new QLabel("Developer mode"), "Developersmode");
  developer->hide();
  bar->addPermanentWidget(developer);
  bar->addPermanentWidget(Label22);
  bar->addPermanentWidget(StatusBar_ProgressBar);
  bar->addPermanentWidget(PauseButton);
  bar->addPermanentWidget(CancelButton);
}

void TMainForm::BuildPanels() {
  const std::pair<const char*, const char*> panels[] = {
      {"MultiAlign_Panel", "Alignment points"}, {"Filter_Panel", "Prefilter"}, {"AdvAlign_panel", "Advanced"},
      {"Framelist_Panel", "Frame list"}, {"Registergraph_Panel", "Registration graph"},
      {"Alignmentpoints_Panel", "Alignment points"}, {"StackList_Panel", "Stack list"},
      {"Stackgraphs_Panel", "Stack graphs"}, {"SigmaEvent_Panel", "Sigma"},
      {"RGBAlign_Panel", "RGB align"}, {"Compare_Panel", "Compare"}, {"Layer1Filterpanel", "Layer 1 denoise"},
      {"Zoom_Panel", "Zoom"}, {"Gamma_Panel", "Gamma"}, {"Histogram_Panel", "Histogram"},
      {"HistoRGB_Panel", "RGB balance"}, {"WaveletFilter_Panel", "Wavelet filter"}, {"Create_Mask_Panel", "Mask"},
      {"FlipandRotate", "Flip and rotate"}, {"Linegraphpanel", "Line graph"}, {"LRGBMix_panel1", "LRGB mix"},
      {"WaveletSection_panel", "Wavelet layers"}, {"SpecialHisto_panel", "Histogram"}};
  for (const auto& [name, title] : panels) {
    auto* dock = Named(new QDockWidget(title, this), name);
    if (std::string(name) == "Gamma_Panel") {
      auto* body = new QWidget;
      auto* layout = new QVBoxLayout(body);
      layout->addWidget(Placeholder(title));
      auto* masked = Named(new QLabel("Masking active"), "GammaMasked");
      masked->hide();
      layout->addWidget(masked);
      dock->setWidget(body);
    } else {
      dock->setWidget(Placeholder(title));
    }
    addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    panels_[name] = dock;
  }
}

}  // namespace lumivane
