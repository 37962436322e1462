// The editor's command line, run with no display at all: what needs none
// must not need one.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "support/temp_dir.h"

namespace marivel {
namespace {

// Exit status, standard output and standard error of the editor.
std::tuple<int, std::string, std::string> RunEditor(const std::string& arguments) {
    test::TempDir dir;
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" MARIVEL_EDITOR_EXE "' " + arguments + " >'" +
        (dir / "out").string() + "' 2>'" + (dir / "err").string() + "' </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::ReadBytes(dir / "out"),
            test::ReadBytes(dir / "err")};
}

TEST(EditorCommandLine, HelpAndVersionNeedNoDisplayAndBadOptionsExitWithTwo) {
    const auto [helpStatus, help, helpErr] = RunEditor("-h");
    EXPECT_EQ(helpStatus, 0) << helpErr;
    EXPECT_EQ(help.rfind("Usage: marivel [options] [PROJECT.mvl]", 0), 0U) << help;
    EXPECT_NE(help.find("--version"), std::string::npos);
    EXPECT_EQ(help.find("platform"), std::string::npos) << "Qt's own options stay out of the usage";
    EXPECT_EQ(RunEditor("--version"),
              std::make_tuple(0, std::string("marivel " MARIVEL_VERSION "\n"), std::string()));

    for (const char* bad : {"--bogus", "-x", "--platform"}) {
        const auto [status, out, err] = RunEditor(bad);
        EXPECT_EQ(status, 2) << bad;
        EXPECT_EQ(out, "");
        EXPECT_EQ(err.rfind("marivel: ", 0), 0U) << err;
        EXPECT_NE(err.find("marivel --help"), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace marivel
