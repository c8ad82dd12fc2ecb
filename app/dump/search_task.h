#pragma once
// Find over a whole file of any size: the order in which a search goes through the file
// (a pure plan, in slices), and a search that runs on a thread of its own so that the
// window stays alive, shows its progress and stops it within a slice.
//
// The window's thread only starts, polls and stops a task; the thread only reads the
// source (whose Find may run beside the window's reads) and posts one message when done.
// That message carries nothing: its handler asks the task, so a message sent by another
// program finds nothing finished and does nothing.

#include "dump/dump_source.h"
#include "support/owners.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace octolume {

// A search from `from` goes forwards through [from, size), then wraps to [0, from);
// backwards through [0, from) from its end, then wraps to [from, size). Each slice is a
// range of match starts, at most `sliceBytes` long.
class SearchPlan {
public:
    struct Slice {
        std::uint64_t first = 0;
        std::uint64_t last = 0;
        bool wrapped = false;
    };

    SearchPlan(std::uint64_t size, std::uint64_t from, bool backwards, std::uint64_t sliceBytes);

    bool Backwards() const noexcept { return backwards_; }
    // The next slice, or nothing when the whole file is covered.
    std::optional<Slice> Next() noexcept;
    // How many match starts the slices given so far cover, of Size().
    std::uint64_t Covered() const noexcept { return covered_; }
    std::uint64_t Size() const noexcept { return size_; }
    bool Done() const noexcept { return covered_ == size_; }

private:
    std::uint64_t size_;
    std::uint64_t from_;
    bool backwards_;
    std::uint64_t sliceBytes_;
    bool wrapped_ = false;
    std::uint64_t position_; // where the next slice starts (forwards) or ends (backwards)
    std::uint64_t covered_ = 0;
};

// 16 MiB: about 10 ms of search on this kind of machine, so a stop is seen at once.
inline constexpr std::uint64_t kSearchSliceBytes = std::uint64_t{16} << 20;

struct SearchOutcome {
    enum class Kind { kFound, kNotFound, kStopped, kFailed };
    Kind kind = Kind::kNotFound;
    std::uint64_t start = 0;
    bool wrapped = false;
    std::wstring failure; // what went wrong, for kFailed
};

// Runs the plan's slices until one finds a match, the plan ends, `stop` is set or the slices
// run have covered `budget` bytes; nothing in the last case (the plan goes on from there).
std::optional<SearchOutcome> SearchSlices(const DumpSource& source, const ByteQuery& query,
                                          SearchPlan& plan, const std::atomic<bool>& stop,
                                          std::uint64_t budget);

class SearchTask {
public:
    // Starts the rest of the plan on a thread; when it ends, `message` is posted to `notify`.
    // Throws AppError when no thread can be made.
    SearchTask(std::shared_ptr<const DumpSource> source, ByteQuery query, SearchPlan plan,
               HWND notify, UINT message);
    SearchTask(const SearchTask&) = delete;
    SearchTask& operator=(const SearchTask&) = delete;
    // Stops the search and waits for its thread.
    ~SearchTask();

    // Asks the thread to stop and waits for it: within one slice.
    void Stop() noexcept;
    bool Finished() const noexcept { return state_->finished.load(); }
    // Of the file's match starts, how many per thousand are covered.
    unsigned PerMille() const noexcept;
    // Once Finished.
    const SearchOutcome& Outcome() const noexcept { return state_->outcome; }
    std::uint64_t QueryLength() const noexcept { return state_->query.bytes.size(); }
    bool Backwards() const noexcept { return state_->backwards; }

private:
    struct State {
        State(std::shared_ptr<const DumpSource> source, ByteQuery query, SearchPlan plan,
              HWND notify, UINT message)
            : source(std::move(source)), query(std::move(query)), plan(plan),
              backwards(plan.Backwards()), notify(notify), message(message),
              covered(plan.Covered()) {}
        std::shared_ptr<const DumpSource> source;
        ByteQuery query;
        SearchPlan plan;
        bool backwards;
        HWND notify;
        UINT message;
        std::atomic<bool> stop{false};
        std::atomic<std::uint64_t> covered{0};
        std::atomic<bool> finished{false};
        SearchOutcome outcome;
    };
    // Realigns its stack: the thread starts with it aligned to 4 bytes only, and the
    // search's vector code keeps 16-byte values there.
#if defined(__i386__)
    __attribute__((force_align_arg_pointer))
#endif
    static DWORD WINAPI Run(void* state);

    std::unique_ptr<State> state_;
    UniqueHandle thread_;
};

} // namespace octolume
