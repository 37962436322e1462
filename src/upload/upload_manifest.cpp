#include "upload/upload_manifest.h"

#include <xxhash.h>

#include <charconv>
#include <cstdio>
#include <system_error>

#include "model/error.h"
#include "model/text_file.h"
#include "model/user_folders.h"
#include "upload/server_address.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader = "Marivel upload record 1";

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool ParseNumber(std::string_view text, std::uint64_t& value, int base) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

fs::path UploadManifest::DefaultFolder() {
    return UserDataFolder() / "uploads";
}

UploadManifest UploadManifest::Load(const fs::path& folder, const std::string& key) {
    UploadManifest manifest;
    manifest.key_ = key;
    // One file per address, named after its hash so any address makes a
    // plain file name; the address itself is the first line, so two
    // addresses that hash alike never share a record.
    manifest.path_ = folder / ("server-" + Hex(XXH64(key.data(), key.size(), 0)) + ".txt");
    std::error_code ec;
    if (!fs::exists(manifest.path_, ec)) return manifest;
    const std::vector<std::string> lines = ReadTextLines(manifest.path_);
    const std::string broken = "The record of uploads \"" + manifest.path_.string() + "\" ";
    if (lines.size() < 2 || lines[0] != kHeader) throw Error(broken + "is not one this program wrote");
    if (lines[1] != key) throw Error(broken + "belongs to another server address, " + lines[1]);
    for (std::size_t k = 2; k < lines.size(); ++k) {
        // size TAB hash TAB name: the name last, so it may hold anything
        // but a line break.
        const std::string& line = lines[k];
        const std::size_t first = line.find('\t');
        const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        UploadedFile file;
        if (second == std::string::npos ||
            !ParseNumber(std::string_view(line).substr(0, first), file.size, 10) ||
            !ParseNumber(std::string_view(line).substr(first + 1, second - first - 1), file.hash, 16) ||
            !IsSafeRemoteName(line.substr(second + 1)))
            throw Error(broken + "is damaged at line " + std::to_string(k + 1));
        manifest.files_[line.substr(second + 1)] = file;
    }
    return manifest;
}

void UploadManifest::save() const {
    std::error_code ec;
    fs::create_directories(path_.parent_path(), ec);
    if (ec) throw Error("Cannot create the folder \"" + path_.parent_path().string() + "\". " + ec.message());
    AtomicTextWriter writer(path_);
    writer.writeLine(kHeader);
    writer.writeLine(key_);
    for (const auto& [name, file] : files_)
        writer.writeLine(std::to_string(file.size) + "\t" + Hex(file.hash) + "\t" + name);
    writer.commit();
}

}  // namespace marivel
