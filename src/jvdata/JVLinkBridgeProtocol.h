// The conversation between the program and solvane-jvlink-bridge, the small 32-bit program that holds
// the real JV-Link COM component (a 32-bit in-process control, which a 64-bit program cannot load).
//
// The program writes requests to the bridge's standard input and reads one answer per request from its
// standard output, in order. Every message is a frame:
//
//   length   4 bytes, unsigned little-endian: the number of payload bytes that follow (1 .. kMaxFrame)
//   payload  op (1 byte), then the op's fields in order
//
// Fields are int32 (4 bytes, little-endian, two's complement) or bytes (an int32 length 0 .. kMaxFrame,
// then that many bytes). Texts are passed as they are: the software identifier, dataspecs, keys and
// times are ASCII; records are Shift-JIS bytes with their CR LF, converted by the bridge from JV-Link's
// UTF-16 text with code page 932.
//
//   request                                   answer (same op)
//   'I' JVInit       bytes sid                int32 result
//   'U' JVSetUIProperties                     int32 result
//   'O' JVOpen       bytes dataspec,          int32 result, int32 readCount, int32 downloadCount,
//                    bytes fromtime,          bytes lastFileTimestamp
//                    int32 option
//   'R' JVRTOpen     bytes dataspec, key      int32 result
//   'S' JVStatus                              int32 result
//   'D' JVRead       int32 bufferSize         int32 result, bytes record, bytes fileName
//   'C' JVCancel                              (an answer with no fields)
//   'X' JVClose                               int32 result
//   'E' (answer only)                         bytes message: the request could not be understood; the
//                                             bridge ends after sending it
//
// The bridge ends when its standard input ends. A frame that is too long, cut short, of an unknown op
// or with fields left over or missing is a protocol error on either side: the bridge answers 'E' and
// ends; the program stops the bridge and reports the operation as failed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace solvane {

class JVLink;

namespace bridge {

// Large enough for the longest JV-Data record (O6, 83285 bytes) with its file name and fields.
inline constexpr std::uint32_t kMaxFrame = 1u << 20;
// The read buffer the bridge passes to JV-Link at the least, whatever the caller asked for, so that
// no record type is ever cut.
inline constexpr int kMinReadBuffer = 110000;

enum Op : char {
    kInit = 'I',
    kSetUIProperties = 'U',
    kOpen = 'O',
    kRTOpen = 'R',
    kStatus = 'S',
    kRead = 'D',
    kCancel = 'C',
    kClose = 'X',
    kError = 'E',
};

// Builds one payload field by field; frame() adds the length.
class PayloadWriter {
public:
    explicit PayloadWriter(char op) { payload_.push_back(op); }
    PayloadWriter& i32(std::int32_t v);
    PayloadWriter& bytes(std::string_view b);
    const std::string& payload() const { return payload_; }
    std::string frame() const;

private:
    std::string payload_;
};

// Reads one payload field by field; any read past the end or a length out of range sets failed().
class PayloadReader {
public:
    explicit PayloadReader(std::string_view payload) : data_(payload) {}
    char op();
    std::int32_t i32();
    std::string bytes();
    bool failed() const { return failed_; }
    // True when every byte was read and nothing failed.
    bool complete() const { return !failed_ && pos_ == data_.size(); }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Reads exactly n bytes into the buffer; false at the end of the input or on an error.
using ReadExact = std::function<bool(char* buffer, std::size_t n)>;
// Writes all n bytes; false on an error.
using WriteAll = std::function<bool(const char* data, std::size_t n)>;

// One frame's payload, or nothing at the end of the input; *error says when the frame was bad (then the
// stream cannot be trusted any more).
std::optional<std::string> ReadFrame(const ReadExact& read, std::string* error);

// The bridge's loop: answers each request with the component until the input ends (returns 0) or a
// request cannot be understood or an answer cannot be written (returns 1, after an 'E' answer when
// possible).
int ServeBridge(JVLink& link, const ReadExact& read, const WriteAll& write);

} // namespace bridge
} // namespace solvane
