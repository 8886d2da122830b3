#include "jvdata/JVLinkBridgeProtocol.h"

#include "jvdata/JVLink.h"

#include <algorithm>

namespace solvane::bridge {

static void putU32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

static std::uint32_t getU32(const char* p)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

PayloadWriter& PayloadWriter::i32(std::int32_t v)
{
    putU32(payload_, static_cast<std::uint32_t>(v));
    return *this;
}

PayloadWriter& PayloadWriter::bytes(std::string_view b)
{
    putU32(payload_, static_cast<std::uint32_t>(b.size()));
    payload_.append(b);
    return *this;
}

std::string PayloadWriter::frame() const
{
    std::string out;
    out.reserve(payload_.size() + 4);
    putU32(out, static_cast<std::uint32_t>(payload_.size()));
    out += payload_;
    return out;
}

char PayloadReader::op()
{
    if (failed_ || pos_ + 1 > data_.size()) {
        failed_ = true;
        return 0;
    }
    return data_[pos_++];
}

std::int32_t PayloadReader::i32()
{
    if (failed_ || data_.size() - pos_ < 4) {
        failed_ = true;
        return 0;
    }
    const std::uint32_t v = getU32(data_.data() + pos_);
    pos_ += 4;
    return static_cast<std::int32_t>(v);
}

std::string PayloadReader::bytes()
{
    const std::int32_t n = i32();
    if (failed_ || n < 0 || static_cast<std::size_t>(n) > data_.size() - pos_) {
        failed_ = true;
        return {};
    }
    std::string out(data_.substr(pos_, static_cast<std::size_t>(n)));
    pos_ += static_cast<std::size_t>(n);
    return out;
}

std::optional<std::string> ReadFrame(const ReadExact& read, std::string* error)
{
    if (error)
        error->clear();
    char head[4];
    if (!read(head, 4))
        return std::nullopt; // the end of the input (or a cut length: nothing usable either way)
    const std::uint32_t n = getU32(head);
    if (n == 0 || n > kMaxFrame) {
        if (error)
            *error = "frame length " + std::to_string(n) + " out of range";
        return std::nullopt;
    }
    std::string payload(n, '\0');
    if (!read(payload.data(), n)) {
        if (error)
            *error = "frame cut short";
        return std::nullopt;
    }
    return payload;
}

namespace {

// The answer to one request, or nothing when the request is malformed.
std::optional<std::string> answer(JVLink& link, std::string_view payload)
{
    PayloadReader in(payload);
    const char op = in.op();
    PayloadWriter out(op);
    switch (op) {
    case kInit: {
        const std::string sid = in.bytes();
        if (!in.complete())
            return std::nullopt;
        out.i32(link.JVInit(sid));
        break;
    }
    case kSetUIProperties:
        if (!in.complete())
            return std::nullopt;
        out.i32(link.JVSetUIProperties());
        break;
    case kOpen: {
        const std::string dataspec = in.bytes();
        const std::string fromtime = in.bytes();
        const std::int32_t option = in.i32();
        if (!in.complete())
            return std::nullopt;
        int readCount = 0, downloadCount = 0;
        std::string lastFileTimestamp;
        const int rc = link.JVOpen(dataspec, fromtime, option, readCount, downloadCount, lastFileTimestamp);
        out.i32(rc).i32(readCount).i32(downloadCount).bytes(lastFileTimestamp);
        break;
    }
    case kRTOpen: {
        const std::string dataspec = in.bytes();
        const std::string key = in.bytes();
        if (!in.complete())
            return std::nullopt;
        out.i32(link.JVRTOpen(dataspec, key));
        break;
    }
    case kStatus:
        if (!in.complete())
            return std::nullopt;
        out.i32(link.JVStatus());
        break;
    case kRead: {
        const std::int32_t size = in.i32();
        if (!in.complete())
            return std::nullopt;
        std::string record, fileName;
        const int rc = link.JVRead(record, std::max<int>(size, kMinReadBuffer), fileName);
        if (rc <= 0)
            record.clear();
        out.i32(rc).bytes(record).bytes(fileName);
        break;
    }
    case kCancel:
        if (!in.complete())
            return std::nullopt;
        link.JVCancel();
        break;
    case kClose:
        if (!in.complete())
            return std::nullopt;
        out.i32(link.JVClose());
        break;
    default:
        return std::nullopt;
    }
    return out.frame();
}

} // namespace

int ServeBridge(JVLink& link, const ReadExact& read, const WriteAll& write)
{
    for (;;) {
        std::string error;
        const std::optional<std::string> payload = ReadFrame(read, &error);
        if (!payload) {
            if (error.empty())
                return 0; // the program closed the conversation
            const std::string e = PayloadWriter(kError).bytes(error).frame();
            write(e.data(), e.size());
            return 1;
        }
        const std::optional<std::string> reply = answer(link, *payload);
        if (!reply) {
            const std::string e =
                PayloadWriter(kError).bytes("malformed request (op " + std::to_string(+(*payload)[0]) + ")").frame();
            write(e.data(), e.size());
            return 1;
        }
        if (!write(reply->data(), reply->size()))
            return 1;
    }
}

} // namespace solvane::bridge
