// The one session of the program: the open recording's frames, the working image and the
// worker slots, the image data section, the state that records how far processing has
// come, and the options (controls) every stage reads. Only the thread that drives the
// session changes it; worker jobs use only their own slot.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "session/controls.hpp"
#include "session/frame_list.hpp"
#include "session/host.hpp"
#include "session/image.hpp"
#include "session/image_data_section.hpp"
#include "session/ini_file.hpp"
#include "session/limits.hpp"
#include "session/plane.hpp"
#include "session/progress.hpp"
#include "session/align_types.hpp"
#include "session/finish_types.hpp"
#include "session/stack_types.hpp"
#include "session/wavelet_types.hpp"

namespace lumivane {

enum class SourceKind : int { Video = 0, Bmp = 1, Fits = 2, Jpeg = 3, Tiff = 4, Png = 5, Ser = 6, Raw = 7 };

// The frame read last by the main thread.
struct WorkImage {
  Bitmap24 Bitmap;      // FrameW x FrameH, B G R, top to bottom
  Image16 DeepFrame;    // (FrameW + 1) x (FrameH + 1), for sources deeper than 8 bits
  FloatPlane RawPlane;  // FrameW x FrameH samples of SER and FITS frames at full precision
};

// What one worker job owns: its frame, its full-depth planes and its raw samples.
struct WorkerSlot {
  Bitmap24 SlotImage;
  std::array<FloatPlane, 3> SlotDeepPlanes;  // red, green, blue at full depth
  FloatPlane RawPlane;
};

// Items of the status list of active options, in their order.
enum ActiveOption : int {
  kOptionDarkframe, kOptionFlatfield, kOptionDebayer, kOptionExtendedAvi,
  kOptionFitTifStretch, kOptionFiltering, kOptionResample, kOptionRegionOfInterest, kActiveOptionCount
};
extern const std::array<const char*, kActiveOptionCount> kActiveOptionNames;
inline constexpr const char* kActiveOptionsMessage = "This is only a display of the active options";

// Scroll ranges and positions of the stack and wavelet views, as the last set-up left them
// (a position of -1 was not set).
struct ViewScroll {
  int RangeW = 0, RangeH = 0;
  int PosX = -1, PosY = -1;
};

// The readers of the open recording (main thread and worker slots). The frame reader
// defines what they hold; the session owns them so that they live as long as the recording.
struct RecordingReaders {
  virtual ~RecordingReaders() = default;
};

class Session {
 public:
  Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Options. Every subsystem registers its controls here.
  ::lumivane::Controls Controls;
  // Who shows messages and progress; never null (a silent host until a front end sets one).
  Host& host() const { return *host_; }
  void SetHost(Host* host);

  // Recording.
  FrameList Frames;
  int FrameW = 0, FrameH = 0;
  int OrigFrameW = 0, OrigFrameH = 0;
  double CentreX = 0, CentreY = 0;  // image centre recorded at opening
  SourceKind Source = SourceKind::Video;
  bool IsJpeg = false, IsFits = false, IsTiff = false, IsPng = false, IsSer = false, IsRaw = false;
  bool IndexedSource = false;
  bool ExtendedVideo = false;
  bool HiVideo = false;
  bool DebayerActive = false;
  bool FitsRawStretch = false;
  bool TifStretch = false;
  bool DeepStretch = false;
  bool DeepPng = false;
  std::array<bool, kActiveOptionCount> ActiveOptions{};
  std::string OpenedFileName = "none";
  std::string CodecText;            // video: stream type and codec code
  bool ExtendedVideoFallback = false;
  int SourceBits = 8;               // bits per sample of the source's frames
  bool SingleImage = false;         // one still image, stacked as two identical frames
  std::uint16_t TiffMaximum = 0;    // largest TIFF sample met (kept for stacking)
  int FitsBitpix = 0;               // of the FITS frame read last on the main thread
  double FitsMin = 0, FitsMax = 0;  // its sample range (kept for stacking)
  bool LuminanceFrameLoaded = false;  // a FITS frame named *_L was read
  std::string WindowCaption;        // "Lumivane processing ..." while a recording is open
  std::unique_ptr<RecordingReaders> Readers;
  // Per-user keys ("Files" section: "Lasttype", "Dir", ...).
  IniFile KeyStore;

  // Images.
  WorkImage Work;
  Bitmap24 UntouchedLoaded;
  Bitmap24 TempImage;
  Bitmap24 Unfiltered_Reference_Image;
  Bitmap24 Filtered_Reference_Image;
  std::array<WorkerSlot, kWorkerSlots> Slots;
  ImageDataSection Data;
  ProcessingArea Area;
  int AreaSize = kDefaultAreaSize;
  ViewScroll Scroll;

  // Alignment results.
  ::lumivane::AlignPoints AlignPoints;
  ::lumivane::RegionOfInterest RegionOfInterest;
  ::lumivane::ScanArea ScanArea;
  ::lumivane::FramePointResults FramePointResults;
  ::lumivane::AverageGeometry AverageGeometry;
  ::lumivane::PointLimits PointLimits;

  // Stacking, sharpening and finishing.
  ::lumivane::GeometryTable GeometryTable;
  ::lumivane::StackImage StackImage;
  ::lumivane::LayerSet LayerSet;
  ::lumivane::ProcessedImage ProcessedImage;
  ::lumivane::CropRect CropRect;
  ::lumivane::GammaLUT GammaLUT;
  ::lumivane::StretchBounds StretchBounds;
  ::lumivane::RgbBalance RgbBalance;
  ::lumivane::RgbAlignment RgbAlignment;

  // Progress of the session.
  int AlignState = 0;    // 0 nothing open, 1 open, 2 aligning/loaded, 3 aligned, 4 stacked
  int StageReached = 0;  // highest stage tab the user may open: 0 align, 1 stack, 3 all
  int ViewState = 0;     // what the frame preview shows
  int SelectedTab = 0;   // stage tab shown: 0 align, 1 stack, 2 wavelet
  bool StackingActive = false;
  bool SuppressPreprocessing = false;
  int ScanBestFrame = 0;
  bool LayersDirty = false;
  bool ResultSaved = false;
  std::atomic<bool> CancelRequested{false};
  bool MessageCheckState = false;  // the check box of the last message that had one
  ProgressMonitor Progress;

  // The wavelet decomposition, installed by whoever links the wavelet stage; the stage
  // tabs call it when the layers are dirty.
  std::function<void(Session&)> CalcWaveletLayers;
  // Stacking of a single image (two identical frames), installed by whoever links stacking.
  std::function<void(Session&)> StackSingleImage;

  // Folders.
  std::string AppDir = ".";
  // Whether opening and closing may write the settings files (the recent list); the
  // command line reads settings but writes none.
  bool WriteSettings = true;
  // The gamma panel's masking marker: 1000 off, 1001 masking active (Alt+A).
  int GammaMaskMarker = 1000;

  // Sizes the image data section for a stack image of w x h pixels (see the .cpp).
  void SetupImageDataSection(int w, int h);
  void ClearImageDataSection() { Data.Clear(); }

  // " Memory Used/Free/Total: 120/20000/24000Mb"
  std::string MemoryReadout() const;
  void RefreshMemoryReadout() { host().ShowMemory(MemoryReadout()); }

 private:
  Host* host_;
};

// The one message routine: shows the message through the host, plays the question sound
// when sounds are on, keeps the check box state (only for messages that have one) and
// returns the button result (1 OK, 2 Cancel, 6 Yes, 7 No).
int CALLMessagedlg(Session& s, const std::string& title, const std::string& text, const std::string& checkText = "",
                   bool withCheck = false, int buttons = kButtonsOK);

}  // namespace lumivane
