#include "cli/input_commands.hpp"

#include <cstdio>
#include <optional>

#include "codecs/bmp_writer.hpp"
#include "codecs/png_codec.hpp"
#include "codecs/tiff_codec.hpp"
#include "input/frame_reader.hpp"
#include "input/open_recording.hpp"
#include "input/recording_info.hpp"
#include "input/source_kind.hpp"
#include "platform/error.hpp"
#include "session/session.hpp"
#include "session/text_format.hpp"

namespace lumivane::cli {

namespace {

void Open(Session& s, const std::vector<std::string>& files) {
  if (files.empty()) throw UsageError("name the recording to open");
  if (!input::STARTFILESELECTION(s, {files, 0})) throw Error("The recording could not be opened");
}

std::string Join(const std::vector<int>& v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) out += (i ? ", " : "") + std::to_string(v[i]);
  return out;
}

}  // namespace

int InfoCommand(Session& s, const CommandLine& cl) {
  Open(s, cl.Arguments);
  const input::RecordingInfo i = input::DescribeRecording(s);
  if (cl.Json) {
    std::fputs(input::RecordingInfoJson(i).c_str(), stdout);
    return 0;
  }
  std::printf("source: %s\nframes: %d\nwidth: %d\nheight: %d\nbits: %d\ncolour: %s\nbayer: %s\n", i.Source.c_str(),
              i.Frames, i.Width, i.Height, i.Bits, i.Colour ? "colour" : "grey", i.Bayer.empty() ? "none" : i.Bayer.c_str());
  if (!i.Codec.empty()) std::printf("codec: %s\n", i.Codec.c_str());
  return 0;
}

int FrameCommand(Session& s, const CommandLine& cl) {
  std::vector<std::string> files;
  std::string out;
  int index = -1;
  std::vector<std::pair<int, int>> points;
  const auto& a = cl.Arguments;
  for (size_t i = 0; i < a.size(); ++i) {
    auto next = [&](const char* option) {
      if (i + 1 >= a.size()) throw UsageError(std::string(option) + " needs a value");
      return a[++i];
    };
    if (a[i] == "--index") {
      auto v = ParseInteger(next("--index"));
      if (!v || *v < 0) throw UsageError("--index needs a frame number from 0");
      index = static_cast<int>(*v);
    } else if (a[i] == "-o") {
      out = next("-o");
    } else if (a[i] == "--at") {
      const std::string xy = next("--at");
      auto comma = xy.find(',');
      std::optional<long long> x, y;
      if (comma != std::string::npos) {
        x = ParseInteger(xy.substr(0, comma));
        y = ParseInteger(xy.substr(comma + 1));
      }
      if (!x || !y) throw UsageError("--at needs X,Y, got \"" + xy + "\"");
      points.emplace_back(static_cast<int>(*x), static_cast<int>(*y));
    } else if (a[i].size() > 1 && a[i][0] == '-') {
      throw UsageError("unknown option " + a[i] + " for frame");
    } else {
      files.push_back(a[i]);
    }
  }
  if (index < 0) throw UsageError("frame needs --index N");
  Open(s, files);
  if (index >= s.Frames.FrameCount)
    throw Error("Frame " + std::to_string(index) + " does not exist: the recording has " +
                std::to_string(s.Frames.FrameCount) + " frames");
  input::ReadFrame(s, index);

  if (!out.empty()) {
    const std::string ext = input::LowerExtension(out);
    if (ext == ".bmp") codecs::WriteBMP(out, s.Work.Bitmap);
    else if (ext == ".png") codecs::WritePNG16(out, input::FullDepthFrame(s));
    else if (ext == ".tif" || ext == ".tiff") codecs::WriteTIFF(input::FullDepthFrame(s), out);
    else throw UsageError("cannot save frames as \"" + ext + "\" yet (use .bmp, .png or .tif)");
  }
  if (cl.Json) {
    std::string j = "{\"index\": " + std::to_string(index) + ", \"width\": " + std::to_string(s.Work.Bitmap.Width()) +
                    ", \"height\": " + std::to_string(s.Work.Bitmap.Height());
    if (!out.empty()) j += ", \"output\": " + JsonQuote(out);
    j += ", \"samples\": [";
    for (size_t i = 0; i < points.size(); ++i) {
      input::FrameSample f = input::SampleAt(s, points[i].first, points[i].second);
      j += (i ? ", " : "") + std::string("{\"x\": ") + std::to_string(f.X) + ", \"y\": " + std::to_string(f.Y) +
           ", \"raw\": [" + Join(f.Raw) + "], \"view\": [" + Join({f.View[0], f.View[1], f.View[2]}) + "]}";
    }
    j += "]}\n";
    std::fputs(j.c_str(), stdout);
  } else {
    if (!out.empty()) std::printf("frame %d saved as %s\n", index, out.c_str());
    for (auto [x, y] : points) {
      input::FrameSample f = input::SampleAt(s, x, y);
      std::printf("%d,%d raw %s view %d %d %d\n", x, y, Join(f.Raw).c_str(), f.View[0], f.View[1], f.View[2]);
    }
  }
  return 0;
}

}  // namespace lumivane::cli
