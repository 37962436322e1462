# Writes the slider engine as it is shipped: the source without its
# whole-line `//` comments, which are notes for its developers (the design
# notes are in engine/README.md). Every page that uses the slider downloads
# the engine, so it is kept small; code lines are copied unchanged.
# Usage: cmake -DSOURCE=<engine/tessaline.js> -DTARGET=<bin/tessaline.js> -P ShipEngine.cmake
file(READ ${SOURCE} text)
string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" text "${text}")
file(WRITE ${TARGET}.tmp "${text}")
file(RENAME ${TARGET}.tmp ${TARGET})
