#pragma once

#include <filesystem>

#include "model/records.h"

namespace marivel {

// Where the document commands keep what they write for the user: the list of
// recently opened projects and the templates folder, in the folder the
// program writes into (the user's data folder when the program folder is
// only read). The shipped templates lie in the templates folder of the
// program folder itself. Every command asks here.
std::filesystem::path RecentFilesPath(const std::filesystem::path& programFolder);
std::filesystem::path TemplatesFolder(const std::filesystem::path& programFolder);

// The folder of the user's web site that the project's pictures point at,
// for a project that was never saved: the folder of the first item's
// picture, or its parent when only the parent holds an index page (photos
// kept in a folder of their own beside the page). Empty when no item names
// a picture in an existing folder.
std::filesystem::path SiteFolderOfPictures(const SliderItemList& items,
                                           const std::filesystem::path& projectFolder);

// The site's index page in folder: index.html, else index.htm; empty when
// there is neither.
std::filesystem::path IndexPageIn(const std::filesystem::path& folder);

// A project file to propose in folder: slider.mvl, else slider2.mvl,
// slider3.mvl... the first whose save would replace no file there of the
// same name. A save writes its page "<name>.html" and its report beside the
// project file, so a name whose page exists (the user's own slider.html) is
// passed over as well.
std::filesystem::path ProposedProjectFile(const std::filesystem::path& folder);

}  // namespace marivel
