#include "input/open_recording.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "codecs/bmp_writer.hpp"
#include "codecs/fits_reader.hpp"
#include "input/input_controls.hpp"
#include "input/colour_test.hpp"
#include "input/ser_reader.hpp"
#include "input/frame_reader.hpp"
#include "input/source_kind.hpp"
#include "platform/error.hpp"
#include "session/recent_files.hpp"
#include "session/stage_tabs.hpp"
#include "session/text_format.hpp"

namespace fs = std::filesystem;

namespace lumivane::input {

namespace {

const char* const kTooLargeDialog = "AVI or BMP frames too large (max ";

// Modification time of a file in seconds since 1970 (0 when unknown).
double FileSeconds(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
}

std::string FileDateText(const std::string& path) {
  const std::time_t tt = static_cast<std::time_t>(FileSeconds(path));
  if (tt == 0) return "";
  std::tm tm{};
  localtime_r(&tt, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d_%H%M%S", &tm);
  return buf;
}

double FileDateDays(const std::string& path) { return FileSeconds(path) / 86400.0; }

// Puts the files of a video set in order (by date or by name) into the session's file
// table with contiguous frame ranges; returns the total frame count.
int OrderVideoFiles(Session& s, std::vector<AviFileEntry> entries, bool byTime) {
  std::stable_sort(entries.begin(), entries.end(), [byTime](const AviFileEntry& a, const AviFileEntry& b) {
    return byTime ? a.FileDate < b.FileDate : a.FileName < b.FileName;
  });
  int next = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i].FirstFrame = next;
    entries[i].LastFrame = next + entries[i].FrameCount - 1;
    next = entries[i].LastFrame + 1;
    s.Frames.AviFiles[i] = entries[i];
  }
  s.Frames.LastAviFile = static_cast<int>(entries.size()) - 1;
  return next;
}

void WriteKey(Session& s, const std::string& key, const std::string& value) { s.KeyStore.Set("Files", key, value); }

void DeleteTempLap(Session& s) {
  std::error_code ec;
  fs::remove(fs::path(s.AppDir) / "temp.lap", ec);
}

// A readable message for a file that cannot be opened.
std::string NamingFile(const std::string& message, const std::string& file) {
  return message.find(file) != std::string::npos ? message : message + " (" + file + ")";
}

// What opening resets before it reads the new recording.
void ResetForOpening(Session& s) {
  s.AlignState = 1;
  s.AlignPoints.Clear();
  for (auto& slot : s.Slots) {
    slot.RawPlane.Allocate(2, 2);
    for (auto& p : slot.SlotDeepPlanes) p.Allocate(2, 2);
  }
  s.Readers.reset();
  s.StageReached = 0;
  s.ViewState = 0;
  s.Controls.SetChecked("ProcessViewfull", false);
  s.CancelRequested = false;
  s.Frames.Reset();
  s.IndexedSource = false;
  s.ExtendedVideo = false;
  s.HiVideo = false;
  s.DeepPng = false;
  s.DeepStretch = false;
  s.TifStretch = false;
  s.FitsRawStretch = false;
  s.IsJpeg = s.IsFits = s.IsTiff = s.IsPng = s.IsSer = s.IsRaw = false;
  s.SingleImage = false;
  s.LuminanceFrameLoaded = false;
  s.CodecText.clear();
  s.SourceBits = 8;
  s.ResultSaved = false;
  s.ActiveOptions[kOptionExtendedAvi] = false;
  s.Work.DeepFrame.Release();
  Change_TabPages(s, kTabAlign);
}

void SetKindFlags(Session& s, SourceKind k) {
  s.Source = k;
  s.IsFits = k == SourceKind::Fits;
  s.IsJpeg = k == SourceKind::Jpeg;
  s.IsTiff = k == SourceKind::Tiff;
  s.IsPng = k == SourceKind::Png;
  s.IsSer = k == SourceKind::Ser;
  s.IsRaw = k == SourceKind::Raw;
}

void SetFrameRange(Session& s, int count, int rows, int pointColumns) {
  s.Frames.FrameCount = count;
  s.Frames.ResizeEntries(rows);
  s.FramePointResults.Resize(rows, pointColumns);
  s.AlignPoints.Clear();
  const int last = std::max(0, count - 1);
  for (const char* slider : {"PreviewSlider", "StackSlider", "AlignSlider", "Multi_QualSlider"}) {
    s.Controls.SetSliderRange(slider, 0, last);
    s.Controls.SetSliderPosition(slider, 0);
  }
}

// Size checks against the largest frame the program processes.
void CutToMaxFrameDim(Session& s, const std::string& title, const std::string& text) {
  if (s.FrameW > kMaxFrameDim || s.FrameH > kMaxFrameDim) {
    CALLMessagedlg(s, title, text);
    s.OrigFrameW = s.FrameW;
    s.OrigFrameH = s.FrameH;
    s.FrameW = std::min(s.FrameW, kMaxFrameDim);
    s.FrameH = std::min(s.FrameH, kMaxFrameDim);
  } else {
    s.OrigFrameW = std::max(s.OrigFrameW, s.FrameW);
    s.OrigFrameH = std::max(s.OrigFrameH, s.FrameH);
  }
}

// Reads frame 0 of the chosen files without touching the session, so that a file that
// cannot be read leaves everything as it was.
void Probe(Session& s, SourceKind kind, const std::string& first, bool forceIndexed) {
  if (kind == SourceKind::Video) {
    VideoReader r;
    r.Open(first, forceIndexed ? VideoMode::Indexed : VideoMode::Stream);
    Bitmap24 picture;
    r.ReadFrame(0, picture, nullptr);
    return;
  }
  if (kind == SourceKind::Ser) {
    SerFile f;
    f.Open(first);  // checks the header against the file
    FloatPlane raw;
    f.ReadFrame(0, raw);
    return;
  }
  if (kind == SourceKind::Raw) return;
  Session probe;  // a scratch session reads the file with the same readers
  RegisterInputControls(probe.Controls);
  probe.Source = kind;
  probe.IndexedSource = true;
  probe.SuppressPreprocessing = true;
  probe.Frames.FrameFileNames[0] = first;
  ReadFrame(probe, 0);
  (void)s;
}

// Probe, and say why when the file cannot be read.
bool ProbeOrSay(Session& s, SourceKind kind, const std::string& first, bool forceIndexed) {
  try {
    Probe(s, kind, first, forceIndexed);
    return true;
  } catch (const codecs::FitsFormatError&) {
    CALLMessagedlg(s, codecs::FitsFormatError::kTitle, codecs::FitsFormatError::kText);
  } catch (const Error& e) {
    CALLMessagedlg(s, "Open error", NamingFile(e.what(), first));
  }
  return false;
}

void CommonTail(Session& s, bool multiFile);

void SingleImage(Session& s) {
  s.Controls.SetChecked("Showstackgraph", false);
  const bool colour = colourimage(s.Work.Bitmap);
  if (colour) {
    s.Controls.SetChecked("Colourstack", true);
    s.Controls.SetChecked("Colourprocess2", true);
  }
  if (s.Source == SourceKind::Fits) s.Controls.SetChecked("Colourstack", false);
  s.SingleImage = true;
  s.ViewState = 5;
  s.Controls.SetChecked("Resampled", false);
  s.CentreX = s.FrameW / 2;
  s.CentreY = s.FrameH / 2;
  s.SetupImageDataSection(s.FrameW, s.FrameH);
  s.Frames.FrameFileNames[1] = s.Frames.FrameFileNames[0];
  SetFrameRange(s, 2, 2, 2);
  s.Frames.QualityOrder[0] = {0, 1.0f, 0};
  s.Frames.QualityOrder[1] = {0, 1.0f, 0};
  s.Controls.SetSliderTag("StackSlider", 1);
  s.Unfiltered_Reference_Image = s.Work.Bitmap;
  s.AlignState = 1;
  if (s.StackSingleImage) s.StackSingleImage(s);
  Change_TabPages(s, kTabWavelet);
}

bool OpenVideo(Session& s, std::vector<std::string> files) {
  SetKindFlags(s, SourceKind::Video);
  WriteKey(s, "Lasttype", "AVI");
  const std::string first = files.front();
  s.OpenedFileName = first;
  const std::string ext = LowerExtension(first);
  std::error_code ec;
  const auto size = fs::file_size(first, ec);
  bool extended = ext == ".mpg" || ext == ".mpeg" || s.Controls.Checked("ForceExtendedVideo") ||
                  (!ec && (static_cast<std::uint64_t>(size) >> 32) != 0);
  s.Controls.SetIndex("Avi_processing_mode", 0);
  s.Controls.SetIndex("AviSizeMode", 2);
  s.SuppressPreprocessing = true;
  bool multi = false;
  if (!extended) {
    try {
      if (files.size() == 1) {
        ReadVideoFrame(s, first, 0);
        const VideoStreamInfo& info = ReadersOf(s).Main.Info();
        const int n = info.FrameCount;
        if (n >= 1) ReadVideoFrame(s, first, n - 1);  // the last frame must read too
        s.Frames.FrameCount = n;
        ReadVideoFrame(s, first, 0);
      } else {
        // A multi-file set: each file's frames follow the previous file's.
        std::vector<AviFileEntry> entries;
        for (const auto& f : files)
          if (LowerExtension(f) == ".avi") entries.push_back({f, FileDateDays(f), 0, 0, 0});
        if (entries.size() > static_cast<size_t>(kMaxVideoFiles))
          throw Error("At most " + std::to_string(kMaxVideoFiles) + " video files can be opened together");
        for (auto& e : entries) {
          VideoReader r;
          r.Open(e.FileName, VideoMode::Stream);
          e.FrameCount = r.Info().FrameCount;
        }
        const int next = OrderVideoFiles(s, entries, s.Controls.Checked("MultipleAVIsortontime"));
        s.OpenedFileName = entries.front().FileName;
        ReadVideoFrame(s, entries.front().FileName, 0);
        s.Frames.FrameCount = next;
        multi = true;
      }
    } catch (const Error&) {
      extended = true;  // the second reader tries again
      s.Frames.LastAviFile = 0;
    }
  }
  if (extended) {
    s.ExtendedVideo = true;
    s.IndexedSource = true;
    s.Controls.SetIndex("Avi_processing_mode", 1);
    s.Controls.SetIndex("AviSizeMode", 3);
    s.ActiveOptions[kOptionExtendedAvi] = true;
    s.Readers.reset();
    s.OpenedFileName = first;
    try {
      ReadVideoFrame(s, first, 0);
      const int n = ReadersOf(s).Main.Info().FrameCount;
      if (n < 1) throw Error("Cannot calculate amount of frames ");
      s.Frames.FrameCount = n;  // the full count; the tail warns and cuts
    } catch (const Error&) {
      s.SuppressPreprocessing = false;
      CALLMessagedlg(s, "Extended AVI error", "Failed to read number of frames ");
      s.AlignState = 0;
      return false;
    }
  }
  s.SuppressPreprocessing = false;
  const std::string name = FileNameOf(s.OpenedFileName);
  if (s.ExtendedVideo) s.WindowCaption = "Lumivane processing Extended:" + name + " frame 0";
  else if (multi) s.WindowCaption = std::string("Lumivane processing ") + (s.HiVideo ? "HI-AVI: " : "AVI: ") + name + "(" + s.CodecText + ")";
  else s.WindowCaption = std::string("Lumivane processing ") + (s.HiVideo ? "HI-AVI: " : "AVI: ") + name + " (" + s.CodecText + ")";
  CommonTail(s, multi);
  return true;
}

// A SER file: one recording, its frames named "Frame 0", "Frame 1", ...
bool OpenSer(Session& s, const std::string& path) {
  s.OpenedFileName = path;
  WriteKey(s, "Dir", FolderOf(path));
  SerReaders& readers = ReadersOf(s).Ser;
  ReadSerHeader(s, readers, path);
  ShowSerOpenWarnings(s, readers.Main);
  const int count = readers.Main.Header().FrameCount;
  for (int i = 0; i < count && i < kFileNameSlots; ++i)
    s.Frames.FrameFileNames[static_cast<size_t>(i)] = "Frame " + std::to_string(i);
  s.WindowCaption = "Lumivane processing SER: " + FileNameOf(path) + " " + "0";
  s.Controls.SetText("Objectnameedit", BaseNameOf(path));
  s.Controls.SetText("Datetimeedit", FileDateText(path));
  s.Frames.FrameCount = count;
  CommonTail(s, false);
  return true;
}

bool OpenImageSet(Session& s, SourceKind kind, std::vector<std::string> files, bool dropped) {
  s.IndexedSource = true;
  SetKindFlags(s, kind);
  if (kind == SourceKind::Fits || kind == SourceKind::Tiff || kind == SourceKind::Ser) {
    if (!dropped) s.DeepStretch = true;
    s.Controls.SetChecked("Resampled", false);
  }
  if (kind == SourceKind::Fits) s.FitsRawStretch = DecideStretch(s, "Fit format");
  if (kind == SourceKind::Tiff) s.TifStretch = DecideStretch(s, "Tiff format");
  if (kind == SourceKind::Raw && !dropped) s.FitsRawStretch = DecideStretch(s, "16 bit Raw format");
  if (kind == SourceKind::Ser && dropped) s.DeepStretch = DecideStretch(s, "Ser format");
  WriteKey(s, "Lasttype", LastTypeText(kind));

  if (kind == SourceKind::Ser) return OpenSer(s, files.front());

  // Only files of accepted kinds form the set; at most 50001 names are kept.
  std::vector<std::string> names;
  for (const auto& f : files)
    if (IsAcceptedStillExtension(f)) names.push_back(f);
  const size_t total = names.size();
  if (names.size() > static_cast<size_t>(kFileNameSlots)) names.resize(static_cast<size_t>(kFileNameSlots));
  for (size_t i = 0; i < names.size(); ++i) s.Frames.FrameFileNames[i] = names[i];
  const std::string& first = names.front();
  WriteKey(s, "Dir", FolderOf(first));
  s.WindowCaption = std::string("Lumivane processing ") + LastTypeText(kind) + ": " + first;
  s.Controls.SetText("Objectnameedit", BaseNameOf(first));
  s.Controls.SetText("Datetimeedit", FileDateText(first));
  s.OpenedFileName = first;
  ReadFrame(s, 0);
  if (dropped) CutToMaxFrameDim(s, "Frame size error", "Bitmap too large  !!!!");
  else
    CutToMaxFrameDim(s, "File warning",
                     kTooLargeDialog + std::to_string(kMaxFrameDim) + "x" + std::to_string(kMaxFrameDim) + " !!!");
  s.Frames.FrameCount = static_cast<int>(total);
  if (names.size() == 1) {
    SingleImage(s);
    return true;
  }
  CommonTail(s, false);
  return true;
}

void CommonTail(Session& s, bool multiFile) {
  const std::string first = s.Source == SourceKind::Video && s.Frames.LastAviFile > 0
                                ? s.Frames.AviFiles[0].FileName : s.OpenedFileName;
  s.Controls.SetText("Objectnameedit", BaseNameOf(first));
  s.Controls.SetText("Datetimeedit", FileDateText(first));
  WriteKey(s, "Dir", FolderOf(first));
  DeleteTempLap(s);
  if (s.OrigFrameW > kMaxFrameDim || s.OrigFrameH > kMaxFrameDim) {
    if (s.Source == SourceKind::Video) CALLMessagedlg(s, "File warning", "AVI or BMP frame too large !!!!");
    s.FrameW = std::min(s.FrameW, kMaxFrameDim);
    s.FrameH = std::min(s.FrameH, kMaxFrameDim);
  }
  s.WindowCaption += " (" + std::to_string(s.FrameW) + "x" + std::to_string(s.FrameH) + ")";
  int count = s.Frames.FrameCount;
  if (count - 1 >= kMaxFrameIndex + 1) {
    CALLMessagedlg(s, "Too many frames",
                   "Warning : maximum processing limit is " + std::to_string(kMaxFrameIndex) + " frames ");
    count = kMaxFrameIndex + 1;
  }
  s.CentreX = s.FrameW / 2;
  s.CentreY = s.FrameH / 2;
  s.SetupImageDataSection(s.FrameW, s.FrameH);
  // The summary goes last so that it stays in view after the set-up texts.
  s.host().SetStatusText(kStatusSummary, "Frames : " + std::to_string(count) + " Imagesize : " +
                                             std::to_string(s.FrameW) + "x" + std::to_string(s.FrameH));
  SetFrameRange(s, count, multiFile ? count + 1 : count, multiFile ? kPointColumnsMultiFile : kPointColumnsAtOpen);
  if (s.Source != SourceKind::Ser) DecideColour(s);
  s.Unfiltered_Reference_Image = s.Work.Bitmap;
  s.AlignState = 1;
  s.ViewState = 1;
}

}  // namespace

bool DecideStretch(Session& s, const std::string& title) {
  const int item = s.Controls.Index("Fittifstretch");
  if (item == 1) return true;
  if (item == 2) return false;
  const bool yes = CALLMessagedlg(s, title, "Stretch intensity-levels ", "Make my choice the default for TIF/FITS", true,
                                  kButtonsYesNo) == kResultYes;
  if (s.MessageCheckState) {
    s.Controls.SetIndex("Fittifstretch", yes ? 1 : 2);
    s.Controls.SetIndex("RecFITTIFSTRETCH", yes ? 1 : 2);
  }
  return yes;
}

void DecideColour(Session& s) {
  Controls& c = s.Controls;
  const bool colour = colourimage(s.Work.Bitmap);
  if (c.Checked("AutoDetectColour")) {
    c.SetChecked("Colourstack", colour);
    c.SetChecked("Colourprocess2", colour);
    if (!colour) c.SetChecked("LRGB", false);
    return;
  }
  const char* box = "Do not ask this again, autodetect colour/B-W ";
  if (colour && !c.Checked("Colourstack")) {
    if (CALLMessagedlg(s, "Colourimage", "Image seems to be in colour, process in colour ?", box, true, kButtonsYesNo) ==
        kResultYes) {
      c.SetChecked("Colourstack", true);
      c.SetChecked("Colourprocess2", true);
      c.SetChecked("AutoDetectColour", s.MessageCheckState);
    }
  } else if (!colour && c.Checked("Colourstack")) {
    if (CALLMessagedlg(s, "B/W image", "Image seems to be B/W, process in B/W ?", box, true, kButtonsYesNo) ==
        kResultYes) {
      c.SetChecked("Colourstack", false);
      c.SetChecked("Colourprocess2", false);
      c.SetChecked("LRGB", false);
      c.SetChecked("AutoDetectColour", s.MessageCheckState);
    }
  }
}

std::string FrameListItemText(const Session& s, int n) {
  if (s.IndexedSource && s.Source != SourceKind::Video && s.Source != SourceKind::Ser &&
      n < static_cast<int>(s.Frames.FrameFileNames.size()))
    return FileNameOf(s.Frames.FrameFileNames[static_cast<size_t>(n)]);
  std::string digits = "00000" + std::to_string(n + 1);
  return "Frame" + digits.substr(digits.size() - 5);
}

bool STARTFILESELECTION(Session& s, const OpenRequest& request) {
  if (request.Files.empty()) return false;
  std::vector<std::string> files = request.Files;
  for (const auto& f : files)
    if (!fs::is_regular_file(f)) {
      CALLMessagedlg(s, "Missing file", "non existing file :" + f);
      return false;
    }
  // The chosen files in name order, without regard to case.
  std::stable_sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
    return ToLower(FileNameOf(a)) < ToLower(FileNameOf(b));
  });
  int filter = request.FilterIndex ? request.FilterIndex : FilterIndexFromExtension(files.front());
  if (filter == kFilterNone) {
    CALLMessagedlg(s, "Warning", "Unknown file type: " + files.front());
    return false;
  }
  if (filter == kFilterFrameList) {
    CALLMessagedlg(s, "Warning", "Frame list files are not available in this version");
    return false;
  }
  const SourceKind kind = filter == kFilterVideo ? SourceKind::Video : KindOfFilter(filter);
  std::vector<std::string> accepted;
  for (const auto& f : files)
    if (kind == SourceKind::Video || kind == SourceKind::Ser || IsAcceptedStillExtension(f)) accepted.push_back(f);
  if (accepted.empty()) {
    CALLMessagedlg(s, "Open error", NamingFile("No frames of an accepted kind among the chosen files", files.front()));
    return false;
  }
  if (!ProbeOrSay(s, kind, accepted.front(), LowerExtension(accepted.front()) != ".avi")) return false;
  if (files.size() < 2 && s.WriteSettings) {
    try {
      AddRecentFile(s.AppDir, files.front());
    } catch (const Error&) {
      // A read-only working folder keeps no recent list; opening goes on.
    }
  }
  ResetForOpening(s);
  try {
    if (kind == SourceKind::Video) return OpenVideo(s, files);
    return OpenImageSet(s, kind, files, false);
  } catch (const Error& e) {
    CALLMessagedlg(s, "Open error", NamingFile(e.what(), files.front()));
    s.AlignState = 0;
    return false;
  }
}

bool PJFormDropFiles1DropFiles(Session& s, const std::vector<std::string>& dropped) {
  if (dropped.empty()) return false;
  const std::string ext = LowerExtension(dropped.front());
  SourceKind kind;
  if (ext == ".jpg" || ext == ".jpeg") kind = SourceKind::Jpeg;
  else if (ext == ".fit" || ext == ".fts" || ext == ".fits") kind = SourceKind::Fits;
  else if (ext == ".tif" || ext == ".tiff") kind = SourceKind::Tiff;
  else if (ext == ".png") kind = SourceKind::Png;
  else if (ext == ".ser") kind = SourceKind::Ser;
  else if (IsRawExtension(dropped.front())) kind = SourceKind::Raw;
  else if (ext == ".bmp") kind = SourceKind::Bmp;
  else {
    CALLMessagedlg(s, "Warning", "Used File-format not available for drag&drop");
    return false;
  }
  std::vector<std::string> files;
  for (const auto& f : dropped)
    if (LowerExtension(f) == ext && fs::is_regular_file(f)) files.push_back(f);
  if (files.empty()) {
    CALLMessagedlg(s, "Missing file", "non existing file :" + dropped.front());
    return false;
  }
  std::stable_sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
    return ToLower(FileNameOf(a)) < ToLower(FileNameOf(b));
  });
  if (!ProbeOrSay(s, kind, files.front(), false)) return false;
  ResetForOpening(s);
  try {
    return OpenImageSet(s, kind, files, true);
  } catch (const Error& e) {
    CALLMessagedlg(s, "Open error", NamingFile(e.what(), files.front()));
    s.AlignState = 0;
    return false;
  }
}

}  // namespace lumivane::input

namespace lumivane::input {

void AviSortClick(Session& s) {
  if (s.Source != SourceKind::Video || s.Frames.LastAviFile < 1) return;
  std::vector<AviFileEntry> entries(s.Frames.AviFiles.begin(), s.Frames.AviFiles.begin() + s.Frames.LastAviFile + 1);
  OrderVideoFiles(s, entries, s.Controls.Checked("AviSortRecord"));
  s.Readers.reset();  // readers reconnect to the files in their new order
  s.OpenedFileName = s.Frames.AviFiles[0].FileName;
  ReadFrame(s, 0);
}

bool ClipboardFrontClick(Session& s, const Bitmap24& picture) {
  if (picture.Empty()) return false;
  const std::string file = (fs::path(s.AppDir) / "cliplumivane.bmp").string();
  try {
    codecs::WriteBMP(file, picture);
  } catch (const Error& e) {
    CALLMessagedlg(s, "Open error", e.what());
    return false;
  }
  ResetForOpening(s);
  SetKindFlags(s, SourceKind::Bmp);
  s.IndexedSource = true;
  s.Frames.FrameFileNames[0] = file;
  s.OpenedFileName = file;
  s.Work.Bitmap = picture;
  s.FrameW = std::min(picture.Width(), kMaxFrameDim);
  s.FrameH = std::min(picture.Height(), kMaxFrameDim);
  s.OrigFrameW = picture.Width();
  s.OrigFrameH = picture.Height();
  s.WindowCaption = "Lumivane processing BMP: " + file;
  SingleImage(s);
  return true;
}

}  // namespace lumivane::input
