#include "shell/QuitWaitAlert.h"

#include "platform/foundation/Log.h"
#include "storage/StoreQueue.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QDialog>
#include <QLabel>

namespace fen {

namespace {

QString titleFor(std::size_t count) {
    const QString title = ui::tr(QuitWhileSaving::titleKey(count));
    return count == 1 ? title : title.arg(count);
}

QString messageFor(const std::vector<std::string>& names) {
    return ui::tr("Waiting for another program to let go of the store: %1. Fenmoor quits once "
                  "they are stored.")
        .arg(QString::fromStdString(QuitWhileSaving::namedList(names)));
}

} // namespace

QuitWaitAlert::QuitWaitAlert(StoreQueue& queue, QObject* parent) : QObject(parent), queue_(queue) {
    // Told on the store's thread; looked at on the GUI thread, while this object lives.
    queueChanged_ = queue_.savesChanged.connect(
        [this] { QMetaObject::invokeMethod(this, &QuitWaitAlert::refresh, Qt::QueuedConnection); });
}

QuitWaitAlert::~QuitWaitAlert() {
    queueChanged_.disconnect();
    if (alert_) {
        alert_->disconnect(this);
        delete alert_.data();
    }
}

void QuitWaitAlert::request(QWidget* window, std::function<void()> proceed,
                            std::function<void()> stayed) {
    proceed_ = std::move(proceed);
    stayed_ = std::move(stayed);
    if (logic_.isWaiting()) {
        show(window);
        return;
    }
    const QuitWhileSaving::Step step = logic_.begin(queue_.waitingSaves(), queue_.failedSaves());
    if (step == QuitWhileSaving::Step::wait) {
        show(window);
    } else {
        finishWith(step);
    }
}

void QuitWaitAlert::withdraw() {
    if (logic_.isWaiting()) {
        logic_.end();
        finishWith(QuitWhileSaving::Step::stay);
    }
}

void QuitWaitAlert::refresh() {
    if (!logic_.isWaiting()) {
        return;
    }
    const QuitWhileSaving::Step step = logic_.update(queue_.waitingSaves(), queue_.failedSaves());
    if (step != QuitWhileSaving::Step::wait) {
        finishWith(step);
        return;
    }
    show(alert_ ? alert_->parentWidget() : nullptr);
}

void QuitWaitAlert::show(QWidget* window) {
    const std::vector<std::string>& names = logic_.waitingNames();
    const QString title = titleFor(names.size());
    if (alert_ && alert_->parentWidget() == window) {
        // The same alert, told again: its title (also its accessible name) and the names.
        alert_->setAccessibleName(title);
        alert_->setWindowTitle(title);
        const QList<QLabel*> labels = alert_->findChildren<QLabel*>();
        if (labels.size() >= 2) {
            labels[0]->setText(title);
            labels[1]->setText(messageFor(names));
        }
        alert_->raise();
        return;
    }
    delete alert_.data();
    alert_ = ui::makeAlert(
        window, title, messageFor(names),
        {ui::AlertButton{ui::tr("Cancel"), [this] { withdraw(); }, false, true},
         ui::AlertButton{ui::tr("Quit Without Them"), [this] { quitWithoutThem(); }, true, false}});
    // A window that goes while the quit waits takes the alert with it: told again on its own.
    connect(alert_, &QObject::destroyed, this, [this] {
        if (logic_.isWaiting()) {
            QMetaObject::invokeMethod(
                this, [this] { show(nullptr); }, Qt::QueuedConnection);
        }
    });
    alert_->open();
}

void QuitWaitAlert::quitWithoutThem() {
    if (!logic_.isWaiting()) {
        return;
    }
    logic_.end();
    // The one that runs may still be stored; any that is not is named when the store's queue ends.
    const std::vector<std::string> dropped = queue_.dropWaitingSaves();
    if (!dropped.empty()) {
        log::message(log::Level::error, QuitWhileSaving::notStoredLine(dropped));
    }
    finishWith(QuitWhileSaving::Step::quit);
}

void QuitWaitAlert::finishWith(QuitWhileSaving::Step step) {
    if (alert_) {
        QDialog* shown = alert_;
        alert_ = nullptr;
        shown->disconnect(this);
        shown->close();
    }
    std::function<void()> proceed = std::move(proceed_);
    std::function<void()> stayed = std::move(stayed_);
    proceed_ = nullptr;
    stayed_ = nullptr;
    if (step == QuitWhileSaving::Step::quit && proceed) {
        proceed();
    } else if (step == QuitWhileSaving::Step::stay && stayed) {
        stayed();
    }
}

} // namespace fen
