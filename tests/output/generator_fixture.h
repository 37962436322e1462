#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/memory_tree.h"
#include "output/publishing_agent.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace marivel::test {

// A program folder with an engine script, an agent holding a new project with
// the panes committed (VSlider1cfg, VSlider1_div), and a tree beside it.
class GeneratorFixture : public ::testing::Test {
protected:
    GeneratorFixture() {
        std::filesystem::create_directory(program);
        WriteBytes(program / "tessaline.js", "// engine\n");
        agent = std::make_unique<PublishingAgent>(program, &display);
        agent->ResetProject();
        agent->AppletData.CfgName = "VSlider1cfg";
        agent->AppletData.DivId = "VSlider1_div";
        agent->AppletData.CfgNameCopy = "VSlider1cfg";
    }

    // Adds a node under `parent` and its item; answers the node's index.
    int AddItem(const std::string& originalPath, int parent = 0) {
        const int node = tree.addChild(parent, "Image");
        SliderItem item = PublishingAgent::MakeNewItem();
        item.OriginalImagePath = originalPath;
        item.Link = "http://";
        item.Level = std::to_string(tree.depth(node) - 1);
        agent->InsertItem(node - 1, item);
        return node;
    }

    // A real JPEG of w x h in the test folder.
    std::string Photo(const std::string& name, int w, int h) {
        JpegRecipe recipe;
        recipe.width = w;
        recipe.height = h;
        recipe.pixel = [](int x, int y) { return Rgb{x % 256, y % 256, 90}; };
        WriteJpeg(dir / name, recipe);
        return (dir / name).string();
    }

    static std::string Lines(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : lines) text += line + "\r\n";
        return text;
    }

    TempDir dir;
    std::filesystem::path program = dir / "program";
    RecordingDisplay display;
    MemoryDesignTree tree{"Marivel"};
    std::unique_ptr<PublishingAgent> agent;
};

}  // namespace marivel::test
