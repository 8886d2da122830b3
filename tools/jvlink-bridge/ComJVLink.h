// The real JV-Link, the COM component "JVDTLab.JVLink", called late-bound through IDispatch. Windows
// only; the object lives in the bridge's single-threaded apartment.
#pragma once

#ifdef _WIN32

#include "jvdata/JVLink.h"

#include <memory>
#include <string>

namespace solvane {

class ComJVLink : public JVLink {
public:
    // nullptr when the component cannot be created; *error then says why.
    static std::unique_ptr<ComJVLink> Create(std::string* error);
    ~ComJVLink() override;

    int JVInit(const std::string& sid) override;
    int JVSetUIProperties() override;
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override;
    int JVRTOpen(const std::string& dataspec, const std::string& key) override;
    int JVStatus() override;
    int JVRead(std::string& record, int bufferSize, std::string& fileName) override;
    void JVCancel() override;
    int JVClose() override;

    struct Impl;

private:
    explicit ComJVLink(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace solvane

#endif
