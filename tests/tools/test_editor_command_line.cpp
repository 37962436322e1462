// The editor's command line, run as a user would, with no display at all:
// what needs none must not need one.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace marivel {
namespace {

struct EditorRun {
    int status = -1;
    std::string out, err;
};

EditorRun RunEditor(const std::string& arguments) {
    test::TempDir dir;
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" MARIVEL_EDITOR_EXE "' " + arguments + " >'" +
        (dir / "out").string() + "' 2>'" + (dir / "err").string() + "' </dev/null";
    const int raw = std::system(command.c_str());
    EditorRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = test::ReadBytes(dir / "out");
    run.err = test::ReadBytes(dir / "err");
    return run;
}

TEST(EditorCommandLine, HelpAndVersionNeedNoDisplayAndBadOptionsExitWithTwo) {
    for (const char* help : {"--help", "-h"}) {
        const EditorRun run = RunEditor(help);
        EXPECT_EQ(run.status, 0) << help << run.err;
        EXPECT_EQ(run.out.rfind("Usage: marivel [options] [PROJECT.mvl]", 0), 0U) << run.out;
        EXPECT_NE(run.out.find("--version"), std::string::npos);
        EXPECT_EQ(run.out.find("platform"), std::string::npos) << "Qt's own options stay out of the usage";
    }
    const EditorRun version = RunEditor("--version");
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "marivel " MARIVEL_VERSION "\n");

    for (const char* bad : {"--bogus", "-x", "--platform"}) {
        const EditorRun run = RunEditor(bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("marivel: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("marivel --help"), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace marivel
