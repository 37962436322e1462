#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "model/agent.h"
#include "model/design_tree.h"

namespace marivel {

// The document agent with the operations that write what the web site
// needs: the generated page, scripts and images, the preview folder and
// publishing. They belong to the output library, which builds on the model;
// the model's agent knows nothing of them, and code that only reads and
// writes projects holds a DocumentAgent.
class PublishingAgent : public DocumentAgent {
public:
    using DocumentAgent::DocumentAgent;

    void MakeHTMLCodes(const std::filesystem::path& pagePath, DesignTree& tree);
    void CopyToPreview(const std::filesystem::path& filePath);
    // Writes `bytes` into the preview folder as `name` and records the name,
    // as CopyToPreview does for a file.
    void PutInPreview(const std::string& name, std::string_view bytes);
    void ClearPreview();
    // The engine script from ShippedFolder(), the generated files from folder.
    void CopyEngineFilesToPreview(const std::filesystem::path& folder);
    void CopyResourceFiles(const std::filesystem::path& folder);
    // Writes the project file folder/B.mvl, B being fileName without its
    // extension, and publishes beside it: SaveAndPublishProject.
    bool SaveAndPublish(const std::filesystem::path& folder, const std::string& fileName, DesignTree& tree);
    // Writes the project into exactly projectFile and publishes the page,
    // the scripts, the report and the images beside it. Everything that can
    // be refused (values the files cannot hold, clashing names, a file that
    // cannot be written) is refused before the first file is written.
    // Waits while another save of this user into the folder runs, as long
    // as the display's keepWaiting says; false when it gave up, with nothing
    // written. An error after files were written names those files.
    bool SaveAndPublishProject(const std::filesystem::path& projectFile, DesignTree& tree);
    void MakePublishReport(const std::filesystem::path& folder, const std::string& fileName);
};

}  // namespace marivel
