// Opening a recording: a video file or a set of video files, an image set, or a single
// image, chosen through the open dialog (or named on the command line) or dropped on the
// window. Opening replaces the previous session; a file that cannot be opened leaves the
// session as it was and says why.
#pragma once
#include <string>
#include <vector>

#include "session/session.hpp"

namespace lumivane::input {

struct OpenRequest {
  std::vector<std::string> Files;
  // The open dialog's filter entry (1 video .. 8 frame list); 0 takes it from the first
  // file's extension, as for files named on the command line or in the recent list.
  int FilterIndex = 0;
};

// Opens the chosen files. Returns true when a recording is open afterwards.
bool STARTFILESELECTION(Session& s, const OpenRequest& request);

// Opens dropped files as an image set of the first file's kind.
bool PJFormDropFiles1DropFiles(Session& s, const std::vector<std::string>& files);

// Re-sorts the files of a multi-file video set (by file date when `AviSortRecord` is
// checked, else by name) and recomputes their contiguous frame ranges.
void AviSortClick(Session& s);

// Opens a picture taken from the clipboard as a single image; it is kept as
// "cliplumivane.bmp" in the working folder.
bool ClipboardFrontClick(Session& s, const Bitmap24& picture);

// The stretch decision of a deep kind by the `Fittifstretch` policy, asking when it says so.
bool DecideStretch(Session& s, const std::string& title);

// The colour decision after opening (asks when the picture and Colourstack disagree).
void DecideColour(Session& s);

// The text of frame n in the frame check-list: the file name for image sets, otherwise
// "Frame" and the frame number from 1 as five digits.
std::string FrameListItemText(const Session& s, int n);

}  // namespace lumivane::input
