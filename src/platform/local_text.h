#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace marivel {

// The core keeps text as bytes in the system code page; the GUI shows
// QStrings. Every crossing of that edge goes through these.
inline QString toQt(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}

inline std::string fromQt(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

inline std::filesystem::path toLocalPath(const QString& path) {
    return std::filesystem::path(fromQt(path));
}

}  // namespace marivel
