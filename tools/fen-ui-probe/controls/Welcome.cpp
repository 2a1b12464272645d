// The welcome window's page: the welcome page of a first start and the what's-new page of a new
// build, at the window's fixed 600 by 700 points.
#include "Probe.h"

#include "shell/Shell.h"
#include "shell/WelcomeWhatsNewView.h"

namespace fen::probe {

namespace {

void page(Probe& p, QWidget* host, int style) {
    auto* view = new WelcomeWhatsNewView(
        OnBoardingWhatsNew::forStyle(style, mainBundleInfo()), [&p] { ++p.actions; }, host);
    view->setFixedSize(600, 700);
    view->setAccessibleName(style == 1 ? "What's New" : "Welcome");
    p.target = p.shown = view;
    p.state = [&p, view] {
        QJsonArray rows;
        for (const OnBoardingWhatsNewItem& item : view->page().items) {
            rows.push_back(QString::fromStdString(item.title));
        }
        return QJsonObject{{"isUpdate", view->page().isUpdate},
                           {"appName", QString::fromStdString(view->page().appName)},
                           {"rows", rows},
                           {"dismissed", p.actions}};
    };
}

const Registration pages{
    {"welcome", [](Probe& p, QWidget* host) { page(p, host, 0); }},
    {"whats-new", [](Probe& p, QWidget* host) { page(p, host, 1); }},
};

} // namespace

} // namespace fen::probe
