// A JV-Link whose JVInit answers a chosen code and records the identifier it was given; the shell
// uses no other operation.
#pragma once

#include "jvdata/JVLink.h"

#include <string>
#include <vector>

namespace solvane::test {

class FakeJVLink : public JVLink {
public:
    explicit FakeJVLink(int initResult = 0) : initResult_(initResult) {}
    int JVInit(const std::string& sid) override
    {
        sids.push_back(sid);
        return initResult_;
    }
    int JVSetUIProperties() override { return 0; }
    int JVOpen(const std::string&, const std::string&, int, int&, int&, std::string&) override { return -201; }
    int JVRTOpen(const std::string&, const std::string&) override { return -201; }
    int JVStatus() override { return 0; }
    int JVRead(std::string&, int, std::string&) override { return 0; }
    void JVCancel() override {}
    int JVClose() override { return 0; }

    std::vector<std::string> sids;

private:
    int initResult_;
};

} // namespace solvane::test
