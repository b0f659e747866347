#include "input/frame_reader.hpp"

#include <algorithm>
#include <filesystem>

#include "codecs/bmp_reader.hpp"
#include "codecs/fits_reader.hpp"
#include "codecs/jpeg_reader.hpp"
#include "codecs/png_codec.hpp"
#include "codecs/tiff_codec.hpp"
#include "input/source_kind.hpp"
#include "platform/error.hpp"

namespace lumivane::input {

namespace {

VideoMode ModeOf(const Session& s) { return s.ExtendedVideo ? VideoMode::Indexed : VideoMode::Stream; }

void EnsureOpen(VideoReader& r, const std::string& file, VideoMode mode) {
  if (!r.IsOpen() || r.Path() != file) {
    r.Close();
    r.Open(file, mode);
  }
}

// A 16-bit image of w x h into the (w + 1) x (h + 1) layout of DeepFrame.
void FillDeepFrame(Image16& deep, const Image16& samples) {
  const int w = samples.Width(), h = samples.Height();
  deep.Allocate(w + 1, h + 1);
  for (int y = 0; y < h; ++y) std::copy_n(samples.Row(y), static_cast<size_t>(w) * 3, deep.Row(y));
}

// The slot planes from a 16-bit image: plane value = sample (+ extra fraction).
void FillSlotPlanes(WorkerSlot& slot, const Image16& samples, const Bitmap24* fraction) {
  const int w = samples.Width(), h = samples.Height();
  for (auto& p : slot.SlotDeepPlanes)
    if (p.Width() < w || p.Height() < h) p.Allocate(w, h);
    else p.Clear();
  for (int y = 0; y < h; ++y) {
    const std::uint16_t* row = samples.Row(y);
    const std::uint8_t* bgr = fraction ? fraction->Row(y) : nullptr;
    float* r = slot.SlotDeepPlanes[0].Row(y);
    float* g = slot.SlotDeepPlanes[1].Row(y);
    float* b = slot.SlotDeepPlanes[2].Row(y);
    for (int x = 0; x < w; ++x) {
      r[x] = row[3 * x];
      g[x] = row[3 * x + 1];
      b[x] = row[3 * x + 2];
      if (bgr) {
        r[x] += bgr[3 * x + 2] / 255.0f;
        g[x] += bgr[3 * x + 1] / 255.0f;
        b[x] += bgr[3 * x] / 255.0f;
      }
    }
  }
}

void NotAvailable(SourceKind kind) {
  throw Error(std::string("Reading ") + LastTypeText(kind) + " frames is not available in this version");
}

// Where a still-image read puts what it found besides the picture.
struct StillResult {
  Image16 Deep;            // w x h R G B, for 16-bit PNG and TIFF
  FloatPlane* Raw = nullptr;  // FITS samples go here when given
  bool DeepPng = false;
  bool Luminance = false;
  std::uint16_t TiffMax = 0;
  int FitsBitpix = 0;
  double FitsMin = 0, FitsMax = 0;
};

// A still image by kind into `picture`. Returns the bits per sample.
int ReadStill(Session& s, const std::string& file, Bitmap24& picture, StillResult& r) {
  switch (s.Source) {
    case SourceKind::Bmp: picture = codecs::ReadBMP(file); return 8;
    case SourceKind::Jpeg: picture = codecs::ReadJPEG(file); return 8;
    case SourceKind::Png: {
      codecs::PngImage png = codecs::ReadPNG(file);
      picture = std::move(png.Picture);
      r.DeepPng = png.SixteenBit;
      if (png.SixteenBit) r.Deep = std::move(png.Samples);
      return png.SixteenBit ? 16 : 8;
    }
    case SourceKind::Tiff: {
      codecs::TiffImage tif;
      std::uint16_t max = 0;
      codecs::ReadTIFF(tif, file, max);
      if (s.TifStretch) {
        std::uint16_t again = max;
        codecs::ReadTIFF(tif, file, again);
      }
      r.TiffMax = max;
      picture = std::move(tif.Picture);
      r.Deep = std::move(tif.Pixels16);
      return tif.BitsPerPixel == 16 || tif.BitsPerPixel == 48 || tif.BitsPerPixel == 64 ? 16 : 8;
    }
    case SourceKind::Fits: {
      r.Luminance = codecs::IsFitsLuminanceName(file);  // noted even when the read fails
      codecs::FitsFrame f = codecs::ReadFITS(file);
      picture = std::move(f.View);
      if (r.Raw) *r.Raw = std::move(f.Samples);
      r.FitsBitpix = f.Bitpix;
      r.FitsMin = f.Min;
      r.FitsMax = f.Max;
      return f.Bitpix < 0 ? 32 : f.Bitpix;
    }
    case SourceKind::Raw: return 8;  // no decoder: reads nothing
    default: NotAvailable(s.Source);
  }
  return 8;
}

void NoteLuminance(Session& s) {
  s.LuminanceFrameLoaded = true;
  s.Controls.SetChecked("LRGB", true);
  s.Controls.SetChecked("LRGB2", true);
}

void NoteChannelTag(Session& s, int n, int tag) {
  if (n < 0 || n >= kChannelTagSlots) return;
  if (tag >= 0) s.Frames.FrameChannelTag[static_cast<size_t>(n)] = static_cast<std::uint8_t>(tag);
  if (tag >= 0 || s.Frames.FrameChannelTag[static_cast<size_t>(n)] != kTagNone)
    s.Controls.SetChecked("Colourstack", true);
}

}  // namespace

FrameReaders& ReadersOf(Session& s) {
  if (auto* r = dynamic_cast<FrameReaders*>(s.Readers.get())) return *r;
  s.Readers = std::make_unique<FrameReaders>();
  return static_cast<FrameReaders&>(*s.Readers);
}

VideoFrameRef LocateVideoFrame(const Session& s, int n) {
  const FrameList& f = s.Frames;
  if (f.LastAviFile > 0) {
    for (int i = 0; i <= f.LastAviFile; ++i) {
      const AviFileEntry& e = f.AviFiles[static_cast<size_t>(i)];
      if (n >= e.FirstFrame && n <= e.LastFrame) return {e.FileName, n - e.FirstFrame};
    }
    throw Error(" Frame number wrong. ");
  }
  return {s.OpenedFileName, n};
}

void PrepareFrame(Session& s) {
  s.UntouchedLoaded = s.Work.Bitmap;
  // Debayering, the flat field and the alignment pre-filters join here with their stages.
}

void ReadVideoFrame(Session& s, const std::string& file, int k) {
  s.HiVideo = false;
  if (k < 2 && !std::filesystem::exists(file)) return;
  VideoReader& r = ReadersOf(s).Main;
  EnsureOpen(r, file, ModeOf(s));
  r.ReadFrame(k, s.Work.Bitmap, &s.Work.DeepFrame);
  const VideoStreamInfo& info = r.Info();
  if (k == 0) s.CodecText = info.CodecText;
  s.HiVideo = info.HiVideo;
  s.SourceBits = info.HiVideo ? 16 : 8;
  if (!s.StackingActive) {
    s.OrigFrameW = s.FrameW = s.Work.Bitmap.Width();
    s.OrigFrameH = s.FrameH = s.Work.Bitmap.Height();
    s.FrameW = std::min(s.FrameW, kMaxFrameDim);
    s.FrameH = std::min(s.FrameH, kMaxFrameDim);
  }
  int firstGlobal = 0;
  for (int i = 0; i <= s.Frames.LastAviFile && s.Frames.LastAviFile > 0; ++i)
    if (s.Frames.AviFiles[static_cast<size_t>(i)].FileName == file) firstGlobal = s.Frames.AviFiles[static_cast<size_t>(i)].FirstFrame;
  s.host().SetStatusText(kStatusActivity, "Loading frame: " + std::to_string(firstGlobal + k + 1));
  if (!s.StackingActive && !s.SuppressPreprocessing) PrepareFrame(s);
}

void ReadFrame(Session& s, int n) {
  if (!s.IndexedSource || s.Source == SourceKind::Video) {
    VideoFrameRef ref = LocateVideoFrame(s, n);
    ReadVideoFrame(s, ref.File, ref.Local);
    return;
  }
  if (n < 0 || n >= kFileNameSlots) throw Error(" Frame number wrong. ");
  const std::string& file = s.Frames.FrameFileNames[static_cast<size_t>(n)];
  if (s.Source == SourceKind::Ser) {
    ReadSerFrame(s, ReadersOf(s).Ser, n);
    if (!s.SuppressPreprocessing) PrepareFrame(s);
    s.FrameW = s.Work.Bitmap.Width();
    s.FrameH = s.Work.Bitmap.Height();
    return;
  }
  if (file.empty() || !std::filesystem::exists(file)) return;  // nothing to read: the previous frame stays

  StillResult r;
  r.Raw = &s.Work.RawPlane;
  try {
    s.SourceBits = ReadStill(s, file, s.Work.Bitmap, r);
  } catch (const codecs::FitsFormatError& e) {
    if (r.Luminance) NoteLuminance(s);
    CALLMessagedlg(s, codecs::FitsFormatError::kTitle, codecs::FitsFormatError::kText);
    throw;
  }
  if (r.Luminance) NoteLuminance(s);
  if (s.Source == SourceKind::Png) s.DeepPng = r.DeepPng;
  if (s.Source == SourceKind::Tiff) s.TiffMaximum = r.TiffMax;
  if (s.Source == SourceKind::Fits) {
    s.FitsBitpix = r.FitsBitpix;
    s.FitsMin = r.FitsMin;
    s.FitsMax = r.FitsMax;
    s.FitsRawStretch = s.Controls.Index("Fittifstretch") == 1;
  }
  if (!r.Deep.Empty()) FillDeepFrame(s.Work.DeepFrame, r.Deep);
  NoteChannelTag(s, n, ChannelTagFromName(file));
  if (!s.SuppressPreprocessing) PrepareFrame(s);
  s.FrameW = s.Work.Bitmap.Width();
  s.FrameH = s.Work.Bitmap.Height();
}

void ReadFrameToSlot(Session& s, int slot, int n, SlotReadLog& log) {
  if (slot < 0 || slot >= kWorkerSlots) throw Error("Worker slot out of range");
  WorkerSlot& ws = s.Slots[static_cast<size_t>(slot)];
  if (!s.IndexedSource || s.Source == SourceKind::Video) {
    VideoFrameRef ref = LocateVideoFrame(s, n);
    // Workers use the readers the main thread made when it opened the recording; they
    // never create shared state themselves.
    auto* readers = dynamic_cast<FrameReaders*>(s.Readers.get());
    if (!readers) throw Error("The video readers are not set up: open the recording first");
    VideoReader& r = readers->Slots[static_cast<size_t>(slot)];
    EnsureOpen(r, ref.File, ModeOf(s));
    r.ReadFrame(ref.Local, ws.SlotImage, nullptr);
  } else {
    if (n < 0 || n >= kFileNameSlots) throw Error(" Frame number wrong. ");
    const std::string& file = s.Frames.FrameFileNames[static_cast<size_t>(n)];
    if (s.Source == SourceKind::Ser) {
      auto* readers = dynamic_cast<FrameReaders*>(s.Readers.get());
      if (!readers) throw Error("The SER reader is not set up: open the recording first");
      ReadSerFrameToSlot(s, readers->Ser, slot, n);
      log.Width = ws.SlotImage.Width();
      log.Height = ws.SlotImage.Height();
      return;
    }
    if (file.empty() || !std::filesystem::exists(file)) return;
    StillResult r;
    r.Raw = &ws.RawPlane;
    ReadStill(s, file, ws.SlotImage, r);
    log.Luminance = r.Luminance;
    if (s.Source == SourceKind::Png) {
      log.DeepPng = r.DeepPng;
      if (r.DeepPng) FillSlotPlanes(ws, r.Deep, nullptr);
    } else if (s.Source == SourceKind::Tiff && !r.Deep.Empty()) {
      FillSlotPlanes(ws, r.Deep, &ws.SlotImage);
    }
    const int tag = ChannelTagFromName(file);
    if (tag >= 0) {
      log.ChannelTags.emplace_back(n, static_cast<std::uint8_t>(tag));
      log.ChannelTagSeen = true;
    } else if (n < kChannelTagSlots && s.Frames.FrameChannelTag[static_cast<size_t>(n)] != kTagNone) {
      log.ChannelTagSeen = true;
    }
  }
  log.Width = ws.SlotImage.Width();
  log.Height = ws.SlotImage.Height();
}

void MergeSlotLog(Session& s, const SlotReadLog& log) {
  for (auto [frame, tag] : log.ChannelTags)
    if (frame >= 0 && frame < kChannelTagSlots) s.Frames.FrameChannelTag[static_cast<size_t>(frame)] = tag;
  if (log.ChannelTagSeen) s.Controls.SetChecked("Colourstack", true);
  if (s.Source == SourceKind::Png) s.DeepPng = log.DeepPng;
  if (log.Luminance) NoteLuminance(s);
}

}  // namespace lumivane::input
