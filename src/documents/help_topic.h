#pragma once

namespace marivel {

// The pages' group help buttons, by the tag each one carries: the tag picks
// the help page and, through the window layout, the button's name. Any other
// tag gets the first steps.
enum class HelpTopic {
    General = 1,
    Size,
    Scrolling,
    Distance,
    SliderBorder,
    ImageBorder,
    RootDirectories,
    OriginalImagePath,
    Link,
    ToolTip,
};

}  // namespace marivel
