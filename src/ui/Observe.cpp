#include "ui/Observe.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <memory>
#include <vector>

namespace fen::ui {

namespace {

// Holds an owner's observer tokens; a child of the owner, so the tokens go with it.
class ObserverTokens : public QObject {
public:
    explicit ObserverTokens(QObject* owner) : QObject(owner) {
        setObjectName(QStringLiteral("fen_observer_tokens"));
    }
    std::vector<ObserverToken> tokens;
};

ObserverTokens* tokensOf(QObject* owner) {
    auto* holder = owner->findChild<ObserverTokens*>(QStringLiteral("fen_observer_tokens"),
                                                     Qt::FindDirectChildrenOnly);
    return holder ? holder : new ObserverTokens(owner);
}

} // namespace

void observe(QObject* owner, const std::string& name, std::function<void(const Notification&)> fn) {
    auto shared = std::make_shared<std::function<void(const Notification&)>>(std::move(fn));
    QPointer<QObject> guard(owner);
    auto token = NotificationCenter::defaultCenter().addObserver(
        name, [shared, guard](const Notification& notification) {
            QCoreApplication* app = QCoreApplication::instance();
            if (!app) {
                return;
            }
            if (QThread::currentThread() == app->thread()) {
                if (guard) {
                    (*shared)(notification);
                }
                return;
            }
            QMetaObject::invokeMethod(
                app,
                [shared, guard, copy = notification] {
                    if (guard) {
                        (*shared)(copy);
                    }
                },
                Qt::QueuedConnection);
        });
    tokensOf(owner)->tokens.push_back(std::move(token));
}

} // namespace fen::ui
