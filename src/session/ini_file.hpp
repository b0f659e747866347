// Settings files: sections of key=value lines. Sections and keys are matched without
// regard to case and keep the spelling they were first written with; values are text.
// Numbers are written with '.' decimals whatever the locale (see text_format.hpp).
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace lumivane {

class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  // Reads the file at path(); a missing file leaves the contents empty and returns false.
  bool Load();
  bool Load(const std::string& path) { path_ = path; return Load(); }
  void Parse(const std::string& text);
  std::string Text() const;
  // Writes atomically (temporary file, then rename); throws Error on failure.
  void Save() const;
  void Save(const std::string& path) { path_ = path; Save(); }

  const std::string& Path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }

  std::optional<std::string> Get(const std::string& section, const std::string& key) const;
  std::string Get(const std::string& section, const std::string& key, const std::string& fallback) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);
  bool Remove(const std::string& section, const std::string& key);
  bool HasSection(const std::string& section) const;
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(const std::string& section) const;
  void Clear() { sections_.clear(); }

 private:
  struct Pair { std::string key, value; };
  struct Section { std::string name; std::vector<Pair> pairs; };
  Section* FindSection(const std::string& name);
  const Section* FindSection(const std::string& name) const;

  std::string path_;
  std::vector<Section> sections_;
};

}  // namespace lumivane
