#pragma once
// For the tests that show Wine's real dialog: a script of steps that a thread timer works
// through inside the dialog's modal loop, a fresh folder to choose files from, and child
// windows found by text. Every wait is a bounded poll: a script that runs out of time
// closes the dialog, and later every window of the thread, so the showing always ends.

#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace octolume::test {

// One step: true when done, false to be asked again at the next tick.
using Step = std::function<bool()>;

class ShownDialogTest : public testing::Test {
protected:
    // Runs show, which runs a modal loop, with the steps acting inside it; closeDialog
    // ends the showing when the script runs out of time.
    template <class Show>
    auto RunScript(std::vector<Step> steps, std::function<void()> closeDialog, Show&& show) {
        steps_ = std::move(steps);
        close_ = std::move(closeDialog);
        next_ = 0;
        ticks_ = 0;
        struct Timer { // lives exactly as long as the showing, also when it throws
            UINT_PTR id = ::SetTimer(nullptr, 0, 50, &OnTick);
            ~Timer() {
                ::KillTimer(nullptr, id);
                current_ = nullptr;
            }
        };
        current_ = this;
        const Timer timer;
        auto result = show();
        EXPECT_TRUE(next_ == steps_.size() && ticks_ <= kTicksBeforeClosing)
            << "step " << next_ << " of " << steps_.size() << " after " << ticks_ << " ticks";
        return result;
    }

    std::wstring MakeFile(const std::wstring& name) { return temp_.Write(name, "content"); }
    // A step that presses one of the shown dialog's buttons.
    Step Press(int command) {
        return [this, command] {
            ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
            return true;
        };
    }
    static HWND ChildWithText(HWND parent, const std::wstring& text) {
        for (const HWND child : Descendants(parent)) {
            if (WindowText(child) == text) {
                return child;
            }
        }
        return nullptr;
    }

    TempFolder temp_;
    const std::wstring folder_ = temp_.Path(); // in its long form, as the shell reports it
    HWND window_ = nullptr;                    // the shown dialog, once a step found it

private:
    static constexpr int kTicksBeforeClosing = 200; // 10 s
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        ShownDialogTest* self = current_;
        if (self == nullptr || self->busy_) { // a step may pump messages: no re-entry
            return;
        }
        self->busy_ = true;
        if (++self->ticks_ > kTicksBeforeClosing + 100) {
            ::EnumThreadWindows(::GetCurrentThreadId(), &CloseWindow, 0);
        } else if (self->ticks_ > kTicksBeforeClosing) {
            self->close_();
        } else if (self->next_ < self->steps_.size() && self->steps_[self->next_]()) {
            ++self->next_;
        }
        self->busy_ = false;
    }
    static BOOL CALLBACK CloseWindow(HWND window, LPARAM) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
    }

    static inline ShownDialogTest* current_ = nullptr;
    std::vector<Step> steps_;
    std::function<void()> close_;
    std::size_t next_ = 0;
    int ticks_ = 0;
    bool busy_ = false;
};

} // namespace octolume::test
