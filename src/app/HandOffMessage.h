#pragma once

#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fen {

// One message of the hand-off, read as its bytes come in over a connection, however they are
// split. A file is a path's bytes or an address, each followed by a NUL byte, and one more NUL
// ends the message; no file is empty, so a NUL right after another (or first) is the end. A
// message is bounded so that a peer cannot make the running program hold or scan without end:
// a file longer than any path the system opens, more files than a command line gives, or any
// byte after the end makes it malformed, and it is then refused whole, nothing of it taken.
class HandOffMessage {
public:
    // The longest file a message holds: room for a path of PATH_MAX bytes written as an address
    // (every byte percent-escaped) with its scheme.
    static constexpr std::size_t maxFileBytes = 4 * PATH_MAX;
    // The most files one message holds.
    static constexpr std::size_t maxFiles = 4096;

    enum class State { incomplete, complete, malformed };

    // The message of `files`; none when one of them is empty or longer than a message holds, or
    // when there are more files than it holds.
    static std::optional<std::string> encode(const std::vector<std::string>& files);

    // Takes the next bytes of the connection: only those, never the ones taken before, are
    // looked at. Once complete or malformed, any further byte makes the message malformed.
    State take(std::string_view bytes);

    State state() const { return state_; }
    // The files of a complete message, in the order sent.
    const std::vector<std::string>& files() const { return files_; }
    // Why a malformed message was refused, for a line on standard error.
    const std::string& fault() const { return fault_; }

private:
    State refuse(std::string fault);

    State state_ = State::incomplete;
    std::string file_;
    std::vector<std::string> files_;
    std::string fault_;
};

} // namespace fen
