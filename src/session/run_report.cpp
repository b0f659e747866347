#include "session/run_report.hpp"

#include "session/text_format.hpp"

namespace lumivane {

void RunReport::AddTiming(const std::string& stage, double seconds) {
  for (auto& [k, v] : timings_)
    if (k == stage) { v += seconds; return; }
  timings_.emplace_back(stage, seconds);
}

void RunReport::SetCount(const std::string& key, long long value) {
  for (auto& [k, v] : counts_)
    if (k == key) { v = value; return; }
  counts_.emplace_back(key, value);
}

void RunReport::SetText(const std::string& key, const std::string& value) {
  for (auto& [k, v] : texts_)
    if (k == key) { v = value; return; }
  texts_.emplace_back(key, value);
}

std::string RunReport::Json() const {
  std::string out = "{\"command\": " + JsonQuote(command_) + ", \"timings\": {";
  for (size_t i = 0; i < timings_.size(); ++i)
    out += (i ? ", " : "") + JsonQuote(timings_[i].first) + ": " + NumberText(timings_[i].second);
  out += "}";
  for (const auto& [k, v] : counts_) out += ", " + JsonQuote(k) + ": " + NumberText(v);
  for (const auto& [k, v] : texts_) out += ", " + JsonQuote(k) + ": " + JsonQuote(v);
  out += "}\n";
  return out;
}

}  // namespace lumivane
