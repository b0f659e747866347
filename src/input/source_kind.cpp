#include "input/source_kind.hpp"

#include <filesystem>

#include "session/text_format.hpp"

namespace lumivane::input {

const char* const kOpenDialogFilters[8] = {
    "Video and Mpeg (*.avi *.mpg *.mpeg)", "Still frame(s) (*.bmp)", "Fit frame(s) (*.fit)",
    "Still frame(s) (*.jpg)", "Tiff frame(s)(*.tif)", "Png frame(s)(*.png)", "LuCam recorder SER (*.ser)",
    "Lumivane Framelist"};

std::string LowerExtension(const std::string& path) {
  return ToLower(std::filesystem::path(path).extension().string());
}

int FilterIndexFromExtension(const std::string& path) {
  const std::string e = LowerExtension(path);
  if (e == ".avi" || e == ".mpg" || e == ".mpeg") return kFilterVideo;
  if (e == ".bmp") return kFilterBmp;
  if (e == ".fit" || e == ".fts" || e == ".fits") return kFilterFits;
  if (e == ".jpg" || e == ".jpeg") return kFilterJpeg;
  if (e == ".tif" || e == ".tiff") return kFilterTiff;
  if (e == ".png") return kFilterPng;
  if (e == ".ser") return kFilterSer;
  if (e == ".lfl") return kFilterFrameList;
  return kFilterNone;
}

bool IsRawExtension(const std::string& path) {
  const std::string e = LowerExtension(path);
  return e == ".nef" || e == ".arw" || e == ".crw" || e == ".cr2" || e == ".mrw" || e == ".dng";
}

bool IsAcceptedStillExtension(const std::string& path) {
  const std::string e = LowerExtension(path);
  return IsRawExtension(path) || e == ".bmp" || e == ".jpg" || e == ".jpeg" || e == ".png" || e == ".fit" ||
         e == ".fts" || e == ".fits" || e == ".tif" || e == ".tiff";
}

const char* LastTypeText(SourceKind kind) {
  switch (kind) {
    case SourceKind::Video: return "AVI";
    case SourceKind::Bmp: return "BMP";
    case SourceKind::Fits: return "FIT";
    case SourceKind::Jpeg: return "JPG";
    case SourceKind::Tiff: return "TIF";
    case SourceKind::Png: return "PNG";
    case SourceKind::Ser: return "SER";
    case SourceKind::Raw: return "RAW";
  }
  return "AVI";
}

const char* SourceKindName(SourceKind kind) {
  switch (kind) {
    case SourceKind::Video: return "video";
    case SourceKind::Bmp: return "bmp";
    case SourceKind::Fits: return "fits";
    case SourceKind::Jpeg: return "jpeg";
    case SourceKind::Tiff: return "tiff";
    case SourceKind::Png: return "png";
    case SourceKind::Ser: return "ser";
    case SourceKind::Raw: return "raw";
  }
  return "video";
}

SourceKind KindOfFilter(int filterIndex) {
  switch (filterIndex) {
    case kFilterBmp: return SourceKind::Bmp;
    case kFilterFits: return SourceKind::Fits;
    case kFilterJpeg: return SourceKind::Jpeg;
    case kFilterTiff: return SourceKind::Tiff;
    case kFilterPng: return SourceKind::Png;
    case kFilterSer: return SourceKind::Ser;
    default: return SourceKind::Video;
  }
}

int ChannelTagFromName(const std::string& path) {
  const std::string base = BaseNameOf(path);
  if (base.size() < 2) return -1;
  std::string tail = base.substr(base.size() - 2);
  for (char& c : tail)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (tail == "_R") return 0;
  if (tail == "_G") return 1;
  if (tail == "_B") return 2;
  if (tail == "_L") return 3;
  return -1;
}

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }
std::string BaseNameOf(const std::string& path) { return std::filesystem::path(path).stem().string(); }
std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

}  // namespace lumivane::input
