#pragma once

#include <string>
#include <string_view>

namespace marivel {

// Makes text safe inside a single-quoted JavaScript string literal that sits
// in a page's <script>: backslash, apostrophe, CR, LF, the UTF-8 line and
// paragraph separators and "</" are escaped; every other byte is copied as is,
// so text in the system code page reaches the browser unchanged.
std::string EscapeForScriptString(std::string_view text);

// True when the slider name can stem the generated script's identifiers
// ("CI" + name, "Init" + name, name + "cfg"): an ASCII letter, "_" or "$",
// followed by ASCII letters, digits, "_" or "$".
bool IsScriptIdentifier(std::string_view name);

// Replaces every occurrence of `from` by `to`, matching without regard to
// ASCII letter case, left to right without overlap; inserted text is not
// searched again. An empty `from` leaves the text unchanged.
std::string ReplaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to);

// The link with one root directory swapped for the other: the web root for
// the local one when localChecked is exactly "1", the other way round
// otherwise. Links are unchanged unless both roots are non-blank.
std::string RewriteLink(std::string_view link, std::string_view rootLocal, std::string_view rootRemote,
                        std::string_view localChecked);

// The name published files are called after: the file name with every
// occurrence of its extension (the last "." and what follows) removed,
// ignoring case. "my.slider.mvl" gives "my.slider", "demo.txt" gives "demo".
std::string PublishBaseName(std::string_view fileName);

}  // namespace marivel
