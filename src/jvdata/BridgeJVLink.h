// The JV-Link component through solvane-jvlink-bridge: the bridge is a separate 32-bit program that
// holds the real COM component (or, with --feed, the local component) and answers the eight
// operations over its standard input and output (JVLinkBridgeProtocol.h).
//
// The bridge is started on first use. When it dies, does not answer in time or answers nonsense, the
// operation fails with kBridgeFailure, lastError() says what happened and the bridge is stopped; the
// next operation starts a new one and repeats JVInit with the last software identifier, so the session
// goes on from the initialised state (an open request is lost, as after JVClose).
#pragma once

#include "jvdata/JVLink.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace solvane {

struct BridgeJVLinkOptions {
    std::filesystem::path program;      // solvane-jvlink-bridge(.exe)
    std::vector<std::string> arguments; // after the program name (UTF-8), e.g. {"--feed", DIR}
    // How long JVOpen and JVRTOpen may take before they are given up (JV-Link may show its set-up
    // dialog or wait for a server there).
    std::chrono::milliseconds openTimeout{std::chrono::seconds(120)};
    // How long every other operation may take.
    std::chrono::milliseconds callTimeout{std::chrono::seconds(120)};
};

// What a failed conversation with the bridge returns: JV-Link's "internal error". For JVRead it is
// below -3, so every read loop stops and reports it; records already handled stay stored.
inline constexpr int kBridgeFailure = -401;

class BridgeJVLink : public JVLink {
public:
    explicit BridgeJVLink(BridgeJVLinkOptions options);
    ~BridgeJVLink() override;
    BridgeJVLink(const BridgeJVLink&) = delete;
    BridgeJVLink& operator=(const BridgeJVLink&) = delete;

    int JVInit(const std::string& sid) override;
    int JVSetUIProperties() override;
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override;
    int JVRTOpen(const std::string& dataspec, const std::string& key) override;
    int JVStatus() override;
    int JVRead(std::string& record, int bufferSize, std::string& fileName) override;
    void JVCancel() override;
    int JVClose() override;

    std::string lastError() const override { return lastError_; }

    class Process; // the running bridge (platform-specific)

private:
    // Sends one request and returns the answer's payload after its op, or nothing after a failure.
    std::optional<std::string> call(const std::string& frame, char op, std::chrono::milliseconds timeout);
    bool ensureRunning();
    void fail(std::string why);

    BridgeJVLinkOptions options_;
    std::unique_ptr<Process> process_;
    std::optional<std::string> sid_; // the identifier of the last successful JVInit
    std::string lastError_;
};

} // namespace solvane
