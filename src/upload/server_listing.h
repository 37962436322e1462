#pragma once

#include <string>
#include <vector>

#include "upload/upload_plan.h"

namespace marivel {

// Server listings are read as hostile: a name that is not a plain file name
// (IsSafeRemoteName) or an entry that is not a plain file is skipped, and a
// size that is not a number drops the entry. The uploader only compares
// these names with its own; it never writes or removes a name it read here.

// The regular files of a long listing, "-rw-r--r-- 1 owner group SIZE Mon
// DD HH:MM NAME" per line, as SFTP and FTP LIST give it.
std::vector<RemoteEntry> ParseLongListing(const std::string& text);

// The plain files directly in `folderPath` (percent-decoded, ending in '/')
// of a WebDAV PROPFIND answer of depth 1.
std::vector<RemoteEntry> ParsePropfindListing(const std::string& xml, const std::string& folderPath);

}  // namespace marivel
