// A window's long job on a worker thread. The progress the worker reports: the latest report is kept,
// and one call of the window's slot is on its way at a time, however often the worker reports, so a fast
// worker never floods the window's event queue. The run itself: the thread, its cancel flag and a run
// number, so that the result a stopped run posts is never shown.
#pragma once

#include <QMetaObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace solvane {

template <class Progress> class LatestProgress {
public:
    // On the worker: keeps p and, unless a call is already on its way, posts show to owner's thread.
    template <class Owner> void report(Owner* owner, void (Owner::*show)(), const Progress& p)
    {
        const std::lock_guard lock(mutex_);
        latest_ = p;
        if (posted_)
            return;
        posted_ = true;
        QMetaObject::invokeMethod(owner, show, Qt::QueuedConnection);
    }
    // On the window, in the posted call: the latest report; the next report posts again.
    Progress take()
    {
        const std::lock_guard lock(mutex_);
        posted_ = false;
        return latest_;
    }

private:
    std::mutex mutex_;
    Progress latest_{};
    bool posted_ = false;
};

// One run at a time of a job on a worker thread, for a window that owns it as a member. The worker only
// reports back by posting calls to the window, which Qt drops once the window is gone; the window stops
// the run (stop) before it is destroyed.
template <class Progress, class Result> class WorkerRun {
public:
    using ReportFn = std::function<void(const Progress&)>;
    using Job = std::function<Result(const ReportFn& report, std::atomic<bool>* cancel)>;

    WorkerRun() = default;
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;
    ~WorkerRun() { stop(); }

    bool running() const { return thread_.joinable(); }

    // Runs job on a worker thread. Its reports reach owner's showProgress (which calls take), its result
    // finished, both on owner's thread; a run stopped before its result arrives never calls finished.
    template <class Owner>
    void start(Owner* owner, void (Owner::*showProgress)(), Job job, std::function<void(const Result&)> finished)
    {
        state_ = std::make_shared<State>();
        const int run = ++run_;
        thread_ = std::thread(
            [this, owner, showProgress, state = state_, job = std::move(job), finished = std::move(finished), run] {
                const Result result =
                    job([&](const Progress& p) { state->progress.report(owner, showProgress, p); }, &state->cancel);
                {
                    const std::lock_guard lock(state->mutex);
                    state->result = result;
                }
                QMetaObject::invokeMethod(
                    owner,
                    [this, run, result, finished] {
                        if (run != run_)
                            return;
                        thread_.join();
                        finished(result); // may still take the last progress
                        if (run == run_ && !running())
                            state_.reset(); // unless finished started the next run
                    },
                    Qt::QueuedConnection);
            });
    }

    // The latest progress; nothing once the run is over.
    std::optional<Progress> take() { return state_ ? std::optional<Progress>(state_->progress.take()) : std::nullopt; }

    // "中止": asks the running job to stop; false when nothing runs.
    bool cancel()
    {
        if (!state_ || !running())
            return false;
        state_->cancel = true;
        return true;
    }

    // Cancels the run and waits for its thread. Its result is handed back here instead of to finished:
    // nothing when no run was going.
    std::optional<Result> stop()
    {
        if (!running())
            return std::nullopt;
        state_->cancel = true;
        thread_.join();
        ++run_;
        std::optional<Result> result;
        {
            const std::lock_guard lock(state_->mutex);
            result = state_->result;
        }
        state_.reset();
        return result;
    }

private:
    struct State {
        std::atomic<bool> cancel{false};
        LatestProgress<Progress> progress;
        std::mutex mutex; // guards result
        Result result{};
    };
    std::shared_ptr<State> state_;
    std::thread thread_;
    int run_ = 0;
};

} // namespace solvane
