#include "document/ContentView.h"

#include "document/FenDocumentView.h"
#include "document/NotificationDocumentCenterModifier.h"
#include "export/NotificationDocumentCenter.h"
#include "platform/foundation/WholeFileReader.h"
#include "shell/KvDocument.h"
#include "ui/Observe.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QVBoxLayout>

namespace fen {

ContentView::ContentView(std::weak_ptr<KvDocument> document, HorizontalSizeClass sizeClass,
                         QWidget* parent)
    : QWidget(parent), document_(std::move(document)),
      channel_(NotificationDocumentCenter::makeDocumentNotificationCenter()) {
    // The body reads the file itself, on a worker, when it first shows.
    std::optional<std::string> filename;
    std::optional<Url> fileURL;
    if (std::shared_ptr<KvDocument> opened = document_.lock(); opened && opened->info) {
        filename = opened->info->name;
        fileURL = opened->fileURL();
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    body_ = new FenDocumentView(channel_, std::move(filename), std::move(fileURL), sizeClass, this);
    layout->addWidget(body_);
    NotificationDocumentCenterModifier::apply(this, channel_->id());
    ui::observe(this, channel_->scopedName("RequestToOverwrite"),
                [this](const Notification& notification) { overwrite(notification); });
}

ContentView::~ContentView() = default;

void ContentView::overwrite(const Notification& notification) {
    const auto* url = std::any_cast<Url>(&notification.object);
    if (!url) {
        return;
    }
    std::shared_ptr<KvDocument> document = document_.lock();
    if (!document) {
        return;
    }
    WholeFile file = WholeFileReader::read(*url);
    if (!file) {
        return;
    }
    document->dataToSave = std::move(file.bytes);
    if (const std::error_code error = document->save()) {
        ui::presentNotice(window(), ui::tr("The original file could not be replaced"),
                          QString::fromStdString(error.message()));
    }
}

} // namespace fen
