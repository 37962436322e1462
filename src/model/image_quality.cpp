#include "model/image_quality.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "model/error.h"
#include "model/user_file.h"
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
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
            continue;
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

// The raw text of the value at `path` ("Software/.../Settings/Name"). The
// file is opened as every file the user names is: never waiting on a FIFO,
// never reading without end.
std::optional<std::string> ReadIniValue(const fs::path& file, const std::string& path) {
    std::string content;
    try {
        content = ReadUserFile(file, kSettingsFileKind);
    } catch (const Error&) {
        return std::nullopt;
    }
    std::string section;
    std::optional<std::string> found;
    for (std::size_t start = 0; start < content.size();) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        const std::string_view text = Trimmed(std::string_view(content).substr(start, end - start));
        start = end + 1;
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

std::optional<std::int32_t> ReadIniInteger(const fs::path& file, const std::string& name) {
    const auto raw = ReadIniValue(file, "Software/Kelt/Marivel/1.1/Settings/" + name);
    return raw ? ParseStoredInteger(*raw) : std::nullopt;
}

}  // namespace

std::optional<std::int32_t> ParseStoredInteger(std::string_view raw) {
    constexpr std::string_view kPrefix = "dword:";
    if (raw.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
    const std::string_view digits = raw.substr(kPrefix.size());
    // Digits only: strtoul alone would also take "0x2", " 2" or "+2".
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t bits = 0;
    for (const char c : digits) {
        int value;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        else
            return std::nullopt;
        bits = bits << 4 | static_cast<std::uint32_t>(value);
    }
    return static_cast<std::int32_t>(bits);
}

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
