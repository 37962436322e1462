#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace marivel {

// What one file looked like when the uploader put it on the server.
struct UploadedFile {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;  // XXH64 of its bytes
    bool operator==(const UploadedFile&) const = default;
};

// The uploader's record, per server folder, of the files it put there: what
// it may skip next time (unchanged) and the only files it may ever remove.
// It lives in the user's data folder, never beside the project: a project
// copied to another computer must not remove files there. It is written
// after every file, so an interrupted upload still knows what it did.
class UploadManifest {
public:
    // The record of the server address `key` (ServerAddress::text()) in the
    // given folder; empty when there is none yet. A record that cannot be
    // read is an error: guessing would either re-send or orphan files.
    static UploadManifest Load(const std::filesystem::path& folder, const std::string& key);
    // The folder the records are kept in: "uploads" in the user's data folder.
    static std::filesystem::path DefaultFolder();

    const std::map<std::string, UploadedFile>& files() const { return files_; }
    void put(const std::string& name, const UploadedFile& file) { files_[name] = file; }
    void erase(const std::string& name) { files_.erase(name); }
    // Writes the record whole beside the old one and renames it over.
    void save() const;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::string key_;
    std::map<std::string, UploadedFile> files_;
};

}  // namespace marivel
