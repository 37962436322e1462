#pragma once

#include <chrono>
#include <string>

namespace marivel {

// The bottom line of the main window as long operations see it: the hint
// text, the busy cursor and the progress bar. Work runs on the caller's
// thread without an event loop, so implementations repaint directly.
class ActivityDisplay {
public:
    virtual ~ActivityDisplay() = default;
    virtual void setHint(const std::string& text) = 0;
    virtual void setBusy(bool busy) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void advanceProgress(int step) = 0;
    virtual void resetProgress() = 0;  // position back to 0
    // Called over and over, on the caller's thread, while it waits for work
    // done on other threads: a window repaints here (the user's input still
    // waits until the operation ends). Never called from within itself.
    virtual void keepAlive() {}
    // Called over and over while the operation waits for another program
    // (another save into the same folder), with what it waits for and for
    // how long so far; answering false gives the operation up, with nothing
    // written. Where nobody can answer, the wait ends after a minute.
    virtual bool keepWaiting(const std::string& /*reason*/, std::chrono::milliseconds waited) {
        return waited < std::chrono::minutes(1);
    }
    // The wait is over, whichever way it ended.
    virtual void waitEnded() {}
};

// Used where nobody watches: the command line tool and most tests.
class SilentActivityDisplay final : public ActivityDisplay {
public:
    void setHint(const std::string&) override {}
    void setBusy(bool) override {}
    void setProgressMaximum(int) override {}
    void advanceProgress(int) override {}
    void resetProgress() override {}
};

// Shows an activity message with the busy cursor for its lifetime and
// restores the empty hint, the normal cursor and (if asked) progress 0 on
// every exit, normal or by exception.
class ActivityScope {
public:
    ActivityScope(ActivityDisplay& display, const std::string& hint, bool resetsProgress)
        : display_(display), resetsProgress_(resetsProgress) {
        display_.setHint(hint);
        display_.setBusy(true);
    }
    ~ActivityScope() {
        if (resetsProgress_) display_.resetProgress();
        display_.setHint("");
        display_.setBusy(false);
    }
    ActivityScope(const ActivityScope&) = delete;
    ActivityScope& operator=(const ActivityScope&) = delete;

private:
    ActivityDisplay& display_;
    bool resetsProgress_;
};

}  // namespace marivel
