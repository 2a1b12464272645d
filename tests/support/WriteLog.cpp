#include "support/WriteLog.h"

#include "export/FenExportRenderer.h"
#include "export/FenFilesStorage.h"

#include <any>

namespace fen::test {

WriteLog::WriteLog(std::function<bool(const Notification&)> mine,
                   const NotificationDocumentCenter* channel)
    : mine_(std::move(mine)) {
    if (channel) {
        tokens_.push_back(
            channel->addObserver(processingForSaveNotification, [this](const Notification& n) {
                add("name:" + std::any_cast<std::string>(n.object));
            }));
    }
    auto& center = NotificationCenter::defaultCenter();
    const std::pair<const std::string*, std::function<std::string(const Notification&)>> kinds[] = {
        {&pdfDocumentDidBeginWriteNotification, [](const Notification&) { return "begin"; }},
        {&pdfDocumentDidEndPageWriteNotification,
         [](const Notification& n) {
             auto index = n.userInfo.find(pdfDocumentPageIndexKey);
             return "page:" + (index == n.userInfo.end()
                                   ? std::string("?")
                                   : std::to_string(std::any_cast<int>(index->second)));
         }},
        {&pdfDocumentDidEndWriteNotification, [](const Notification&) { return "end"; }}};
    for (const auto& [name, describe] : kinds) {
        tokens_.push_back(center.addObserver(*name, [this, describe](const Notification& n) {
            if (mine_(n)) {
                add(describe(n));
            }
        }));
    }
}

std::vector<std::string> WriteLog::events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

void WriteLog::add(const std::string& event) {
    {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }
    if (onEvent) {
        onEvent(event);
    }
}

} // namespace fen::test
