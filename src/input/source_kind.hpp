// Kinds of recording, the open dialog's filter entries and the file-name rules.
#pragma once
#include <string>

#include "session/session.hpp"

namespace lumivane::input {

// Filter entries of the open dialog (1-based, as the dialog counts them).
enum FilterIndex : int {
  kFilterNone = 0, kFilterVideo = 1, kFilterBmp = 2, kFilterFits = 3, kFilterJpeg = 4,
  kFilterTiff = 5, kFilterPng = 6, kFilterSer = 7, kFilterFrameList = 8,
};
extern const char* const kOpenDialogFilters[8];

// The filter index for a file's extension (0 when none fits).
int FilterIndexFromExtension(const std::string& path);
// The extension lower-cased with its point (".tif").
std::string LowerExtension(const std::string& path);
// Extensions an image set accepts: RAW, BMP, JPEG, PNG, FITS, TIFF.
bool IsAcceptedStillExtension(const std::string& path);
bool IsRawExtension(const std::string& path);
// "Lasttype" text of a kind: "AVI", "BMP", "FIT", "JPG", "TIF", "PNG", "SER", "RAW".
const char* LastTypeText(SourceKind kind);
const char* SourceKindName(SourceKind kind);  // "video", "bmp", ... for the command line
// The kind of an image set chosen through filter index 2..7.
SourceKind KindOfFilter(int filterIndex);

// Channel tag of a file from the last two characters of its base name: "_R" 0, "_G" 1,
// "_B" 2, "_L" 3, otherwise -1.
int ChannelTagFromName(const std::string& path);

// File name without folder, and without folder and extension.
std::string FileNameOf(const std::string& path);
std::string BaseNameOf(const std::string& path);
std::string FolderOf(const std::string& path);

}  // namespace lumivane::input
