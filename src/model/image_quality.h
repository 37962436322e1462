#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace marivel {

// How prepared images are resized.
enum class ResizeMode : std::int32_t {
    // Nearest neighbour at exactly the slider width: the bytes every earlier
    // version wrote.
    Exact = 0,
    // A Lanczos filter over a decode at a reduced scale: sharp lines without
    // aliasing, and faster, since the decoder does part of the shrinking.
    Smooth = 1,
};

// Which copies each item gets.
enum class Density : std::int32_t {
    Single = 1,  // the copy at the slider width
    Double = 2,  // also one at twice its width and height, for high-density screens
};

struct ImageQuality {
    ResizeMode resize = ResizeMode::Exact;
    Density density = Density::Single;
    bool operator==(const ImageQuality&) const = default;
};

// The words of marivel-publish's --resize and --density and of the cache
// key: "exact"/"smooth", "1"/"2". Empty when the text names none.
std::optional<ResizeMode> ParseResizeMode(std::string_view text);
std::optional<Density> ParseDensity(std::string_view text);
std::string ResizeModeName(ResizeMode mode);

// What the choice adds to the key of a cached copy: nothing for the
// defaults, so copies cached before the choice existed stay valid.
std::string QualityKeyText(const ImageQuality& quality);

// The choice as stored in the user's settings, under the settings key
// "\Software\Kelt\Marivel\1.1\Settings" as 32-bit integers: the editor's
// dialog writes them, marivel-publish reads them too.
inline constexpr const char* kResizeModeSetting = "ImageResizeMode";  // ResizeMode's number
inline constexpr const char* kDensitySetting = "ImageDensity";        // Density's number
// A 32-bit integer as the settings store writes it: "dword:" and 1 to 8
// hexadecimal digits, nothing else (not "0x2", not " 2"). The editor's
// settings store and marivel-publish both read integers through this one
// rule, so they never disagree about a setting.
std::optional<std::int32_t> ParseStoredInteger(std::string_view raw);
// The values as stored; out-of-range numbers give nothing.
std::optional<ResizeMode> ResizeModeFromNumber(std::int32_t number);
std::optional<Density> DensityFromNumber(std::int32_t number);

// The settings file of the current user that the editor writes:
// "$XDG_CONFIG_HOME/Kelt/Marivel/HKEY_CURRENT_USER.ini" (default
// "~/.config/...").
std::filesystem::path UserSettingsFile();

// The choice stored in `settingsFile`; each part that is missing or
// unreadable keeps its default.
ImageQuality ReadStoredImageQuality(const std::filesystem::path& settingsFile);

}  // namespace marivel
