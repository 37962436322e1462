#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <filesystem>
#include <string>
#include <vector>

#include "documents/browser_choice_dialog.h"
#include "platform/settings_store.h"
#include "support/temp_dir.h"

namespace marivel::test {

namespace fs = std::filesystem;
using Hive = SettingsStore::Hive;

// Writes a program that records how many arguments it got and each of them,
// one per line, into `record` (whole, so a reader never sees half of it).
inline void WriteRecorder(const fs::path& program, const fs::path& record) {
    fs::create_directories(program.parent_path());
    WriteBytes(program,
               "#!/bin/sh\n"
               "record='" +
                   record.string() +
                   "'\n"
                   "{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } "
                   "> \"$record.part\" && mv \"$record.part\" \"$record\"\n");
    fs::permissions(program, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
}

// The recorded lines, once the started program has written them.
inline std::vector<std::string> WaitForRecord(const fs::path& record) {
    QElapsedTimer waited;
    waited.start();
    while (!fs::exists(record) && waited.elapsed() < 30000) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    std::vector<std::string> lines;
    const std::string text = ReadBytes(record);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

inline void ChooseOwnProgram(SettingsStore& settings, const fs::path& program) {
    settings.writeBool(Hive::CurrentUser, kBrowsersKey, browser_values::kUseDefault, false);
    settings.writeBool(Hive::CurrentUser, kBrowsersKey, browser_values::kUseKnown, false);
    settings.writeBool(Hive::CurrentUser, kBrowsersKey, browser_values::kUseSpecified, true);
    settings.writeInteger(Hive::CurrentUser, kBrowsersKey, browser_values::kSelectedNumber, -1);
    settings.writeString(Hive::CurrentUser, kBrowsersKey, browser_values::kSpecifiedPath,
                         QString::fromStdString(program.string()));
}

}  // namespace marivel::test
