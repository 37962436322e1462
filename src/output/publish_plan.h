#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/design_tree.h"

namespace marivel {

class DocumentAgent;

// The files one save writes into its folder, worked out before the first
// of them is written, so the save can be checked, and the user asked, first.
struct PublishPlan {
    std::filesystem::path folder;
    std::string projectFile;  // the project file's name, written exactly so
    std::string baseName;     // what the page and the report are named after
    // The page, the engine files, the project file and the report.
    std::vector<std::string> siteFiles;
    // The prepared images published, without repeats: the new names of the
    // items prepared again, the kept names of the others.
    std::vector<std::string> images;
    // By item: whether the generation prepares its image again (the tree
    // walks it and its original image exists) rather than keeping its name.
    std::vector<bool> preparedAgain;

    std::string pageFile() const { return baseName + ".html"; }
    std::string reportFile() const { return baseName + "_PublishReport.txt"; }
    // siteFiles, then images.
    std::vector<std::string> files() const;
    // The files of the plan that exist now, other than the project file
    // (whose replacing the user confirms on its own), in plan order.
    std::vector<std::string> existingFilesReplaced() const;
};

// The project file a name typed in the save dialog leads to: the name
// itself when it ends in ".mvl" in any letter case, else the name with
// ".mvl" appended ("demo.txt" gives "demo.txt.mvl").
std::filesystem::path ProjectFileForTypedName(const std::filesystem::path& typed);

// The plan of a save of the agent's project into projectFile (its folder
// and name). An item is prepared again when the tree walks it and its
// original image exists; the others keep their image name.
PublishPlan PlanPublish(const DocumentAgent& agent, const DesignTree& tree,
                        const std::filesystem::path& projectFile);

// The files the last publish of projectFile wrote beside it, as the report
// it wrote tells: the page, the project file, the report, and the scripts
// and images the report lists. Empty when there is no report.
std::vector<std::string> FilesLastPublishedWith(const std::filesystem::path& projectFile);

// Another project in the plan's folder whose last publish wrote files this
// save would replace.
struct ForeignFiles {
    std::string project;             // its file name
    std::vector<std::string> files;  // the plan's files its publish wrote
};
std::vector<ForeignFiles> FilesOfOtherProjects(const PublishPlan& plan);

// Throws Error, naming the item, when a kept prepared-image name equals,
// ignoring letter case, another file the save writes: the page, an engine
// script, the project file, the report, or another item's image. Published,
// such an image would replace that file (a project pack's script run as the
// engine, the project file by an old one) or show another item's picture.
void CheckPreparedImageNames(const DocumentAgent& agent, const PublishPlan& plan);

// Throws the error of the first file of the plan that could not be written
// now, before any is written.
void CheckPlanCanBeWritten(const PublishPlan& plan);

}  // namespace marivel
