#include "session/ini_file.hpp"

#include <sstream>

#include "platform/atomic_file.hpp"
#include "session/text_format.hpp"

namespace lumivane {

bool IniFile::Load() {
  sections_.clear();
  std::string text;
  if (!platform::ReadWholeFile(path_, text)) return false;
  Parse(text);
  return true;
}

void IniFile::Parse(const std::string& text) {
  sections_.clear();
  std::istringstream in(text);
  std::string raw;
  std::string current;
  bool first = true;
  while (std::getline(in, raw)) {
    std::string_view line = Trim(raw);
    if (first) {  // a UTF-8 byte order mark
      first = false;
      if (line.size() >= 3 && line.substr(0, 3) == "\xEF\xBB\xBF") line = Trim(line.substr(3));
    }
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      auto close = line.find(']');
      if (close == std::string_view::npos) continue;
      current = std::string(Trim(line.substr(1, close - 1)));
      if (!FindSection(current)) sections_.push_back({current, {}});
      continue;
    }
    auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    Set(current, std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1))));
  }
}

std::string IniFile::Text() const {
  std::string out;
  // Keys outside any section come first, without a header.
  for (int pass = 0; pass < 2; ++pass)
    for (const auto& s : sections_) {
      if (s.name.empty() != (pass == 0)) continue;
      if (!s.name.empty()) out += "[" + s.name + "]\n";
      for (const auto& p : s.pairs) out += p.key + "=" + p.value + "\n";
      out += "\n";
    }
  return out;
}

void IniFile::Save() const { platform::WriteFileAtomically(path_, Text()); }

IniFile::Section* IniFile::FindSection(const std::string& name) {
  for (auto& s : sections_)
    if (EqualsNoCase(s.name, name)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
  for (const auto& s : sections_)
    if (EqualsNoCase(s.name, name)) return &s;
  return nullptr;
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
  if (const Section* s = FindSection(section))
    for (const auto& p : s->pairs)
      if (EqualsNoCase(p.key, key)) return p.value;
  return std::nullopt;
}

std::string IniFile::Get(const std::string& section, const std::string& key, const std::string& fallback) const {
  auto v = Get(section, key);
  return v ? *v : fallback;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back({section, {}});
    s = &sections_.back();
  }
  for (auto& p : s->pairs)
    if (EqualsNoCase(p.key, key)) {
      p.value = value;
      return;
    }
  s->pairs.push_back({key, value});
}

bool IniFile::Remove(const std::string& section, const std::string& key) {
  Section* s = FindSection(section);
  if (!s) return false;
  for (auto it = s->pairs.begin(); it != s->pairs.end(); ++it)
    if (EqualsNoCase(it->key, key)) {
      s->pairs.erase(it);
      return true;
    }
  return false;
}

bool IniFile::HasSection(const std::string& section) const { return FindSection(section) != nullptr; }

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> out;
  for (const auto& s : sections_) out.push_back(s.name);
  return out;
}

std::vector<std::string> IniFile::Keys(const std::string& section) const {
  std::vector<std::string> out;
  if (const Section* s = FindSection(section))
    for (const auto& p : s->pairs) out.push_back(p.key);
  return out;
}

}  // namespace lumivane
