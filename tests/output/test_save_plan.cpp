// What a save writes, and that it refuses before writing anything: the
// project file under exactly its name, the checks of every target first, the
// names of prepared images, and the lock that lets one user's saves take turns.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "generator_fixture.h"
#include "model/error.h"
#include "model/folder_lock.h"
#include "model/save_lock.h"
#include "output/publish_plan.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

class SavePlan : public test::GeneratorFixture {
protected:
    SavePlan() { fs::create_directory(site); }

    // Every file in the site folder with its bytes.
    std::map<std::string, std::string> Site() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(site))
            files[entry.path().filename().string()] =
                entry.is_regular_file() ? ReadBytes(entry.path()) : "<dir>";
        return files;
    }

    fs::path site = dir / "site";
};

TEST_F(SavePlan, TheProjectFileIsWrittenUnderExactlyItsName) {
    struct Row {
        const char* typed;    // as typed in the save dialog
        const char* project;  // the project file it leads to and that is written
        const char* page;
    };
    const Row rows[] = {
        {"X.MVL", "X.MVL", "X.html"},
        {"a.Mvl", "a.Mvl", "a.html"},
        {"demo.txt", "demo.txt.mvl", "demo.txt.html"},
        {"b", "b.mvl", "b.html"},
        {"my.slider.mvl", "my.slider.mvl", "my.slider.html"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        fs::remove_all(site);
        fs::create_directory(site);
        const fs::path project = ProjectFileForTypedName(site / r.typed);
        EXPECT_EQ(project, site / r.project);
        ASSERT_TRUE(agent->SaveAndPublishProject(project, tree));
        std::string base = r.page;
        base.resize(base.size() - 5);
        const std::map<std::string, std::string> files = Site();
        EXPECT_EQ(files.size(), 6u);  // nothing under another spelling beside it
        for (const std::string& name :
             {std::string(r.project), std::string(r.page), base + "_PublishReport.txt"})
            EXPECT_TRUE(files.count(name)) << name;
    }
    // A project opened under another extension is saved over that file.
    WriteBytes(site / "demo.txt", "old");
    ASSERT_TRUE(agent->SaveAndPublishProject(site / "demo.txt", tree));
    EXPECT_NE(ReadBytes(site / "demo.txt").find("VSlider1"), std::string::npos);
    EXPECT_TRUE(fs::exists(site / "demo.html"));
    EXPECT_FALSE(fs::exists(site / "demo.mvl"));
}

TEST_F(SavePlan, ASaveThatCannotCompleteIsRefusedBeforeAnyFileIsWritten) {
    const bool root = ::geteuid() == 0;
    struct Row {
        const char* name;
        std::function<void()> arrange;
        std::string message;  // the start of the error
    };
    const Row rows[] = {
        {"a read-only project file",
         [&] {
             WriteBytes(site / "p.mvl", "old project");
             fs::permissions(site / "p.mvl", fs::perms::owner_read);
         },
         "Cannot write file \"" + (site / "p.mvl").string() + "\""},
        {"a folder where the report goes", [&] { fs::create_directory(site / "p_PublishReport.txt"); },
         "Cannot write file \"" + (site / "p_PublishReport.txt").string() + "\""},
        {"a slider 65,500 pixels wide", [&] { agent->AppletData.Width = "65500"; },
         "The slider width 65500 is too large: it can be at most 9999"},
        {"a slider 10,000 pixels high", [&] { agent->AppletData.Height = "10000"; },
         "The slider height 10000 is too large"},
        {"an image named as the engine", [&] { agent->Items[1].ImageFile = "Tessaline.JS"; },
         "The prepared image \"Tessaline.JS\" of item 2 has the name of the file \"tessaline.js\""},
        {"an image named as the project file", [&] { agent->Items[1].ImageFile = "P.mvl"; },
         "The prepared image \"P.mvl\" of item 2 has the name of the file \"p.mvl\""},
        {"an image named as the page", [&] { agent->Items[1].ImageFile = "p.html"; },
         "The prepared image \"p.html\" of item 2 has the name of the file \"p.html\""},
        {"an image named as another item's new image", [&] { agent->Items[1].ImageFile = "SLIDER0.jpg"; },
         "The prepared image \"SLIDER0.jpg\" of item 2 has the name of the image \"slider0.jpg\" of item 1"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (root && std::string(r.name) == "a read-only project file") continue;  // root writes anyway
        fs::remove_all(site);
        fs::create_directory(site);
        WriteBytes(site / "p.html", "hand-written page");
        WriteBytes(site / "tessaline.js", "old engine");
        agent->ResetProject();
        agent->AppletData.CfgName = "VSlider1cfg";
        tree.reset("Marivel");
        AddItem(Photo("a.jpg", 200, 100));
        AddItem("gone.jpg");
        r.arrange();
        const auto before = Site();
        try {
            agent->SaveAndPublishProject(site / "p.mvl", tree);
            ADD_FAILURE() << "saved";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, r.message.size()), r.message) << e.what();
        }
        EXPECT_EQ(Site(), before);
        std::error_code ignored;
        fs::permissions(site / "p.mvl", fs::perms::owner_all, fs::perm_options::replace, ignored);
    }
    // Two items that keep the same name share one picture, as they always could.
    fs::remove_all(site);
    fs::create_directory(site);
    agent->Items[1].ImageFile = "shared.jpg";
    AddItem("gone too.jpg");
    agent->Items[2].ImageFile = "shared.jpg";
    EXPECT_TRUE(agent->SaveAndPublishProject(site / "p.mvl", tree));
}

TEST_F(SavePlan, AnErrorAfterTheFirstFileIsWrittenNamesWhatWasWritten) {
    // The kept image cannot be read: everything before it is new and whole,
    // everything after it old, and the message says which is which.
    AddItem("gone.jpg");
    agent->Items[0].ImageFile = "kept.jpg";
    fs::create_directories(agent->PreviewFolder());
    ASSERT_EQ(::mkfifo((agent->PreviewFolder() / "kept.jpg").c_str(), 0600), 0);
    WriteBytes(site / "kept.jpg", "old picture");
    try {
        agent->SaveAndPublishProject(site / "p.mvl", tree);
        ADD_FAILURE() << "saved";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("This save had already written: p.html, tessaline.js, tessalinecfg.js, "
                               "tessaline.css, p.mvl, p_PublishReport.txt. Every other file is as it was"),
                  std::string::npos)
            << message;
    }
    EXPECT_EQ(ReadBytes(site / "kept.jpg"), "old picture");
    EXPECT_TRUE(fs::exists(site / "p.mvl"));
}

// Answers the lock's questions as a user would: give up at once, or wait.
class WaitingDisplay final : public ActivityDisplay {
public:
    void setHint(const std::string& text) override { hints.push_back(text); }
    void setBusy(bool) override {}
    void setProgressMaximum(int) override {}
    void advanceProgress(int) override {}
    void resetProgress() override {}
    bool keepWaiting(const std::string&, std::chrono::milliseconds) override {
        ++asked;
        return !giveUp;
    }
    void waitEnded() override { ++ended; }
    bool giveUp = false;
    int asked = 0, ended = 0;
    std::vector<std::string> hints;
};

TEST_F(SavePlan, OnlyTheUsersOwnSavesHoldASaveUpAndWaitingEndsWhenTheUserSays) {
    WaitingDisplay waiting;
    agent->SetDisplay(&waiting);
    fs::create_directory_symlink(site, dir / "link");
    struct Row {
        const char* name;
        std::function<std::function<void()>()> hold;  // takes the hold, answers its release
        bool giveUp;
        bool saved, waited;
    };
    const Row rows[] = {
        {"a lock on the folder itself, as anyone who can read it can take",
         [&] {
             const int fd = ::open(site.c_str(), O_RDONLY | O_DIRECTORY);
             EXPECT_EQ(::flock(fd, LOCK_EX), 0);
             return std::function<void()>([fd] { ::close(fd); });
         },
         false, true, false},
        {"another save of this user, through another spelling of the folder, given up",
         [&] {
             auto lock = std::make_shared<SaveLock>(dir / "link", nullptr);
             EXPECT_EQ(lock->state(), SaveLock::State::Held);
             return std::function<void()>([lock]() mutable { lock.reset(); });
         },
         true, false, true},
        {"another save of this user that ends while this one waits",
         [&] {
             auto lock = std::make_shared<SaveLock>(site, nullptr);
             auto release = std::make_shared<std::thread>([lock]() mutable {
                 std::this_thread::sleep_for(std::chrono::milliseconds(150));
                 lock.reset();
             });
             return std::function<void()>([release] { release->join(); });
         },
         false, true, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove_all(site);
        fs::create_directory(site);
        waiting = {};
        waiting.giveUp = r.giveUp;
        std::function<void()> release = r.hold();
        const bool saved = agent->SaveAndPublishProject(site / "p.mvl", tree);
        release();
        EXPECT_EQ(saved, r.saved);
        EXPECT_EQ(fs::exists(site / "p.mvl"), r.saved);
        if (!r.saved) {
            EXPECT_TRUE(fs::is_empty(site));
        }
        EXPECT_EQ(waiting.asked > 0, r.waited);
        EXPECT_EQ(waiting.ended, r.waited ? 1 : 0);
        EXPECT_EQ(!waiting.hints.empty() && waiting.hints.front() == kWaitingForFolderHint, r.waited);
    }
    agent->SetDisplay(nullptr);
}

}  // namespace
}  // namespace marivel
