// The sections of the panels to a screen reader: each plate is a group named by its section's
// title, the title translated once.
#include "UiTestSupport.h"

#include "controls/FormContainers.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/PanelImage.h"
#include "panels/PanelImageLogic.h"
#include "panels/PanelOther.h"
#include "storage/MainSettingsImageHolder.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QLabel>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace fen {
namespace {

QAccessibleInterface* accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

// The plate a section built around `content` puts it on.
QWidget* plateOf(QWidget* content) {
    return content->parentWidget();
}

TEST(SectionModifier, APlateIsAGroupNamedByItsSectionsTitle) {
    QWidget host;
    auto* content = new QLabel(QStringLiteral("rows"));
    std::unique_ptr<QWidget> section(SectionModifier::apply(content, QStringLiteral("Layer")));
    QWidget* plate = plateOf(content);
    EXPECT_EQ(accessible(plate)->role(), QAccessible::Grouping);
    EXPECT_EQ(accessible(plate)->text(QAccessible::Name), QStringLiteral("Layer"));
    // The header shows the title in upper case; the group keeps the title as written.
    const QList<QLabel*> labels = section->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                            [](QLabel* label) { return label->text() == "LAYER"; }));

    // Without a title, a group without a name; the position grid's section is "Position".
    auto* bare = new QLabel(QStringLiteral("rows"));
    std::unique_ptr<QWidget> untitled(SectionModifier::apply(bare, QString()));
    EXPECT_EQ(accessible(plateOf(bare))->role(), QAccessible::Grouping);
    EXPECT_TRUE(accessible(plateOf(bare))->text(QAccessible::Name).isEmpty());
    auto* grid = new QLabel(QStringLiteral("cells"));
    std::unique_ptr<QWidget> position(SectionPositionModifier::apply(grid, QString()));
    EXPECT_EQ(accessible(plateOf(grid))->role(), QAccessible::Grouping);
    EXPECT_EQ(accessible(plateOf(grid))->text(QAccessible::Name), QStringLiteral("Position"));
}

// Translates "Distance to Edge", and its translation again, so a text translated twice shows.
class TwiceTelling : public QTranslator {
public:
    QString translate(const char*, const char* sourceText, const char*, int) const override {
        const QString text = QString::fromUtf8(sourceText);
        if (text == "Distance to Edge") {
            return QStringLiteral("Abstand zum Rand");
        }
        if (text == "Abstand zum Rand") {
            return QStringLiteral("Translated twice");
        }
        return QString();
    }
    bool isEmpty() const override { return false; }
};

TEST(SectionModifier, TheDistanceSectionsOfTheImageAndPageNumberPanelsAreTranslatedOnce) {
    TwiceTelling translator;
    QCoreApplication::installTranslator(&translator);
    auto channel = NotificationDocumentCenter::makeDocumentNotificationCenter();
    auto holder = std::make_shared<MainSettingsImageHolder>();
    QWidget host;
    auto* image = new PanelImage(
        channel, SettingsTabController::defaultImageSettings(), [](const ImageSettings&) {}, holder,
        PanelImageLogic::defaultPositionItems(), WMAngles::d0, true,
        [](QWidget*, std::function<void(std::optional<QString>)>) {}, &host);
    auto* numbers = new PanelOther(SettingsTabController::defaultPageNumberSettings(), holder,
                                   channel, PanelOtherLogic::defaultPositionItems(),
                                   OtherStyles::style1, {1, 2, 1, 1}, &host);
    for (QWidget* panel : std::initializer_list<QWidget*>{image, numbers}) {
        SCOPED_TRACE(panel->metaObject()->className());
        QStringList headers;
        for (QLabel* label : panel->findChildren<QLabel*>()) {
            headers << label->text();
        }
        EXPECT_TRUE(headers.contains("ABSTAND ZUM RAND")) << headers.join('|').toStdString();
        EXPECT_FALSE(headers.contains("TRANSLATED TWICE"));
        QStringList groups;
        for (SectionPlate* plate : panel->findChildren<SectionPlate*>()) {
            groups << accessible(plate)->text(QAccessible::Name);
        }
        EXPECT_TRUE(groups.contains("Abstand zum Rand")) << groups.join('|').toStdString();
    }
    QCoreApplication::removeTranslator(&translator);
}

} // namespace
} // namespace fen
