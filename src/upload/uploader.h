#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "upload/server_address.h"
#include "upload/server_connection.h"
#include "upload/upload_plan.h"

namespace marivel {

// Where an upload stands, for the progress display.
struct UploadProgress {
    std::string file;      // the file going up or being removed now
    std::size_t step = 0;  // 1-based, of `steps`
    std::size_t steps = 0;
    std::uint64_t bytesDone = 0;  // of the files' bytes, over the whole upload
    std::uint64_t bytesTotal = 0;
};

struct UploadOutcome {
    enum class Result { Complete, Partial, Nothing };
    Result result = Result::Nothing;
    UploadPlan plan;
    std::vector<std::string> replaced;  // put on the server, in order
    std::vector<std::string> removed;
    std::string error;  // why it stopped, with what was done; empty when complete
    std::uint64_t bytesSent = 0;
};

struct UploadRequest {
    ServerAddress address;
    std::filesystem::path folder;  // where the local files lie
    std::vector<LocalFile> files;  // PublishedFiles(), in upload order
    // Compare with the server's listing too, and put what it lacks.
    bool checkServer = false;
    // Where the records of uploads are kept (UploadManifest::DefaultFolder()).
    std::filesystem::path recordFolder;
};

// The upload `request` would make, from the record alone: what --dry-run
// shows. Throws Error for a record that cannot be read.
UploadPlan PlanUploadFromRecord(const UploadRequest& request);

// Uploads: new and changed pictures, then the stylesheet and engine, then
// the configuration script, then the page, each under a temporary name
// renamed over its own; then removes what the previous uploads put there
// and this save no longer publishes. The record is brought up to date after
// every file. A failure or a cancel (the progress callback answering false)
// stops at once; the outcome says what was replaced.
UploadOutcome Upload(const UploadRequest& request, UploadOptions options,
                     const std::function<bool(const UploadProgress&)>& progress = {});

}  // namespace marivel
