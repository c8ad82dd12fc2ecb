#pragma once
// Acts inside a modal dialog: a thread timer runs inside the dialog's modal loop and
// works through a script of steps. Every wait is a bounded poll; a script that runs out
// of time closes the dialog, and later every window of the thread, so the showing ends.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace octolume::test {

// One step of a script: returns true when it is done, false to be asked again next tick.
using Step = std::function<bool()>;

class DialogScript {
public:
    DialogScript(std::vector<Step> steps, std::function<void()> closeDialog)
        : steps_(std::move(steps)), closeDialog_(std::move(closeDialog)) {}
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // Calls show, which runs the dialog's modal loop, with the script acting inside it.
    template <class Show> decltype(auto) Run(Show&& show) {
        const Activation active(*this);
        return std::forward<Show>(show)();
    }

    bool Finished() const { return next_ == steps_.size(); }
    bool TimedOut() const { return timedOut_; }

private:
    static constexpr UINT kTickMilliseconds = 50;
    static constexpr int kTicksBeforeClosing = 200; // 10 s
    static constexpr int kTicksBeforeForcing = 300;

    // The timer lives exactly as long as the showing, also when the showing throws.
    class Activation {
    public:
        explicit Activation(DialogScript& script) {
            current_ = &script;
            timer_ = ::SetTimer(nullptr, 0, kTickMilliseconds, &DialogScript::OnTick);
        }
        ~Activation() {
            ::KillTimer(nullptr, timer_);
            current_ = nullptr;
        }
        Activation(const Activation&) = delete;
        Activation& operator=(const Activation&) = delete;

    private:
        UINT_PTR timer_ = 0;
    };

    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_ != nullptr) {
            current_->Tick();
        }
    }

    void Tick() {
        // A step may pump messages (a message box, for one); it must not be re-entered.
        if (busy_) {
            return;
        }
        busy_ = true;
        ++ticks_;
        if (ticks_ > kTicksBeforeForcing) {
            CloseThreadWindows();
        } else if (ticks_ > kTicksBeforeClosing) {
            timedOut_ = true;
            closeDialog_();
        } else if (next_ < steps_.size() && steps_[next_]()) {
            ++next_;
        }
        busy_ = false;
    }

    static BOOL CALLBACK CloseWindow(HWND window, LPARAM) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
    }
    static void CloseThreadWindows() {
        ::EnumThreadWindows(::GetCurrentThreadId(), &DialogScript::CloseWindow, 0);
    }

    static inline DialogScript* current_ = nullptr;
    std::vector<Step> steps_;
    std::function<void()> closeDialog_;
    std::size_t next_ = 0;
    int ticks_ = 0;
    bool busy_ = false;
    bool timedOut_ = false;
};

} // namespace octolume::test
