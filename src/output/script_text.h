#pragma once

#include <string>
#include <string_view>

namespace marivel {

// Makes UTF-8 text safe inside a single-quoted JavaScript string literal
// that sits in a page's <script>: backslash, apostrophe, line ends and other
// control characters and "</" are escaped, and every character outside ASCII
// is written as a \u escape (a surrogate pair beyond U+FFFF). The result is
// pure ASCII, so the text arrives intact whatever encoding the browser reads
// the script in. Bytes that are not UTF-8 are taken as Windows-1252.
std::string EscapeForScriptString(std::string_view text);

// Only the characters outside ASCII written as \u escapes: for values the
// script holds bare, where quoting escapes would change their meaning.
std::string EscapeNonAsciiForScript(std::string_view text);

// Makes UTF-8 text safe inside a double-quoted HTML attribute: & < > " and '
// become character references, and so does every character outside ASCII,
// so the page needs no declared encoding to show it.
std::string EscapeForHtmlAttribute(std::string_view text);

// True when the slider name can stem the generated script's identifiers
// ("CI" + name, "Init" + name, name + "cfg"): an ASCII letter, "_" or "$",
// followed by ASCII letters, digits, "_" or "$".
bool IsScriptIdentifier(std::string_view name);
// Throws Error when `name`, the value of the field `field`, is no such
// identifier; `use` says what it would have named ("the slider's script").
void CheckScriptIdentifier(std::string_view field, std::string_view name, std::string_view use);

// Replaces every occurrence of `from` by `to`, matching without regard to
// ASCII letter case, left to right without overlap; inserted text is not
// searched again. An empty `from` leaves the text unchanged.
std::string ReplaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to);

// The link with one root directory swapped for the other: the web root for
// the local one when localChecked is exactly "1", the other way round
// otherwise. Links are unchanged unless both roots are non-blank.
std::string RewriteLink(std::string_view link, std::string_view rootLocal, std::string_view rootRemote,
                        std::string_view localChecked);

// The link with every character beyond ASCII in its query (from the first
// "?" up to a "#") written as UTF-8 percent escapes, so the query means the
// same whatever encoding the page that follows it is read in. ASCII,
// existing "%" escapes included, and the rest of the link stay as they are.
// Bytes that are not UTF-8 are read as Windows-1252, like old project files.
std::string EncodeLinkQuery(std::string_view link);

// The name published files are called after: the file name with every
// occurrence of its extension (the last "." and what follows) removed,
// ignoring case. "my.slider.mvl" gives "my.slider", "demo.txt" gives "demo".
std::string PublishBaseName(std::string_view fileName);

}  // namespace marivel
