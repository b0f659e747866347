// FITS frames: the primary header (80-byte cards in 2880-byte blocks) and the first image
// plane of BITPIX 8, 16, 32 or -32 data, big-endian, bottom row first. The samples keep
// their value plus BZERO (BSCALE is not applied); the picture is 8-bit grey stretched
// between the frame's minimum and maximum.
#pragma once
#include <cstdint>
#include <string>

#include "platform/error.hpp"
#include "session/image.hpp"
#include "session/limits.hpp"
#include "session/plane.hpp"

namespace lumivane::codecs {

// An unsupported BITPIX (anything but 8, 16, 32, -32; -64 included). The user is shown
// kTitle / kText; what() names the file and the BITPIX for the log.
class FitsFormatError : public Error {
 public:
  static constexpr const char* kTitle = "Fits format error";
  static constexpr const char* kText = "Unsupported fits format";
  FitsFormatError(const std::string& path, long long bitpix);
  long long Bitpix() const { return bitpix_; }

 private:
  long long bitpix_;
};

// The header values the readers use. A card that is absent leaves its value at 0.
struct FitsHeader {
  long long Naxis1 = 0, Naxis2 = 0;
  long long Bitpix = 0;
  double Bzero = 0;               // rounded to a whole number; 0 when it cannot be read
  std::uint64_t DataOffset = 0;   // first byte after the header's last block
};

struct FitsLimits {
  int MaxDim = kMaxFrameDim;                  // longer axes are cut to this many samples
  int MaxRowSamples = kReaderRowSamples;      // files with wider rows are refused
};

struct FitsFrame {
  int Width = 0, Height = 0;           // after the cut to FitsLimits::MaxDim
  int OrigWidth = 0, OrigHeight = 0;   // NAXIS1, NAXIS2 (OrigHeight at most 2^31 - 1)
  int Bitpix = 0;
  double Bzero = 0;
  // Width x Height, (x, y) as the picture shows it: file row k is row Height - 1 - k.
  // Each value is the stored sample (a -32 float rounded, ties to even; NaN or infinity
  // counts as 0) plus BZERO.
  FloatPlane Samples;
  // Grey, B = G = R = round((v - Min) / (Max - Min + 1) * 255), above 254 shown as 255.
  Bitmap24 View;
  double Min = 0, Max = 0;             // smallest and largest value of Samples
  std::string Description;             // e.g. "16bits, lo:0 hi:65535"
};

// Reads the header of a FITS file up to its END card. Throws Error ("Cannot read
// "<path>": ...") when the file cannot be read or has no END card; card values that do
// not read as numbers are refused for NAXIS1, NAXIS2 and BITPIX and count as 0 for BZERO.
FitsHeader ReadFITSHeader(const std::string& path);

// Reads one frame. Throws FitsFormatError for an unsupported BITPIX, and Error ("Cannot
// read "<path>": <reason>") for a missing or unreadable file, a header without END or
// without a positive NAXIS1 and NAXIS2, rows wider than limits.MaxRowSamples, or data that
// ends before the rows that are kept.
FitsFrame ReadFITS(const std::string& path, const FitsLimits& limits = {});

// The channel text of a FITS file name: the two characters before the extension of the
// name without folder, upper-cased, replaced by "_R", "_G", "_B" or "_L" when the
// lower-cased name contains ".red", ".green", ".blue" or ".luminance" (the last of these
// in that order wins).
std::string FitsChannelName(const std::string& path);
// True when FitsChannelName(path) is "_L": the file is a luminance frame.
bool IsFitsLuminanceName(const std::string& path);

}  // namespace lumivane::codecs
