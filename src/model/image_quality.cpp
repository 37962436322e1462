#include "model/image_quality.h"

#include <cstdlib>
#include <fstream>

#include "model/user_folders.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

// The settings file is written by QSettings: the first level of a key path
// is the section, the rest of the path is joined with backslashes into the
// key name, and characters outside letters and digits are written as %XX.
std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const std::string hex(text.substr(i + 1, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                out += static_cast<char>(value);
                i += 2;
                continue;
            }
        }
        out += text[i] == '\\' ? '/' : text[i];
    }
    return out;
}

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// The raw text of the value at `path` ("Software/.../Settings/Name").
std::optional<std::string> ReadIniValue(const fs::path& file, const std::string& path) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string section;
    std::string line;
    std::optional<std::string> found;
    while (std::getline(in, line)) {
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == ';') continue;
        if (text.front() == '[' && text.back() == ']') {
            section = Unescape(text.substr(1, text.size() - 2));
            continue;
        }
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string key = Unescape(Trimmed(text.substr(0, equals)));
        const std::string full = section.empty() || section == "General" ? key : section + "/" + key;
        if (full != path) continue;
        std::string_view value = Trimmed(text.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        found = std::string(value);  // the last one wins, as in QSettings
    }
    return found;
}

// A 32-bit integer as the settings store writes it: "dword:" and 1 to 8
// hexadecimal digits.
std::optional<std::int32_t> ReadIniInteger(const fs::path& file, const std::string& name) {
    const auto raw = ReadIniValue(file, "Software/Kelt/Marivel/1.1/Settings/" + name);
    if (!raw || raw->rfind("dword:", 0) != 0) return std::nullopt;
    const std::string digits = raw->substr(6);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    char* end = nullptr;
    const unsigned long bits = std::strtoul(digits.c_str(), &end, 16);
    if (end != digits.c_str() + digits.size()) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
}

}  // namespace

std::optional<ResizeMode> ParseResizeMode(std::string_view text) {
    if (text == "exact") return ResizeMode::Exact;
    if (text == "smooth") return ResizeMode::Smooth;
    return std::nullopt;
}

std::optional<Density> ParseDensity(std::string_view text) {
    if (text == "1") return Density::Single;
    if (text == "2") return Density::Double;
    return std::nullopt;
}

std::string ResizeModeName(ResizeMode mode) {
    return mode == ResizeMode::Smooth ? "smooth" : "exact";
}

std::string QualityKeyText(const ImageQuality& quality) {
    if (quality == ImageQuality{}) return {};
    return "\nresize " + ResizeModeName(quality.resize) + "\ndensity " +
           std::to_string(static_cast<int>(quality.density));
}

std::optional<ResizeMode> ResizeModeFromNumber(std::int32_t number) {
    if (number == static_cast<std::int32_t>(ResizeMode::Exact)) return ResizeMode::Exact;
    if (number == static_cast<std::int32_t>(ResizeMode::Smooth)) return ResizeMode::Smooth;
    return std::nullopt;
}

std::optional<Density> DensityFromNumber(std::int32_t number) {
    if (number == static_cast<std::int32_t>(Density::Single)) return Density::Single;
    if (number == static_cast<std::int32_t>(Density::Double)) return Density::Double;
    return std::nullopt;
}

fs::path UserSettingsFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const fs::path base =
        config && *config && fs::path(config).is_absolute() ? fs::path(config) : HomeFolder() / ".config";
    return base / "Kelt" / "Marivel" / "HKEY_CURRENT_USER.ini";
}

ImageQuality ReadStoredImageQuality(const fs::path& settingsFile) {
    ImageQuality quality;
    if (const auto number = ReadIniInteger(settingsFile, kResizeModeSetting))
        if (const auto mode = ResizeModeFromNumber(*number)) quality.resize = *mode;
    if (const auto number = ReadIniInteger(settingsFile, kDensitySetting))
        if (const auto density = DensityFromNumber(*number)) quality.density = *density;
    return quality;
}

}  // namespace marivel
