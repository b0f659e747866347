// Fixed limits of a session.
#pragma once

namespace lumivane {

inline constexpr int kMaxFrameDim = 6216;       // largest frame width or height processed
inline constexpr int kMaxFrameIndex = 50000;    // highest frame index
inline constexpr int kFileNameSlots = 50001;    // FrameFileNames entries 0..50000
inline constexpr int kChannelTagSlots = 50004;  // FrameChannelTag entries 0..50003
inline constexpr int kMaxVideoFiles = 101;      // files of a multi-file video set
inline constexpr int kWorkerSlots = 16;         // slots provided
inline constexpr int kMaxCores = 8;             // largest Cores setting
inline constexpr int kReaderRowSamples = 4001;  // widest SER or FITS row the readers hold
inline constexpr int kPlaneMargin = 10;         // extra elements of the image data section planes

}  // namespace lumivane
