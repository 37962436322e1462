#include "upload/uploader.h"

#include "model/error.h"

namespace marivel {

namespace {

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string Stopped(const std::string& reason, const UploadOutcome& outcome) {
    std::string text = reason;
    if (!text.empty() && text.back() != '.') text += '.';
    if (outcome.replaced.empty() && outcome.removed.empty())
        return text + "\nNothing on the server was changed";
    if (!outcome.replaced.empty())
        text += "\nAlready replaced on the server: " + Joined(outcome.replaced) + ".";
    if (!outcome.removed.empty())
        text += "\nAlready removed from the server: " + Joined(outcome.removed) + ".";
    return text + "\nEvery other file there is as it was; the next upload finishes the job";
}

}  // namespace

UploadPlan PlanUploadFromRecord(const UploadRequest& request) {
    const UploadManifest manifest = UploadManifest::Load(request.recordFolder, request.address.text());
    return PlanUpload(request.files, manifest);
}

UploadOutcome Upload(const UploadRequest& request, UploadOptions options,
                     const std::function<bool(const UploadProgress&)>& progress) {
    UploadOutcome outcome;
    UploadManifest manifest = UploadManifest::Load(request.recordFolder, request.address.text());
    UploadProgress now;
    std::uint64_t finishedBytes = 0;
    options.keepGoing = [&](std::uint64_t sentOfFile) {
        if (!progress) return true;
        UploadProgress shown = now;
        shown.bytesDone = finishedBytes + sentOfFile;
        return progress(shown);
    };
    try {
        ServerConnection server(request.address, options);
        std::optional<std::vector<RemoteEntry>> listing;
        if (request.checkServer) listing = server.list();
        outcome.plan = PlanUpload(request.files, manifest, listing);
        const UploadPlan& plan = outcome.plan;
        now.steps = plan.puts.size() + plan.removals.size();
        now.bytesTotal = plan.bytesToSend();
        for (const LocalFile& file : plan.puts) {
            ++now.step;
            now.file = file.name;
            now.bytesDone = finishedBytes;
            if (progress && !progress(now)) throw Error("The upload was cancelled before " + file.name);
            // The file may have changed since it was planned; what goes up
            // is what is recorded.
            const UploadedFile sent = HashFile(request.folder / file.name);
            server.upload(request.folder / file.name, file.name);
            manifest.put(file.name, sent);
            manifest.save();
            outcome.replaced.push_back(file.name);
            finishedBytes += file.size;
        }
        for (const std::string& name : plan.removals) {
            ++now.step;
            now.file = name;
            if (progress && !progress(now)) throw Error("The upload was cancelled before removing " + name);
            server.remove(name);
            manifest.erase(name);
            manifest.save();
            outcome.removed.push_back(name);
        }
        outcome.bytesSent = server.bytesSent();
        outcome.result = UploadOutcome::Result::Complete;
    } catch (const std::exception& e) {
        outcome.error = Stopped(e.what(), outcome);
        const bool changed = !outcome.replaced.empty() || !outcome.removed.empty();
        outcome.result = changed ? UploadOutcome::Result::Partial : UploadOutcome::Result::Nothing;
    }
    return outcome;
}

}  // namespace marivel
