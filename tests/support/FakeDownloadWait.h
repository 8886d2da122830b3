// A download wait whose clock moves only when the read loop pauses, so that a test of "still downloading"
// answers never waits for real and counts the pauses.
#pragma once

#include "jvdata/JVReadLoop.h"

#include <chrono>

namespace solvane::test {

struct FakeDownloadWait {
    std::chrono::steady_clock::time_point t{};
    int pauses = 0;

    // Refers to this object: it must outlive the loops the wait is given to.
    JVDownloadWait wait(std::chrono::milliseconds limit = std::chrono::milliseconds(60000))
    {
        JVDownloadWait w;
        w.limit = limit;
        w.now = [this] { return t; };
        w.sleep = [this](std::chrono::milliseconds d) {
            ++pauses;
            t += d;
        };
        return w;
    }
};

} // namespace solvane::test
