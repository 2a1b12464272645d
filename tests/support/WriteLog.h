#pragma once

#include "export/NotificationDocumentCenter.h"
#include "platform/foundation/NotificationCenter.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace fen::test {

// Records, in order and from whatever thread posts them, the write progress of the documents that
// `mine` accepts ("begin", "page:N" for the end of 0-based page N, "end") and, given a channel,
// the processing names posted through it ("name:Report_A").
class WriteLog {
public:
    explicit WriteLog(std::function<bool(const Notification&)> mine,
                      const NotificationDocumentCenter* channel = nullptr);

    std::vector<std::string> events() const;
    // Called on the posting thread after each event is logged.
    std::function<void(const std::string&)> onEvent;

private:
    void add(const std::string& event);

    std::function<bool(const Notification&)> mine_;
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<ObserverToken> tokens_;
};

} // namespace fen::test
