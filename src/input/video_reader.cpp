#include "input/video_reader.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <iterator>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "input/dib_unpack.hpp"
#include "platform/error.hpp"

namespace lumivane::input {
namespace {

constexpr int kAddressedFrames = 50000;  // frames of a stream that can be addressed
constexpr int kMaxDimension = 65535;     // larger frame sides are treated as a broken format
constexpr std::int64_t kMaxSampleBytes = std::int64_t{1} << 30;  // largest stored frame

constexpr std::uint32_t FourCC(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}
constexpr std::uint32_t kY800 = FourCC('Y', '8', '0', '0');
constexpr std::uint32_t kK3CC = FourCC('K', '3', 'C', 'C');

const char kReadFailed[] = "Failed to read AVI frame";
const char kDecodeFailed[] = "Failed to decompress AVI frame";

// The codec's four characters; an uncompressed DIB (tag 0) is named "DIB ".
std::string FourChars(std::uint32_t tag) {
  if (tag == 0) return "DIB ";
  std::string s;
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
    s += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return s;
}

// The code name shown in "Failed to open AVI file: <name> ERROR".
const char* CodeName(int err) {
  switch (err) {
    case AVERROR(ENOENT):
    case AVERROR(EACCES):
    case AVERROR(EPERM):
    case AVERROR(EISDIR):
    case AVERROR(ENOTDIR):
    case AVERROR(ENAMETOOLONG):
    case AVERROR(ELOOP):
      return "FILEOPEN";
    case AVERROR(EIO):
      return "FILEREAD";
    case AVERROR(ENOMEM):
      return "MEMORY";
    case AVERROR_INVALIDDATA:
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_EOF:
      return "BADFORMAT";
    case AVERROR_PATCHWELCOME:
    case AVERROR(ENOSYS):
      return "UNSUPPORTED";
    default:
      return "ERROR";
  }
}

void QuietLibraryLog() {
  static std::once_flag once;
  // Failures reach the user as errors; the library's own console lines would only repeat them.
  std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

bool EndsWithBottomUp(const AVCodecParameters* par) {
  static const char kMark[9] = {'B', 'o', 't', 't', 'o', 'm', 'U', 'p', '\0'};
  return par->extradata && par->extradata_size >= 9 &&
         std::memcmp(par->extradata + par->extradata_size - 9, kMark, 9) == 0;
}

// One stored sample or packet of the video stream.
struct Entry {
  std::int64_t Ts = 0;   // time stamp in stream units
  std::int64_t Pos = -1; // file position (AVI: the chunk header)
  std::int64_t Size = 0;
  bool Key = false;
  std::int64_t Ord = 0;  // presentation order: the local frame number
};

// Presentation stamps of the packets of a stream, in decode order. Program streams leave
// the stamp out on many frames (often the key frames), but their decode stamps are complete:
// at a constant frame rate the presentation stamps are the decode stamps shifted by the
// reordering delay, and the missing ones go, in decode order, to the packets without one.
std::vector<std::int64_t> PresentationStamps(const std::vector<std::int64_t>& pts,
                                             const std::vector<std::int64_t>& dts) {
  const std::size_t n = pts.size();
  std::vector<std::int64_t> out(n);
  const bool allDts = std::none_of(dts.begin(), dts.end(),
                                   [](std::int64_t v) { return v == AV_NOPTS_VALUE; });
  std::int64_t minPts = std::numeric_limits<std::int64_t>::max();
  for (std::int64_t v : pts)
    if (v != AV_NOPTS_VALUE) minPts = std::min(minPts, v);
  if (allDts && n > 0 && minPts != std::numeric_limits<std::int64_t>::max()) {
    std::vector<std::int64_t> all(dts);
    std::sort(all.begin(), all.end());
    const std::int64_t delay = minPts - all.front();
    for (std::int64_t& v : all) v += delay;
    std::vector<std::int64_t> known;
    for (std::int64_t v : pts)
      if (v != AV_NOPTS_VALUE) known.push_back(v);
    std::sort(known.begin(), known.end());
    std::vector<std::int64_t> missing;
    std::set_difference(all.begin(), all.end(), known.begin(), known.end(),
                        std::back_inserter(missing));
    if (missing.size() == n - known.size()) {
      std::size_t m = 0;
      for (std::size_t i = 0; i < n; ++i) out[i] = pts[i] != AV_NOPTS_VALUE ? pts[i] : missing[m++];
      return out;
    }
  }
  std::int64_t prev = -1;
  for (std::size_t i = 0; i < n; ++i) {
    std::int64_t ts = pts[i] != AV_NOPTS_VALUE ? pts[i] : dts[i];
    if (ts == AV_NOPTS_VALUE) ts = prev + 1;
    out[i] = prev = ts;
  }
  return out;
}

}  // namespace

struct VideoReader::Impl {
  std::string path;
  VideoMode mode = VideoMode::Stream;
  VideoStreamInfo info;

  AVFormatContext* fmt = nullptr;
  AVStream* st = nullptr;
  int si = -1;
  bool isAvi = false;

  // Stored-sample streams.
  bool raw = false;
  bool topDown = false;
  DibPalette palette{};
  std::vector<Entry> samples;  // in time stamp order, from the AVI index or a scan
  std::int64_t frameBytes = 0; // bytes of one padded frame
  std::vector<std::uint8_t> sampleBuf;
  std::vector<std::uint16_t> rowScratch;

  // Decoded streams.
  AVCodecContext* dec = nullptr;
  AVPacket* pkt = nullptr;
  AVFrame* frame = nullptr;
  SwsContext* sws = nullptr;
  bool packetPending = false;  // pkt holds data the decoder has not taken yet
  bool eofSent = false;        // the decoder is being drained
  std::int64_t curOrd = -1;    // local frame held in `frame` (-1: position unknown)
  std::int64_t seekOrd = 0;    // first frame expected after the last seek
  std::ptrdiff_t seekKey = -1; // key frame of the last seek (-1: none)
  std::vector<std::int64_t> frameTs;  // presentation time stamps when not implicit
  std::vector<Entry> keys;            // key frames in presentation order (may be empty)
  std::vector<std::pair<std::int64_t, std::int64_t>> shownOfDts;  // decode -> presentation stamp

  std::int64_t start = 0;  // time stamp of frame 0 when stamps are implicit (AVI)
  std::int64_t scanned = 0;  // frames found by the last packet scan

  ~Impl() { Close(); }

  void Close() {
    sws_freeContext(sws);
    sws = nullptr;
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    if (fmt) avformat_close_input(&fmt);
    st = nullptr;
    si = -1;
    isAvi = raw = topDown = false;
    samples.clear();
    frameTs.clear();
    keys.clear();
    shownOfDts.clear();
    packetPending = eofSent = false;
    curOrd = -1;
    seekOrd = 0;
    start = scanned = frameBytes = 0;
    info = VideoStreamInfo{};
    path.clear();
  }

  void Open(const std::string& file, VideoMode m);
  void ReadStored(int k, Bitmap24& picture, Image16* deep);
  void ReadDecoded(int k, Bitmap24& picture);

 private:
  void SetUpStored(int bits, std::uint32_t tag);
  void SetUpDecoder();
  void TakeDemuxerIndex();
  void ScanPackets(bool keepKeys);
  int CountFrames(bool indexed);
  bool NextPacket();
  std::int64_t OrdOfTs(std::int64_t ts) const;
  std::int64_t OrdOfFrame() const;
  void ResetDecoding();
  bool SeekToKey(std::ptrdiff_t i);
  void SeekFor(std::int64_t k);
  void SeekToStart();
  void Convert(Bitmap24& picture);
};

void VideoReader::Impl::Open(const std::string& file, VideoMode m) {
  QuietLibraryLog();
  path = file;
  mode = m;
  int rc = avformat_open_input(&fmt, file.c_str(), nullptr, nullptr);
  if (rc < 0) {
    fmt = nullptr;
    throw Error(std::string("Failed to open AVI file: ") + CodeName(rc) + " ERROR");
  }
  isAvi = std::strcmp(fmt->iformat->name, "avi") == 0;

  auto findVideo = [this] {
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
      const AVStream* s = fmt->streams[i];
      if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
          !(s->disposition & AV_DISPOSITION_ATTACHED_PIC))
        return static_cast<int>(i);
    }
    return -1;
  };
  si = findVideo();
  // An AVI header describes its streams completely; other containers (MPEG program
  // streams) are probed by reading their first packets.
  if (!isAvi || si < 0 || fmt->streams[si]->codecpar->width <= 0) {
    avformat_find_stream_info(fmt, nullptr);
    si = findVideo();
  }
  if (si < 0) throw Error("Failed to open AVI stream");
  st = fmt->streams[si];
  const AVCodecParameters* par = st->codecpar;

  std::uint32_t tag = par->codec_tag;
  if (tag == 0 && !isAvi) {
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    tag = av_codec_get_tag(tables, par->codec_id);
  }
  info.Fourcc = FourChars(tag);
  info.CodecText = "vids" + info.Fourcc;
  info.RawCodec = isAvi && (tag == kY800 || tag == kK3CC);
  info.TopDownGrey = isAvi && tag == kY800;
  info.Width = par->width;
  info.Height = par->height;
  if (info.Width <= 0 || info.Height <= 0 || info.Width > kMaxDimension ||
      info.Height > kMaxDimension)
    throw Error("Failed to get AVI stream format, codec:" + info.CodecText);

  int bits = par->bits_per_coded_sample;
  if (info.RawCodec && bits == 0) bits = 8;
  const bool dib = isAvi && par->codec_tag == 0;
  if ((info.RawCodec || dib) && bits == 36)
    throw Error("36-bit video streams are not supported: " + file);
  if (info.RawCodec || (dib && IsStoredSampleBitCount(bits))) {
    if (!IsStoredSampleBitCount(bits))
      throw Error("Failed to start AVI decompression, codec:" + info.CodecText);
    SetUpStored(bits, par->codec_tag);
  } else {
    SetUpDecoder();
  }
  info.FrameCount = CountFrames(mode == VideoMode::Indexed);
  info.LastFrame = std::max(0, std::min(info.FrameCount, kAddressedFrames) - 1);
}

void VideoReader::Impl::SetUpStored(int bits, std::uint32_t tag) {
  raw = true;
  info.BitCount = bits;
  info.HiVideo = bits == 12 || bits == 16 || bits == 48;
  const AVCodecParameters* par = st->codecpar;
  // "Y800" rows run top to bottom; a DIB runs bottom to top unless its height is negative,
  // which the demuxer reports by leaving out its "BottomUp" mark.
  topDown = info.TopDownGrey || (tag == 0 && !EndsWithBottomUp(par));
  palette = GreyPalette();
  if (bits == 8 && tag == 0 && par->extradata) {
    int bytes = par->extradata_size - (EndsWithBottomUp(par) ? 9 : 0);
    bytes = std::clamp(bytes, 0, 1024);
    std::memcpy(palette.data(), par->extradata, static_cast<std::size_t>(bytes / 4) * 4);
  }
  // The largest layout a sample can have: padded rows of every sample's bits.
  const std::int64_t rowBytes = (static_cast<std::int64_t>(info.Width) * bits + 7) / 8;
  frameBytes = (rowBytes + 3) / 4 * 4 * info.Height;
  if (frameBytes > kMaxSampleBytes)
    throw Error("Failed to get AVI stream format, codec:" + info.CodecText);
  if (!(fmt->pb && (fmt->pb->seekable & AVIO_SEEKABLE_NORMAL))) throw Error(kReadFailed);
  TakeDemuxerIndex();
  if (samples.empty()) ScanPackets(false);
}

void VideoReader::Impl::SetUpDecoder() {
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  if (!codec) throw Error("Failed to start AVI decompression, codec:" + info.CodecText);
  dec = avcodec_alloc_context3(codec);
  if (!dec || avcodec_parameters_to_context(dec, st->codecpar) < 0)
    throw Error("Failed to start AVI decompression, codec:" + info.CodecText);
  dec->thread_count = 1;  // every worker has its own reader
  dec->pkt_timebase = st->time_base;
  if (avcodec_open2(dec, codec, nullptr) < 0)
    throw Error("Failed to start AVI decompression, codec:" + info.CodecText);
  pkt = av_packet_alloc();
  frame = av_frame_alloc();
  if (!pkt || !frame) throw Error("Failed to start AVI decompression, codec:" + info.CodecText);
}

// The AVI demuxer reads idx1 or the OpenDML indexes when it opens the file.
void VideoReader::Impl::TakeDemuxerIndex() {
  if (!isAvi) return;
  const int n = avformat_index_get_entries_count(st);
  std::vector<Entry>& out = raw ? samples : keys;
  out.clear();
  for (int i = 0; i < n; ++i) {
    const AVIndexEntry* e = avformat_index_get_entry(st, i);
    if (!e) continue;
    const bool key = (e->flags & AVINDEX_KEYFRAME) != 0;
    if (!raw && !key) continue;
    out.push_back(Entry{e->timestamp, e->pos, e->size, key, 0});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const Entry& a, const Entry& b) { return a.Ts < b.Ts; });
  start = n > 0 ? avformat_index_get_entry(st, 0)->timestamp : 0;
  for (Entry& e : out) e.Ord = e.Ts - start;
}

// Reads every packet of the file once: the frame time stamps (and the key frames) of
// containers without an index, or of AVI files whose index is missing.
void VideoReader::Impl::ScanPackets(bool keepKeys) {
  AVPacket* p = av_packet_alloc();
  if (!p) throw Error(kReadFailed);
  std::vector<Entry> all;
  std::vector<std::int64_t> pts, dts;
  while (av_read_frame(fmt, p) >= 0) {
    if (p->stream_index == si && p->size > 0) {
      // The demuxer reports the position of the sample data; an AVI chunk header is 8 bytes
      // before it.
      const std::int64_t pos = p->pos >= 0 && isAvi ? p->pos - 8 : p->pos;
      all.push_back(Entry{0, pos, p->size, (p->flags & AV_PKT_FLAG_KEY) != 0, 0});
      pts.push_back(p->pts);
      dts.push_back(p->dts);
    }
    av_packet_unref(p);
  }
  av_packet_free(&p);
  const std::vector<std::int64_t> shown = PresentationStamps(pts, dts);
  for (std::size_t i = 0; i < all.size(); ++i) all[i].Ts = shown[i];
  // Packets read later get their presentation stamp back from their decode stamp, so every
  // decoded frame can be named.
  shownOfDts.clear();
  if (!isAvi) {
    for (std::size_t i = 0; i < all.size(); ++i)
      if (dts[i] != AV_NOPTS_VALUE) shownOfDts.emplace_back(dts[i], shown[i]);
    std::sort(shownOfDts.begin(), shownOfDts.end());
  }
  std::stable_sort(all.begin(), all.end(),
                   [](const Entry& a, const Entry& b) { return a.Ts < b.Ts; });
  frameTs.clear();
  if (isAvi) {
    // AVI stamps count frames from the stream start.
    start = all.empty() ? 0 : all.front().Ts;
    for (Entry& e : all) e.Ord = e.Ts - start;
  } else {
    frameTs.reserve(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
      frameTs.push_back(all[i].Ts);
      all[i].Ord = static_cast<std::int64_t>(i);
    }
  }
  scanned = all.empty() ? 0 : all.back().Ord + 1;
  if (raw) {
    samples = std::move(all);
  } else if (keepKeys) {
    keys.clear();
    for (const Entry& e : all)
      if (e.Key) keys.push_back(e);
  }
  curOrd = -1;  // the demuxer stands at the end; the first read seeks
}

int VideoReader::Impl::CountFrames(bool indexed) {
  const std::int64_t header = isAvi ? st->nb_frames : 0;
  std::int64_t found = 0;
  if (raw) {
    found = samples.empty() ? 0 : samples.back().Ord + 1;
  } else if (isAvi) {
    TakeDemuxerIndex();
    const int n = avformat_index_get_entries_count(st);
    if (n > 0) {
      found = avformat_index_get_entry(st, n - 1)->timestamp - start + 1;
      if (!indexed) keys.clear();  // the stream reader seeks through the demuxer
    } else if (indexed || header <= 0) {
      ScanPackets(indexed);
      found = scanned;
    }
  } else {
    ScanPackets(false);
    found = scanned;
  }
  // The AVI header's frame count stands unless the index shows what the file really holds.
  std::int64_t count = found;
  if (isAvi && header > 0 && !(indexed && found > 0)) count = header;
  return static_cast<int>(std::clamp<std::int64_t>(count, 0, std::numeric_limits<int>::max()));
}

void VideoReader::Impl::ReadStored(int k, Bitmap24& picture, Image16* deep) {
  const std::int64_t ts = start + k;
  // The sample stored last at or before the frame's time: a frame written as an empty
  // chunk repeats the one before it.
  auto it = std::upper_bound(samples.begin(), samples.end(), ts,
                             [](std::int64_t t, const Entry& e) { return t < e.Ts; });
  if (it == samples.begin() || ts > samples.back().Ts) throw Error(kReadFailed);
  const Entry& e = *(it - 1);
  AVIOContext* pb = fmt->pb;
  std::uint8_t head[8];
  if (e.Pos < 0 || e.Size <= 0 || avio_seek(pb, e.Pos, SEEK_SET) < 0 ||
      avio_read(pb, head, 8) != 8)
    throw Error(kReadFailed);
  // A chunk of this stream: two digits of the stream number, then the chunk size.
  const std::uint32_t chunkSize = static_cast<std::uint32_t>(head[4]) | head[5] << 8 |
                                  head[6] << 16 | static_cast<std::uint32_t>(head[7]) << 24;
  if (head[0] != '0' + si / 10 % 10 || head[1] != '0' + si % 10 ||
      chunkSize < static_cast<std::uint64_t>(e.Size))
    throw Error(kReadFailed);
  // Bytes past the padded frame are not needed; a sample running past the end of the file
  // is damaged.
  const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(e.Size, frameBytes));
  const std::int64_t fileSize = avio_size(pb);
  if (fileSize >= 0 && e.Pos + 8 + static_cast<std::int64_t>(n) > fileSize)
    throw Error(kReadFailed);
  if (sampleBuf.size() < n) sampleBuf.resize(n);
  if (avio_read(pb, sampleBuf.data(), static_cast<int>(n)) != static_cast<int>(n))
    throw Error(kReadFailed);
  SampleLayout layout;
  layout.Width = info.Width;
  layout.Height = info.Height;
  layout.BitCount = info.BitCount;
  layout.TopDown = topDown;
  layout.Stride = StoredRowStride(info.Width, info.Height, info.BitCount, n);
  if (layout.Stride == 0) throw Error(kReadFailed);
  UnpackSample(layout, sampleBuf.data(), n, palette, picture, deep, rowScratch);
}

bool VideoReader::Impl::NextPacket() {
  for (;;) {
    if (av_read_frame(fmt, pkt) < 0) return false;
    if (pkt->stream_index == si && pkt->size > 0) break;
    av_packet_unref(pkt);
  }
  if (pkt->pts == AV_NOPTS_VALUE && pkt->dts != AV_NOPTS_VALUE && !shownOfDts.empty()) {
    auto it = std::lower_bound(shownOfDts.begin(), shownOfDts.end(),
                               std::make_pair(pkt->dts, std::numeric_limits<std::int64_t>::min()));
    if (it != shownOfDts.end() && it->first == pkt->dts) pkt->pts = it->second;
  }
  return true;
}

std::int64_t VideoReader::Impl::OrdOfTs(std::int64_t ts) const {
  if (frameTs.empty()) return ts - start;
  return std::lower_bound(frameTs.begin(), frameTs.end(), ts) - frameTs.begin();
}

std::int64_t VideoReader::Impl::OrdOfFrame() const {
  std::int64_t ts = frame->pts;
  if (ts == AV_NOPTS_VALUE) ts = frame->best_effort_timestamp;
  if (ts == AV_NOPTS_VALUE) return curOrd >= 0 ? curOrd + 1 : seekOrd;
  return OrdOfTs(ts);
}

void VideoReader::Impl::SeekToStart() {
  const std::int64_t first = frameTs.empty() ? start : frameTs.front();
  if (!isAvi && av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE) >= 0) {
    seekOrd = 0;
    return;
  }
  if (av_seek_frame(fmt, si, first, AVSEEK_FLAG_BACKWARD) < 0 &&
      av_seek_frame(fmt, si, std::numeric_limits<std::int64_t>::min() / 2,
                    AVSEEK_FLAG_BACKWARD) < 0 &&
      av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE) < 0)
    throw Error(kReadFailed);
  seekOrd = 0;
}

void VideoReader::Impl::ResetDecoding() {
  if (packetPending) av_packet_unref(pkt);
  packetPending = false;
  eofSent = false;
  curOrd = -1;
}

// Seeks to key frame `i` of the table (AVI: the demuxer's index holds every key frame's
// position); false when the demuxer refuses.
bool VideoReader::Impl::SeekToKey(std::ptrdiff_t i) {
  ResetDecoding();
  const Entry& key = keys[static_cast<std::size_t>(i)];
  const int rc = av_seek_frame(fmt, si, key.Ts, AVSEEK_FLAG_BACKWARD);
  avcodec_flush_buffers(dec);
  seekKey = i;
  seekOrd = key.Ord;
  return rc >= 0;
}

void VideoReader::Impl::SeekFor(std::int64_t k) {
  ResetDecoding();
  seekKey = -1;
  int rc = -1;
  if (!isAvi) {
    // After a seek inside a program stream the demuxer's stamps can be off by a frame, so
    // frames could no longer be named: those files are read again from the start.
  } else if (!keys.empty()) {
    auto it = std::upper_bound(keys.begin(), keys.end(), k,
                               [](std::int64_t v, const Entry& e) { return v < e.Ord; });
    if (it != keys.begin()) rc = SeekToKey(it - 1 - keys.begin()) ? 0 : -1;
  } else {
    const std::int64_t ts = frameTs.empty() ? start + k
                            : frameTs[static_cast<std::size_t>(
                                  std::min<std::int64_t>(k, frameTs.size() - 1))];
    rc = av_seek_frame(fmt, si, ts, AVSEEK_FLAG_BACKWARD);
    seekOrd = k;
  }
  if (rc < 0) {
    seekKey = -1;
    SeekToStart();
  }
  avcodec_flush_buffers(dec);
}

void VideoReader::Impl::ReadDecoded(int k, Bitmap24& picture) {
  if (k == curOrd) {
    Convert(picture);
    return;
  }
  // Program streams are only read forward (see SeekFor).
  bool readOn = curOrd >= 0 && k > curOrd && (k == curOrd + 1 || !isAvi);
  if (!readOn && curOrd >= 0 && k > curOrd && !keys.empty()) {
    // Decoding forward from here is no longer than from the key frame before k.
    auto it = std::upper_bound(keys.begin(), keys.end(), static_cast<std::int64_t>(k),
                               [](std::int64_t v, const Entry& e) { return v < e.Ord; });
    readOn = it != keys.begin() && (it - 1)->Ord <= curOrd;
  }
  bool fromStart = false;
  if (!readOn) SeekFor(k);
  bool firstAfterSeek = !readOn;
  try {
    for (;;) {
      const int rc = avcodec_receive_frame(dec, frame);
      if (rc == 0) {
        const std::int64_t ord = OrdOfFrame();
        curOrd = ord;
        if (ord < k) {
          firstAfterSeek = false;
          continue;
        }
        if (ord > k && firstAfterSeek && !fromStart) {
          // The seek landed after the frame: go back one key frame, at last to the start.
          if (seekKey > 0 && SeekToKey(seekKey - 1)) continue;
          fromStart = true;
          ResetDecoding();
          SeekToStart();
          avcodec_flush_buffers(dec);
          continue;
        }
        Convert(picture);
        return;
      }
      if (rc != AVERROR(EAGAIN)) throw Error(kDecodeFailed);  // drained or broken
      if (eofSent) throw Error(kDecodeFailed);
      if (packetPending) {
        // The decoder asked for input but refused this packet before: it is stuck.
        throw Error(kDecodeFailed);
      }
      if (!NextPacket()) {
        avcodec_send_packet(dec, nullptr);
        eofSent = true;
        continue;
      }
      const int sent = avcodec_send_packet(dec, pkt);
      if (sent == AVERROR(EAGAIN)) {
        packetPending = true;
        continue;
      }
      // A damaged packet is dropped; the frames that need it do not come out.
      av_packet_unref(pkt);
    }
  } catch (...) {
    curOrd = -1;
    throw;
  }
}

void VideoReader::Impl::Convert(Bitmap24& picture) {
  const int w = frame->width, h = frame->height;
  if (w <= 0 || h <= 0 || w > kMaxDimension || h > kMaxDimension) throw Error(kDecodeFailed);
  sws = sws_getCachedContext(sws, w, h, static_cast<AVPixelFormat>(frame->format), w, h,
                             AV_PIX_FMT_BGR24, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr,
                             nullptr, nullptr);
  if (!sws) throw Error(kDecodeFailed);
  if (picture.Width() != w || picture.Height() != h) picture.Allocate(w, h);
  std::uint8_t* dst[4] = {picture.Data(), nullptr, nullptr, nullptr};
  int dstStride[4] = {static_cast<int>(picture.Stride()), 0, 0, 0};
  if (sws_scale(sws, frame->data, frame->linesize, 0, h, dst, dstStride) != h)
    throw Error(kDecodeFailed);
}

VideoReader::VideoReader() : impl_(std::make_unique<Impl>()) {}
VideoReader::~VideoReader() = default;

void VideoReader::Open(const std::string& path, VideoMode mode) {
  impl_->Close();
  try {
    impl_->Open(path, mode);
  } catch (...) {
    impl_->Close();
    throw;
  }
}

void VideoReader::Close() { impl_->Close(); }

bool VideoReader::IsOpen() const { return impl_->fmt != nullptr; }

const std::string& VideoReader::Path() const { return impl_->path; }

const VideoStreamInfo& VideoReader::Info() const { return impl_->info; }

void VideoReader::ReadFrame(int k, Bitmap24& picture, Image16* deep) {
  if (!impl_->fmt) throw Error(kReadFailed);
  if (k < 0 || k > impl_->info.LastFrame) throw Error(" Frame number wrong. ");
  if (impl_->raw)
    impl_->ReadStored(k, picture, deep);
  else
    impl_->ReadDecoded(k, picture);
}

}  // namespace lumivane::input
