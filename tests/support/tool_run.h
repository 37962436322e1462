#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace marivel::test {

// A text as one word of a POSIX shell command line, whatever it holds.
inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What a program run by a test did: its exit code (-1 when a signal ended
// it) and what it wrote.
struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Runs a shell command line with its output caught in two files of folder,
// which must be the test's own: the files are replaced at each run.
inline ToolRun RunTool(const std::string& commandLine, const std::filesystem::path& folder) {
    const std::filesystem::path out = folder / "stdout";
    const std::filesystem::path err = folder / "stderr";
    const std::string command =
        commandLine + " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string());
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(out), ReadBytes(err)};
}

}  // namespace marivel::test
