#include "output/publish_checks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

#include "model/error.h"
#include "model/field_codec.h"
#include "model/whole_file.h"
#include "output/generated_files.h"
#include "output/jpeg_probe.h"
#include "output/script_text.h"
#include "output/source_images.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

std::string ItemName(const SliderItemList& items, int k) {
    const std::string path = Trim(items[static_cast<std::size_t>(k)].OriginalImagePath);
    std::string name = "Item " + std::to_string(k + 1);
    if (!path.empty()) name += " (" + fs::path(path).filename().string() + ")";
    return name;
}

std::optional<long long> Number(const std::string& text) {
    try {
        return StrToInt(text);
    } catch (const Error&) {
        return std::nullopt;
    }
}

bool HasScheme(const std::string& link, std::string* scheme) {
    if (link.empty() || !std::isalpha(static_cast<unsigned char>(link[0]))) return false;
    for (std::size_t k = 1; k < link.size(); ++k) {
        const char c = link[k];
        if (c == ':') {
            *scheme = link.substr(0, k);
            std::transform(scheme->begin(), scheme->end(), scheme->begin(),
                           [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
            // "c:" is a Windows drive, which a browser on the site cannot reach.
            return k > 1;
        }
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    }
    return false;
}

bool LooksLikeSiteName(const std::string& link) {
    const std::string first = link.substr(0, link.find_first_of("/?#"));
    const std::size_t dot = first.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;
    std::string last = first.substr(dot + 1);
    std::transform(last.begin(), last.end(), last.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    static const char* const files[] = {"htm", "html", "shtml", "xhtml", "php",  "asp", "aspx", "jsp", "cfm",
                                        "jpg", "jpeg", "png",   "gif",   "webp", "svg", "pdf",  "txt", "xml"};
    return std::find(std::begin(files), std::end(files), last) == std::end(files);
}

std::string Megabytes(std::uintmax_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

std::string ItemList(const std::vector<int>& items) {
    std::string text = items.size() == 1 ? "item " : "items ";
    for (std::size_t k = 0; k < items.size(); ++k) text += (k ? ", " : "") + std::to_string(items[k] + 1);
    return text;
}

void CheckFirstViewWeight(const SliderSettings& applet, const SliderItemList& items,
                          const fs::path& projectFolder, const fs::path& prepared,
                          std::vector<CheckFinding>& out) {
    const std::vector<int> first = FirstLoadedItems(applet, items);
    std::set<std::string> seen, seenDouble;
    std::uintmax_t weight = 0, doubleWeight = 0;
    int unknown = 0;
    bool anyDouble = false;
    for (int k : first) {
        const SliderItem& item = items[static_cast<std::size_t>(k)];
        std::error_code ec;
        if (item.ImageFile.empty()) {
            // Not prepared yet; one without a picture never is, and shows nothing.
            if (SourceImageExists(item.OriginalImagePath, projectFolder)) ++unknown;
        } else if (seen.insert(item.ImageFile).second) {
            const std::uintmax_t size = fs::file_size(prepared / item.ImageFile, ec);
            if (ec)
                ++unknown;
            else
                weight += size;
        }
        // A screen of high density loads the double copy where there is one.
        const std::string& dense = item.DoubleImageFile.empty() ? item.ImageFile : item.DoubleImageFile;
        anyDouble = anyDouble || !item.DoubleImageFile.empty();
        if (!dense.empty() && seenDouble.insert(dense).second) {
            const std::uintmax_t size = fs::file_size(prepared / dense, ec);
            if (!ec) doubleWeight += size;
        }
    }
    if (weight > kFirstViewLimit || (anyDouble && doubleWeight > kFirstViewLimit)) {
        std::string text = "Slider: the first view weighs " + Megabytes(weight);
        if (anyDouble) text += " (" + Megabytes(doubleWeight) + " on high-density screens)";
        text += ", more than 1 MB: the pictures of " + ItemList(first) +
                " load first, and a visitor on a slow line waits for them. Put smaller pictures first, or "
                "lower the slider's height";
        out.push_back({CheckKind::HeavyFirstView, -1, text});
    } else if (unknown > 0) {
        out.push_back({CheckKind::UnknownWeight, -1,
                       "Slider: the first view cannot be weighed yet: " + std::to_string(unknown) +
                           " of the pictures it loads first are not prepared (Preview prepares them)"});
    }
}

}  // namespace

std::string LinkProblem(const std::string& link) {
    // Browsers drop tabs and line breaks from addresses and ignore blanks
    // before them, so "java\tscript:" runs as script too.
    std::string bare;
    for (char c : link)
        if (c != '\t' && c != '\n' && c != '\r') bare += c;
    const std::string trimmed = Trim(bare);
    if (trimmed.empty()) return {};
    std::string scheme;
    if (HasScheme(trimmed, &scheme) && scheme == "javascript")
        return "its link runs a script (javascript:) instead of opening a page: screen readers cannot say "
               "where "
               "it leads and many sites block it";
    for (unsigned char c : link) {
        if (c == ' ') return "its link \"" + link + "\" is no valid address: it holds a space (write %20)";
        if (c < 0x20 || c == 0x7F)
            return "its link \"" + link + "\" is no valid address: it holds a control character";
        if (c == '\\')
            return "its link \"" + link + "\" is no valid address: it holds a backslash (addresses use /)";
        if (c == '"' || c == '<' || c == '>')
            return "its link \"" + link + "\" is no valid address: it holds the character " +
                   static_cast<char>(c);
    }
    if (!HasScheme(trimmed, &scheme)) {
        // "images/a.jpg", "/shop/" and "page.html" are addresses on the site
        // itself; what starts like a site's name ("www.example.com") was
        // meant as one and would be looked for as a file beside the page.
        if (!LooksLikeSiteName(trimmed)) return {};
        return "its link \"" + link +
               "\" has no scheme such as https://: the browser looks for a file of that name beside the page";
    }
    const std::string rest = trimmed.substr(scheme.size() + 1);
    if ((scheme == "http" || scheme == "https" || scheme == "ftp") &&
        (rest.rfind("//", 0) != 0 || rest.size() == 2 || rest[2] == '/'))
        return "its link \"" + link + "\" is no valid address: it names no site after " + scheme + "://";
    if (rest.empty() || rest == "//")
        return "its link \"" + link + "\" is no valid address: nothing follows the scheme";
    return {};
}

std::vector<int> FirstLoadedItems(const SliderSettings& applet, const SliderItemList& items) {
    SliderSettings shown;
    try {
        shown = AdjustBorders(applet);
    } catch (const Error&) {
        return {};
    }
    const auto height = Number(shown.Height), step = Number(shown.Step), delay = Number(shown.Delay),
               gap = Number(shown.Gap), trailer = Number(shown.TrailerSpace),
               imageBorder = Number(shown.ImageBorderWidth), boxBorder = Number(shown.ContainerBorderWidth);
    if (!height || !step || !delay || !gap || !trailer || !imageBorder || !boxBorder) return {};
    auto whole = [](long long v) { return std::max(0LL, v); };

    // As the engine lays the column out: each shown picture, its border
    // and the gap, then the trailer space once.
    std::vector<int> shownItems;
    std::vector<std::pair<double, double>> spans;
    const double iby = 2.0 * static_cast<double>(whole(*imageBorder));
    double y = 0;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const auto h = Number(items[k].ImageHeight);
        if (!h || *h <= 0) continue;  // no height: the engine leaves it out
        y += static_cast<double>(*h) + iby + static_cast<double>(whole(*gap));
        spans.emplace_back(y - static_cast<double>(*h) - iby - static_cast<double>(whole(*gap)),
                           y - static_cast<double>(whole(*gap)));
        shownItems.push_back(static_cast<int>(k));
    }
    const double period = y + static_cast<double>(whole(*trailer));
    const double view =
        std::max(0.0, static_cast<double>(whole(*height)) - 2.0 * static_cast<double>(*boxBorder));
    const double speed = static_cast<double>(*step) / static_cast<double>(std::max(*delay, 10LL));

    // The first fetch: the view and what the next view and 16 seconds of
    // motion bring, or, for a slider that cannot move, the view around.
    const double copies = period >= 1 ? 1 + std::ceil(view / period) : 0;
    const bool moving = copies > 0 && copies <= 64 && !spans.empty() && speed != 0;
    double from = 0, to = 2 * view;
    if (moving) {
        const double ahead = 2 * view + 16000 * std::abs(speed);
        from = speed > 0 ? 0 : -ahead;
        to = view + (speed > 0 ? ahead : 0);
    }
    std::vector<int> first;
    const double a = period > 0 ? std::fmod(std::fmod(from, period) + period, period) : 0;
    const double b = a + to - from;
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const auto [top, bottom] = spans[k];
        const bool meets =
            to - from >= period || (top < b && bottom > a) || (top + period < b && bottom + period > a);
        if (meets) first.push_back(shownItems[k]);
    }
    return first;
}

std::vector<CheckFinding> CheckBeforePublishing(const SliderSettings& applet, const SliderItemList& items,
                                                const fs::path& projectFolder,
                                                const fs::path& preparedFolder) {
    std::vector<CheckFinding> out;
    if (Trim(applet.SliderName) == kDefaultSliderName)
        out.push_back({CheckKind::DefaultSliderName, -1,
                       std::string("Slider: its name is still \"") + kDefaultSliderName +
                           "\": two sliders of that name on one page get in each other's way. Give it a "
                           "name of its own (Script, General)"});
    const std::optional<long long> sliderWidth = Number(applet.Width);
    std::unordered_map<FileIdentity, int, FileIdentityHash> firstUse;

    for (int k = 0; k < static_cast<int>(items.size()); ++k) {
        const SliderItem& item = items[static_cast<std::size_t>(k)];
        const std::string name = ItemName(items, k);
        auto add = [&](CheckKind kind, const std::string& text) {
            out.push_back({kind, k, name + ": " + text});
        };

        if (Trim(item.OriginalImagePath).empty()) {
            add(CheckKind::MissingPicture, "it has no picture");
        } else if (!SourceImageExists(item.OriginalImagePath, projectFolder)) {
            add(CheckKind::MissingPicture,
                "its picture \"" + SourceImagePath(item.OriginalImagePath, projectFolder).string() +
                    "\" is missing");
        } else {
            const fs::path source = SourceImagePath(item.OriginalImagePath, projectFolder);
            if (const auto id = IdentifyFile(source)) {
                const auto [earlier, isNew] = firstUse.emplace(*id, k);
                if (!isNew)
                    add(CheckKind::SamePicture, "it shows the same picture as " +
                                                    ItemName(items, earlier->second) +
                                                    "; the visitor sees it twice");
            }
            try {
                const JpegHeader header = ReadJpegHeader(source);
                if (sliderWidth && header.width < *sliderWidth)
                    add(CheckKind::Enlarged, "its picture is " + std::to_string(header.width) +
                                                 " pixels wide, narrower than the slider (" +
                                                 std::to_string(*sliderWidth) +
                                                 "): it is enlarged and looks blurred");
            } catch (const Error& e) {
                add(CheckKind::MissingPicture, std::string("its picture cannot be read: ") + e.what());
            }
        }
        if (Trim(item.ToolTip).empty())
            add(CheckKind::NoDescription,
                "it has no description (Tooltip): a screen reader says the link address, or nothing");
        const std::string link =
            RewriteLink(item.Link, applet.RootDirLocal, applet.RootDirRemote, applet.RootDirLocalChecked);
        if (const std::string problem = LinkProblem(link); !problem.empty())
            add(problem.find("javascript:") != std::string::npos ? CheckKind::ScriptLink
                                                                 : CheckKind::InvalidLink,
                problem);
    }
    CheckFirstViewWeight(applet, items, projectFolder, preparedFolder, out);
    return out;
}

}  // namespace marivel
