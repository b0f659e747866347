// What a headless run reports with --report: stage timings in seconds and counts and
// sizes, as one JSON object.
#pragma once
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace lumivane {

class RunReport {
 public:
  void SetCommand(std::string command) { command_ = std::move(command); }
  void AddTiming(const std::string& stage, double seconds);
  void SetCount(const std::string& key, long long value);
  void SetText(const std::string& key, const std::string& value);
  std::string Json() const;

  // Times a stage from construction to destruction.
  class Timer {
   public:
    Timer(RunReport& r, std::string stage) : r_(r), stage_(std::move(stage)), start_(std::chrono::steady_clock::now()) {}
    ~Timer() {
      r_.AddTiming(stage_, std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
    }

   private:
    RunReport& r_;
    std::string stage_;
    std::chrono::steady_clock::time_point start_;
  };

 private:
  std::string command_;
  std::vector<std::pair<std::string, double>> timings_;
  std::vector<std::pair<std::string, long long>> counts_;
  std::vector<std::pair<std::string, std::string>> texts_;
};

}  // namespace lumivane
