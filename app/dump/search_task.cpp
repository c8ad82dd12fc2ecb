#include "dump/search_task.h"

#include "support/app_error.h"
#include "support/external_call.h"

#include <algorithm>

namespace octolume {

SearchPlan::SearchPlan(std::uint64_t size, std::uint64_t from, bool backwards,
                       std::uint64_t sliceBytes)
    : size_(size), from_(std::min(from, size)), backwards_(backwards),
      sliceBytes_(std::max<std::uint64_t>(sliceBytes, 1)), position_(from_) {}

std::optional<SearchPlan::Slice> SearchPlan::Next() noexcept {
    for (;;) {
        // The current pass covers [lower, upper): before the wrap from `from` away, after
        // it the rest up to `from`.
        const std::uint64_t lower = backwards_ ? (wrapped_ ? from_ : 0) : position_;
        const std::uint64_t upper = backwards_ ? position_ : (wrapped_ ? from_ : size_);
        if (lower < upper) {
            Slice slice{lower, upper, wrapped_};
            if (upper - lower > sliceBytes_) {
                if (backwards_)
                    slice.first = upper - sliceBytes_;
                else
                    slice.last = lower + sliceBytes_;
            }
            position_ = backwards_ ? slice.first : slice.last;
            covered_ += slice.last - slice.first;
            return slice;
        }
        if (wrapped_)
            return std::nullopt;
        wrapped_ = true;
        position_ = backwards_ ? size_ : 0;
    }
}

std::optional<SearchOutcome> SearchSlices(const DumpSource& source, const ByteQuery& query,
                                          SearchPlan& plan, const std::atomic<bool>& stop,
                                          std::uint64_t budget) {
    const std::uint64_t until = plan.Covered() + budget;
    try {
        for (;;) {
            if (stop.load())
                return SearchOutcome{SearchOutcome::Kind::kStopped, 0, false, {}};
            if (plan.Covered() >= until && !plan.Done())
                return std::nullopt;
            const std::optional<SearchPlan::Slice> slice = plan.Next();
            if (!slice)
                return SearchOutcome{SearchOutcome::Kind::kNotFound, 0, false, {}};
            if (const std::optional<std::uint64_t> found =
                    source.Find(query, slice->first, slice->last, plan.Backwards()))
                return SearchOutcome{SearchOutcome::Kind::kFound, *found, slice->wrapped, {}};
        }
    } catch (...) {
        return SearchOutcome{SearchOutcome::Kind::kFailed, 0, false, CaughtError().Description()};
    }
}

SearchTask::SearchTask(std::shared_ptr<const DumpSource> source, ByteQuery query, SearchPlan plan,
                       HWND notify, UINT message)
    : state_(std::make_unique<State>(std::move(source), std::move(query), plan, notify, message)) {
    thread_.reset(External(::CreateThread, nullptr, 0, &SearchTask::Run, state_.get(), 0, nullptr));
    if (!thread_)
        throw AppError(error_number::kOutOfMemory, L"Unable to start the search");
}

SearchTask::~SearchTask() {
    Stop();
}

void SearchTask::Stop() noexcept {
    state_->stop = true;
    if (thread_)
        ::WaitForSingleObject(thread_.get(), INFINITE);
}

unsigned SearchTask::PerMille() const noexcept {
    const std::uint64_t size = state_->plan.Size();
    if (size == 0)
        return 1000;
    return static_cast<unsigned>(static_cast<double>(state_->covered.load()) * 1000.0 /
                                 static_cast<double>(size));
}

DWORD WINAPI SearchTask::Run(void* argument) {
    State& state = *static_cast<State*>(argument);
    std::optional<SearchOutcome> outcome;
    while (!outcome) {
        outcome = SearchSlices(*state.source, state.query, state.plan, state.stop,
                               kSearchSliceBytes);
        state.covered = state.plan.Covered();
    }
    state.outcome = std::move(*outcome);
    state.finished = true;
    ::PostMessageW(state.notify, state.message, 0, 0);
    return 0;
}

} // namespace octolume
