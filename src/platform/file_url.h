#pragma once

#include <QString>

namespace marivel {

// The URL the help window is navigated to for a file: on Linux "file://"
// followed by the absolute path (which begins with "/"), ":" being a legal
// file-name character there; in the Windows style, backslashes become "/",
// ":" becomes "|" and "file:///" goes in front. Nothing else is encoded.
enum class PathStyle { Posix, Windows };
QString PathToFileUrl(const QString& path, PathStyle style =
#ifdef Q_OS_WIN
                                               PathStyle::Windows
#else
                                               PathStyle::Posix
#endif
);

}  // namespace marivel
