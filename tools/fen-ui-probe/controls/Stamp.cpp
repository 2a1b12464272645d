// The stamp panel: "stamp" builds it over a record without a stamp text, "stamp-paid" over one
// whose text is "Paid", with the prepared picture delivered as the window would deliver it.
// Actions: "choose:TITLE" picks a menu entry of the selector, "angle:N" the angle menu's entry N,
// "include" flips "Include Date & Name".
#include "Probe.h"

#include "controls/DFColorWell.h"
#include "controls/KvToggle.h"
#include "controls/SpecialAdditionalGenericSelector.h"
#include "controls/ToolBarViewButton.h"
#include "controls/WMAnglesView.h"
#include "export/NotificationDocumentCenter.h"
#include "model/StartOfToday.h"
#include "panels/NameAndDate.h"
#include "panels/PanelStamp.h"
#include "panels/SpecialAdditionalStamp.h"
#include "platform/foundation/NotificationCenter.h"
#include "rendering/FenStampImageBuilder.h"
#include "storage/MainSettingsImageHolder.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>

namespace fen::probe {

namespace {

QJsonObject settingsJson(const StampSettings& settings) {
    QJsonObject o{{"angle", QString::fromStdString(std::string(
                                EnumCases<WMAngles>::names[static_cast<int>(settings.angle)]))},
                  {"isIncluded", settings.datename.isIncluded}};
    if (settings.stampTextColor && settings.stampTextColor->stampText) {
        o["stampText"] = QString::fromStdString(*settings.stampTextColor->stampText);
    }
    return o;
}

void stamp(Probe& p, QWidget* host, bool withStamp) {
    auto channel = NotificationDocumentCenter::makeDocumentNotificationCenter();
    auto holder = std::make_shared<MainSettingsImageHolder>();
    auto written = std::make_shared<StampSettings>();
    StampSettings start;
    start.stampTextColor = StampTextColor{std::nullopt, gfx::Color{1, 0, 0, 1}};
    start.position = Positions::topleft;
    start.angle = WMAngles::auto_;
    start.datename.dateValue = startOfToday();
    start.datename.isDateCurrent = true;
    if (withStamp) {
        start.stampTextColor->stampText = "Paid";
    }
    *written = start;
    auto* panel = new PanelStamp(
        start,
        [&p, written](const StampSettings& settings) {
            *written = settings;
            ++p.actions;
        },
        holder, channel, PanelStampLogic::defaultPositionItems(), WMAngles::auto_, {}, host);
    panel->setMinimumSize(380, 480);
    if (withStamp) {
        NotificationCenter::defaultCenter().post(
            channel->scopedName("StampImage_"),
            std::any(FenStampImageBuilder::buildStampImage("PAID", std::nullopt, std::nullopt,
                                                           {1, 0, 0, 0.5}, 20)));
    }
    SpecialAdditionalStamp* source = panel->source();
    p.target = source->selector()->chevron();
    p.shown = panel;
    p.act = [panel, source](const QString& action) {
        if (chooseMenuEntry(source->selector()->menu(), action) ||
            pickComboEntry(panel->angles()->picker(), "angle", action)) {
            return true;
        }
        if (action == "include") {
            panel->nameAndDate()->includeToggle()->toggleSwitch()->click();
            return true;
        }
        return false;
    };
    p.state = [&p, panel, source, written, channel] {
        QJsonArray menu;
        for (QAction* entry : source->selector()->menu()->actions()) {
            if (!entry->isSeparator()) {
                menu.append(entry->text());
            }
        }
        return QJsonObject{
            {"settings", settingsJson(*written)},
            {"writes", p.actions},
            {"selection", QString::fromStdString(source->logic().selection())},
            {"menu", menu},
            {"preview", source->image() ? QStringLiteral("picture") : source->preview()->text()},
            {"colorWellShown", !source->colorWell()->isHidden()},
            {"saveEnabled", source->saveButton()->isEnabled()},
            {"angles", panel->angles()->picker()->count()},
            {"angle", panel->angles()->picker()->currentText()}};
    };
}

const Registration stampPanel{
    {"stamp", [](Probe& p, QWidget* host) { stamp(p, host, false); }},
    {"stamp-paid", [](Probe& p, QWidget* host) { stamp(p, host, true); }},
};

} // namespace

} // namespace fen::probe
