// The progress a worker thread reports to its window: the latest report is kept, and one call of the
// window's slot is on its way at a time, however often the worker reports, so a fast worker never
// floods the window's event queue.
#pragma once

#include <QMetaObject>

#include <mutex>

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

} // namespace solvane
