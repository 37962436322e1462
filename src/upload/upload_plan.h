#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "upload/upload_manifest.h"

namespace marivel {

struct PublishPlan;

// Where a published file stands in the upload order. Whatever a file names
// goes up before it: the pictures before the configuration script that
// lists them, the stylesheet and engine before the page that loads them,
// and the page last.
enum class FileRole { Picture = 0, StyleOrEngine = 1, ConfigScript = 2, Page = 3 };

// A file of the local publish, with what it holds now.
struct LocalFile {
    std::string name;
    FileRole role = FileRole::Picture;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;  // XXH64
};

// A file on the server as its folder listing shows it.
struct RemoteEntry {
    std::string name;
    std::uint64_t size = 0;
};

// The files of a save that a web site needs (the page, engine, stylesheet,
// configuration script and pictures; not the project file, which names the
// user's own folders, nor the report), as the plan lists them and as they
// lie in its folder now, in upload order. A planned file the save did not
// write (an engine that was not shipped, an image never prepared) is left
// out. Throws Error for a file that cannot be read.
std::vector<LocalFile> PublishedFiles(const PublishPlan& plan);

// The XXH64 of a file's bytes and its size; throws Error.
UploadedFile HashFile(const std::filesystem::path& path);

// What an upload does, in this order: put every file of `puts` (already in
// upload order), then remove every file of `removals`.
struct UploadPlan {
    std::vector<LocalFile> puts;
    std::vector<LocalFile> unchanged;
    std::vector<std::string> removals;
    std::uint64_t bytesToSend() const;
};

// Plans an upload of `files` over what the record says was put there.
// A file goes up when it is new or its size or hash differ from the record.
// With a listing ("check the server"), a file also goes up when the server
// lacks it or holds it at another size. Only the recorded files that this
// save no longer publishes are removed; nothing the uploader did not put
// there is ever removed.
UploadPlan PlanUpload(const std::vector<LocalFile>& files, const UploadManifest& manifest,
                      const std::optional<std::vector<RemoteEntry>>& listing = std::nullopt);

// The name a file goes up under before it is renamed over its own name:
// hidden, of a fixed length whatever the name, and told apart from a
// user's files by its pattern.
std::string TemporaryRemoteName(const std::string& name);
bool IsTemporaryRemoteName(const std::string& name);

}  // namespace marivel
