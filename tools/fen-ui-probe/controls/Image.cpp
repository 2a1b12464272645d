// The image panel: "image-panel" builds it over the tab's starting image record, its store's QR
// codes in the picker. Actions: "choose:TITLE" picks a menu entry of the selector (a QR code is
// rendered and its prepared picture delivered as the window would deliver it), "clear" presses
// "Clear", "angle:N" the angle menu's entry N.
#include "Probe.h"

#include "controls/SpecialAdditionalGenericSelector.h"
#include "controls/ToolBarViewButton.h"
#include "controls/WMAnglesView.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/PanelImage.h"
#include "panels/SpecialAdditionalImage.h"
#include "panels/SpecialAdditionalImageCenter.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/image/ImageCodec.h"
#include "storage/MainSettingsImageHolder.h"

#include <QComboBox>
#include <QMenu>

namespace fen::probe {

namespace {

void imagePanel(Probe& p, QWidget* host) {
    auto channel = NotificationDocumentCenter::makeDocumentNotificationCenter();
    auto holder = std::make_shared<MainSettingsImageHolder>();
    auto written = std::make_shared<ImageSettings>(SettingsTabController::defaultImageSettings());
    auto* panel = new PanelImage(
        channel, *written,
        [&p, written, channel](const ImageSettings& settings) {
            *written = settings;
            ++p.actions;
            // The window's holder answers each record with the prepared picture.
            std::any picture;
            if (settings.imageURL) {
                if (auto decoded = gfx::ImageCodec::decodeFile(settings.imageURL->path())) {
                    picture = *decoded;
                }
            }
            NotificationCenter::defaultCenter().post(channel->scopedName("ImageImage_"), picture);
        },
        holder, PanelImageLogic::defaultPositionItems(), WMAngles::d0, true,
        [](QWidget*, std::function<void(std::optional<QString>)> done) { done(std::nullopt); },
        host);
    panel->setMinimumSize(380, 560);
    SpecialAdditionalImage* source = panel->source();
    p.target = source->selector()->chevron();
    p.shown = panel;
    p.act = [panel, source](const QString& action) {
        if (action.startsWith("choose:")) {
            for (QAction* entry : source->selector()->menu()->actions()) {
                if (entry->text() == action.mid(7)) {
                    entry->trigger();
                    return true;
                }
            }
            return false;
        }
        if (action == "clear") {
            source->clearButton()->click();
            return true;
        }
        if (action.startsWith("angle:")) {
            const int index = action.mid(6).toInt();
            if (index < 0 || index >= panel->angles()->picker()->count()) {
                return false;
            }
            panel->angles()->picker()->setCurrentIndex(index);
            Q_EMIT panel->angles()->picker()->activated(index);
            return true;
        }
        return false;
    };
    p.state = [&p, panel, source, written] {
        QJsonArray menu;
        for (QAction* entry : source->selector()->menu()->actions()) {
            if (!entry->isSeparator()) {
                menu.append(entry->text());
            }
        }
        QJsonObject settings{
            {"angle", QString::fromStdString(std::string(
                          EnumCases<WMAngles>::names[static_cast<int>(written->angle)]))}};
        if (written->imageURL) {
            settings["imageFile"] = QString::fromStdString(written->imageURL->lastPathComponent());
        }
        return QJsonObject{{"settings", settings},
                           {"writes", p.actions},
                           {"selection", QString::fromStdString(source->logic().selection())},
                           {"menu", menu},
                           {"preview", source->center()->image()
                                           ? QStringLiteral("picture")
                                           : SpecialAdditionalImageCenter::placeholderText()},
                           {"clearEnabled", source->clearButton()->isEnabled()},
                           {"saveEnabled", source->saveButton()->isEnabled()},
                           {"angles", panel->angles()->picker()->count()},
                           {"angle", panel->angles()->picker()->currentText()}};
    };
}

const Registration imagePanelRegistration{
    {"image-panel", [](Probe& p, QWidget* host) { imagePanel(p, host); }},
};

} // namespace

} // namespace fen::probe
