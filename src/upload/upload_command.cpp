#include "upload/upload_command.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "output/publish_plan.h"
#include "upload/uploader.h"

namespace marivel {

namespace {

bool AskOnTerminal(const HostKeyQuestion& question, std::ostream& out) {
    if (!::isatty(STDIN_FILENO)) return false;
    out << "The SSH server " << question.host << " is not among your known hosts.\n"
        << "Its " << question.keyType << " key fingerprint is " << question.fingerprint << ".\n"
        << "Trust it and add it to known_hosts? [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace

int RunUploadCommand(const UploadCommand& command, const PublishPlan& plan, std::ostream& out,
                     std::ostream& err) {
    UploadRequest request;
    request.address = command.address;
    request.folder = plan.folder;
    request.checkServer = command.checkServer;
    request.recordFolder = UploadManifest::DefaultFolder();
    try {
        request.files = PublishedFiles(plan);
        if (command.dryRun) {
            const UploadPlan planned = PlanUploadFromRecord(request);
            out << "would upload to " << command.address.text() << ":\n";
            for (const LocalFile& file : planned.puts)
                out << "  put " << file.name << " (" << file.size << " bytes)\n";
            for (const std::string& name : planned.removals) out << "  remove " << name << "\n";
            out << planned.puts.size() << " files (" << planned.bytesToSend() << " bytes) to upload, "
                << planned.removals.size() << " to remove, " << planned.unchanged.size() << " unchanged\n";
            return kUploadComplete;
        }
    } catch (const std::exception& e) {
        err << "marivel-publish: " << e.what() << "\n";
        return kUploadNothing;
    }
    UploadOptions options;
    if (const char* password = std::getenv("MARIVEL_UPLOAD_PASSWORD"))
        options.password = std::string(password);
    options.caFile = command.caFile;
    options.allowUnencrypted = command.allowUnencrypted;
    options.trustNewHost = [&](const HostKeyQuestion& question) { return AskOnTerminal(question, err); };
    std::size_t shown = 0;
    const UploadOutcome outcome = Upload(request, options, [&](const UploadProgress& progress) {
        if (progress.step != shown) {
            shown = progress.step;
            out << "[" << progress.step << "/" << progress.steps << "] " << progress.file << "\n"
                << std::flush;
        }
        return true;
    });
    if (outcome.result != UploadOutcome::Result::Complete) {
        err << "marivel-publish: " << outcome.error << "\n";
        return outcome.result == UploadOutcome::Result::Partial ? kUploadPartial : kUploadNothing;
    }
    out << "uploaded " << outcome.replaced.size() << " files (" << outcome.plan.bytesToSend()
        << " bytes of files, " << outcome.bytesSent << " bytes sent), removed " << outcome.removed.size()
        << ", " << outcome.plan.unchanged.size() << " unchanged\n";
    return kUploadComplete;
}

}  // namespace marivel
