// Locale-independent number text ('.' decimals whatever the user's locale) and
// case-insensitive comparison, shared by the settings files and the command line.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace lumivane {

std::string NumberText(double v);   // shortest text that reads back to the same double
std::string NumberText(long long v);
std::optional<double> ParseDouble(std::string_view text);     // whole text must be a number
std::optional<long long> ParseInteger(std::string_view text);  // whole text must be an integer
std::optional<bool> ParseBool(std::string_view text);          // 1/0, true/false, yes/no, on/off

std::string ToLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string_view Trim(std::string_view s);

// Quotes a string as a JSON string literal.
std::string JsonQuote(std::string_view s);

}  // namespace lumivane
