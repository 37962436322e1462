#include "upload/upload_plan.h"

#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "model/agent.h"
#include "model/error.h"
#include "output/publish_plan.h"
#include "upload/server_address.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

struct StateDeleter {
    void operator()(XXH64_state_t* state) const { XXH64_freeState(state); }
};

FileRole RoleOf(const PublishPlan& plan, const std::string& name) {
    if (name == plan.pageFile()) return FileRole::Page;
    if (name == kConfigScriptFile) return FileRole::ConfigScript;
    return FileRole::StyleOrEngine;
}

constexpr const char* kTemporaryPrefix = ".marivel-upload-";
constexpr const char* kTemporarySuffix = ".part";

}  // namespace

UploadedFile HashFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error("Cannot read \"" + path.string() + "\". " + std::strerror(errno));
    std::unique_ptr<XXH64_state_t, StateDeleter> state(XXH64_createState());
    XXH64_reset(state.get(), 0);
    UploadedFile file;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw Error("Cannot read \"" + path.string() + "\". " + std::strerror(error));
        }
        if (got == 0) break;
        XXH64_update(state.get(), buffer.data(), static_cast<std::size_t>(got));
        file.size += static_cast<std::uint64_t>(got);
    }
    ::close(fd);
    file.hash = XXH64_digest(state.get());
    return file;
}

std::vector<LocalFile> PublishedFiles(const PublishPlan& plan) {
    std::vector<LocalFile> files;
    auto add = [&](const std::string& name, FileRole role) {
        std::error_code ec;
        if (!fs::is_regular_file(plan.folder / name, ec)) return;
        if (!IsSafeRemoteName(name))
            throw Error("The file \"" + name + "\" cannot be uploaded: its name holds a control character");
        const UploadedFile hashed = HashFile(plan.folder / name);
        files.push_back({name, role, hashed.size, hashed.hash});
    };
    for (const std::string& name : plan.images) add(name, FileRole::Picture);
    for (const std::string& name : plan.siteFiles)
        if (name != plan.projectFile && name != plan.reportFile()) add(name, RoleOf(plan, name));
    std::stable_sort(files.begin(), files.end(),
                     [](const LocalFile& a, const LocalFile& b) { return a.role < b.role; });
    return files;
}

std::uint64_t UploadPlan::bytesToSend() const {
    std::uint64_t total = 0;
    for (const LocalFile& file : puts) total += file.size;
    return total;
}

UploadPlan PlanUpload(const std::vector<LocalFile>& files, const UploadManifest& manifest,
                      const std::optional<std::vector<RemoteEntry>>& listing) {
    std::map<std::string, std::uint64_t> onServer;
    if (listing)
        for (const RemoteEntry& entry : *listing) onServer[entry.name] = entry.size;
    UploadPlan plan;
    std::set<std::string> published;
    for (const LocalFile& file : files) {
        published.insert(file.name);
        const auto recorded = manifest.files().find(file.name);
        bool send =
            recorded == manifest.files().end() || !(recorded->second == UploadedFile{file.size, file.hash});
        if (listing) {
            const auto there = onServer.find(file.name);
            send = send || there == onServer.end() || there->second != file.size;
        }
        (send ? plan.puts : plan.unchanged).push_back(file);
    }
    std::stable_sort(plan.puts.begin(), plan.puts.end(),
                     [](const LocalFile& a, const LocalFile& b) { return a.role < b.role; });
    for (const auto& [name, file] : manifest.files())
        if (!published.count(name)) plan.removals.push_back(name);
    return plan;
}

std::string TemporaryRemoteName(const std::string& name) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(XXH64(name.data(), name.size(), 0)));
    return std::string(kTemporaryPrefix) + hash + kTemporarySuffix;
}

bool IsTemporaryRemoteName(const std::string& name) {
    const std::string prefix = kTemporaryPrefix, suffix = kTemporarySuffix;
    if (name.size() != prefix.size() + 16 + suffix.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    return name.find_first_not_of("0123456789abcdef", prefix.size()) == prefix.size() + 16;
}

}  // namespace marivel
