// The project reader on any bytes: it either refuses or loads, never leaves
// tree and items apart, and what it loaded survives a save and a reload
// unchanged.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "model/agent.h"
#include "model/error.h"
#include "model/memory_tree.h"
#include "model/text_encoding.h"

namespace {

using namespace marivel;
using fuzz::Require;

std::string Depths(const DesignTree& tree) {
    std::string depths;
    for (int i = 1; i < tree.count(); ++i) depths += std::to_string(tree.depth(i)) + ",";
    return depths;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto in = fuzz::ScratchFolder() / "in.mvl";
    const auto out = fuzz::ScratchFolder() / "out.mvl";
    fuzz::WriteFile(in, data, size);

    DocumentAgent agent(fuzz::ScratchFolder());
    agent.ResetProject();
    const SliderSettings before = agent.AppletData;
    MemoryDesignTree tree;
    LoadResult result;
    try {
        result = agent.LoadProject(in, tree);
    } catch (const Error&) {
        // A level that is no number: nothing may have changed.
        Require(agent.AppletData == before && agent.Items.empty() && tree.count() == 1,
                "a failed load changed");
        return 0;
    }
    if (result != LoadResult::Loaded) {
        Require(agent.AppletData == before && agent.Items.empty() && tree.count() == 1, "a refusal changed");
        return 0;
    }
    Require(tree.count() == static_cast<int>(agent.Items.size()) + 1, "tree and items apart");
    for (int i = 1; i < tree.count(); ++i) Require(tree.depth(i) >= 1, "a node above the items");
    for (const SliderItem& item : agent.Items)
        for (const std::string* field : {&item.ImageFile, &item.ToolTip, &item.Link, &item.Level})
            Require(IsValidUtf8(*field), "text read is not UTF-8");

    agent.SaveProject(out);
    DocumentAgent again(fuzz::ScratchFolder());
    MemoryDesignTree rebuilt;
    LoadResult reread = LoadResult::NoProject;
    try {
        reread = again.LoadProject(out, rebuilt);
    } catch (const Error&) {
        fuzz::Broken("a saved project does not load");
    }
    Require(reread == LoadResult::Loaded, "a saved project is refused");
    Require(again.AppletData == agent.AppletData, "the slider changed in a round trip");
    Require(again.Items == agent.Items, "the items changed in a round trip");
    Require(Depths(rebuilt) == Depths(tree), "the tree changed in a round trip");
    return 0;
}
