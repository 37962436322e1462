#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

#include "upload/server_address.h"

namespace marivel {

struct PublishPlan;

// What marivel-publish was asked to upload.
struct UploadCommand {
    ServerAddress address;
    bool dryRun = false;
    bool checkServer = false;
    bool allowUnencrypted = false;
    std::filesystem::path caFile;
};

// The exit codes of an upload: every file is on the server, or nothing was
// changed there, or some files were replaced before it stopped.
inline constexpr int kUploadComplete = 0;
inline constexpr int kUploadNothing = 3;
inline constexpr int kUploadPartial = 4;

// Uploads the files the publish `plan` wrote, printing each step on `out`
// and a failure on `err`; returns one of the exit codes above. The password
// comes from MARIVEL_UPLOAD_PASSWORD or ~/.netrc, SSH also takes the agent
// and ~/.ssh keys. An SSH host that known_hosts lacks is asked about when
// the input is a terminal, else refused.
int RunUploadCommand(const UploadCommand& command, const PublishPlan& plan, std::ostream& out,
                     std::ostream& err);

}  // namespace marivel
