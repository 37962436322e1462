#pragma once

#include <QString>
#include <vector>

#include "platform/shell.h"

namespace marivel::test {

// A shell that records what the program asked it to open or start.
class RecordingShell final : public Shell {
public:
    bool openDocument(const QString& pathOrUrl) override {
        opened.push_back(pathOrUrl);
        return true;
    }
    bool startProgram(const QString& program, const QString& argument) override {
        started.emplace_back(program, argument);
        return true;
    }
    std::vector<QString> opened;
    std::vector<std::pair<QString, QString>> started;
};

}  // namespace marivel::test
