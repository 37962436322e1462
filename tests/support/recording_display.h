#pragma once

#include <string>
#include <vector>

#include "model/activity_display.h"

namespace marivel::test {

// Records what a long operation shows on the bottom line, as one event
// string per call ("hint:Saving Data ... ...", "max:15", "step:10", ...),
// and keeps the resulting state for end-of-operation checks.
class RecordingDisplay final : public ActivityDisplay {
public:
    void setHint(const std::string& text) override {
        hint = text;
        events.push_back("hint:" + text);
    }
    void setBusy(bool on) override {
        busy = on;
        events.push_back(on ? "busy" : "idle");
    }
    void setProgressMaximum(int value) override {
        maximum = value;
        events.push_back("max:" + std::to_string(value));
    }
    void advanceProgress(int step) override {
        position += step;
        stepsTotal += step;
        ++stepCalls;
    }
    void resetProgress() override {
        position = 0;
        events.push_back("reset");
    }
    // Not an event: how often it comes depends on the machine's speed.
    void keepAlive() override { ++keepAlives; }

    std::vector<std::string> events;
    std::string hint;
    bool busy = false;
    int maximum = 100;
    int position = 0;
    int stepsTotal = 0;
    int stepCalls = 0;
    int keepAlives = 0;
};

}  // namespace marivel::test
