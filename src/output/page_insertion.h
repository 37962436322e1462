#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace marivel {

// The comments that frame what Insert into Page puts into a site's own page.
// A user places the opening one where the slider belongs; the closing one is
// ours. A later insertion replaces exactly what lies between them.
inline constexpr std::string_view kHeadMarker = "<!-- Marivel head -->";
inline constexpr std::string_view kHeadEndMarker = "<!-- /Marivel head -->";
inline constexpr std::string_view kSliderMarker = "<!-- Marivel slider -->";
inline constexpr std::string_view kSliderEndMarker = "<!-- /Marivel slider -->";

// The page with the head code and the slider's <div> put in: the head code
// between our head markers before </head> (or at a head marker already in
// the page), the div between our slider markers at the user's slider marker
// (or before </body>). A page that already holds our blocks has their
// contents replaced, so running it again changes no byte. Every byte outside
// the inserted text is kept; the inserted lines end as the page's lines do
// (CR LF, LF or CR). Characters outside ASCII are written as character
// references unless the page declares UTF-8, so the page's own encoding
// stays right.
//
// Throws Error, with what to do about it, when the page cannot be edited
// safely: no </head> or </body> and no marker, either tag or a marker found
// twice, a closing marker without its opening one, the slider marker inside
// the head, a page in UTF-16 or one that is no text at all.
std::string InsertIntoPage(std::string_view page, const std::vector<std::string>& headLines,
                           const std::vector<std::string>& divLines);

// What InsertIntoPageFile did.
enum class PageInsertResult {
    Inserted,   // the page was rewritten; its old bytes are in the backup
    Unchanged,  // the page already held exactly this insertion: nothing written
};

// The backup Insert into Page keeps of a page: "page.html~" beside it.
std::filesystem::path PageBackupPath(const std::filesystem::path& page);

// Reads the page, inserts and writes it back whole (the old page stays
// whole until the new one is complete), after writing the old bytes to the
// one backup beside it, which a later run replaces. Refuses (Error), writing
// nothing, a page that is a symbolic link or no regular file, a backup name
// taken by a link or a folder, and any page InsertIntoPage refuses.
PageInsertResult InsertIntoPageFile(const std::filesystem::path& page,
                                    const std::vector<std::string>& headLines,
                                    const std::vector<std::string>& divLines);

}  // namespace marivel
