#include "ui/QtMainQueue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace fen::ui {

void QtMainQueue::post(MainQueue::Task task) {
    if (!qApp) {
        return; // the application object is gone: no main thread will run anything again
    }
    QMetaObject::invokeMethod(
        qApp, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void QtMainQueue::invokeAndWait(const MainQueue::Task& task) {
    if (QThread::currentThread() == qApp->thread()) {
        task();
        return;
    }
    QMetaObject::invokeMethod(
        qApp, [&task] { task(); }, Qt::BlockingQueuedConnection);
}

void QtMainQueue::finishBackgroundWork(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (Background::running() > 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::sendPostedEvents();
}

void QtMainQueue::finishBackgroundWorkServingOnlyTheQueue(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    do {
        // The queue's calls are posted to the application object.
        QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
        if (Background::running() == 0) {
            break;
        }
        QThread::msleep(2);
    } while (!deadline.hasExpired());
    QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
}

void QtMainQueue::install() {
    MainQueue::install(std::make_shared<QtMainQueue>());
}

} // namespace fen::ui
