// What a screen reader hears of each control: a name that says what the control sets, never its
// value (which it hears as the value or the description), and never the name of another control
// of the same role beside it. Checked on the four settings pages (with the text list above
// them), in the QR code creator and in the password dialog.
#include "DocumentWindowFixture.h"
#include "UiTestSupport.h"

#include "controls/CustomSegmentedPickerView.h"
#include "controls/DateSelectorPicker.h"
#include "controls/KvToggle.h"
#include "document/FenPasswordPanel.h"
#include "model/StartOfToday.h"
#include "panels/NameAndDate.h"
#include "panels/PanelStamp.h"
#include "panels/QRCodeCreatorDetails.h"
#include "storage/QRCodeDBModel.h"

#include <QAccessible>
#include <QLineEdit>
#include <QMainWindow>
#include <QStackedWidget>

#include <map>
#include <set>

namespace fen {
namespace {

// One node an assistive tool reaches, as it hears it.
struct Heard {
    QAccessible::Role role;
    QString name;
    QString value;
    QString description;
};

// The shown nodes under `root`, top to bottom.
void collect(QAccessibleInterface* node, std::vector<Heard>& heard) {
    if (!node || node->state().invisible) {
        return;
    }
    heard.push_back({node->role(), node->text(QAccessible::Name), node->text(QAccessible::Value),
                     node->text(QAccessible::Description)});
    for (int i = 0; i < node->childCount(); ++i) {
        collect(node->child(i), heard);
    }
}

std::vector<Heard> heardUnder(const std::vector<QWidget*>& roots) {
    std::vector<Heard> heard;
    for (QWidget* root : roots) {
        collect(QAccessible::queryAccessibleInterface(root), heard);
    }
    return heard;
}

QString roleName(QAccessible::Role role) {
    return QString::number(role, 16);
}

// Every control is named, not by its value, and by a name no other control of its role has; no
// label is blank.
void expectNamedOnce(const std::vector<Heard>& heard) {
    static const std::set<QAccessible::Role> controls = {
        QAccessible::Button,   QAccessible::CheckBox,    QAccessible::RadioButton,
        QAccessible::Slider,   QAccessible::SpinBox,     QAccessible::EditableText,
        QAccessible::ComboBox, QAccessible::PageTab,     QAccessible::ButtonMenu,
        QAccessible::List,     QAccessible::PageTabList, QAccessible::ButtonDropDown};
    std::map<std::pair<QAccessible::Role, QString>, int> names;
    for (const Heard& node : heard) {
        if (node.role == QAccessible::StaticText) {
            EXPECT_FALSE(node.name.trimmed().isEmpty()) << "a label without a text";
        }
        if (!controls.count(node.role)) {
            continue;
        }
        SCOPED_TRACE("role " + roleName(node.role).toStdString() + " named '" +
                     node.name.toStdString() + "'");
        EXPECT_FALSE(node.name.trimmed().isEmpty());
        if (!node.value.isEmpty()) {
            EXPECT_NE(node.name, node.value) << "named by its value";
        }
        const int seen = ++names[std::make_pair(node.role, node.name)];
        EXPECT_EQ(seen, 1) << "named as another of its role";
    }
}

// The node of this role and name; its value and description, or none when there is none.
std::optional<Heard> find(const std::vector<Heard>& heard, QAccessible::Role role,
                          const QString& name) {
    for (const Heard& node : heard) {
        if (node.role == role && node.name == name) {
            return node;
        }
    }
    return std::nullopt;
}

// What a named control should carry: its value as the value, or as the description.
struct Carried {
    QAccessible::Role role;
    QString name;
    QString value;
    QString description;
};

void expectCarried(const std::vector<Heard>& heard, const std::vector<Carried>& expected) {
    for (const Carried& c : expected) {
        SCOPED_TRACE(c.name.toStdString());
        const std::optional<Heard> node = find(heard, c.role, c.name);
        ASSERT_TRUE(node.has_value()) << "no such control";
        if (!c.value.isNull()) {
            EXPECT_EQ(node->value, c.value);
        }
        if (!c.description.isNull()) {
            EXPECT_EQ(node->description, c.description);
        }
    }
}

TEST(AccessibleNames, EachSettingsPageNamesItsControlsOnceByWhatTheySet) {
    test::DocumentWindow window;
    const QString today = DateSelectorPicker::formatted(startOfToday());
    const QString null;
    // By page, the controls the issue names, with what they carry.
    const std::vector<Carried> expected[] = {
        {{QAccessible::Slider, "Opacity slider", "40", null},
         {QAccessible::EditableText, "Opacity", "40", null},
         {QAccessible::Button, "Increase Opacity", null, null},
         {QAccessible::Button, "Open", null, null},
         {QAccessible::Button, "Save", null, null}},
        {{QAccessible::Slider, "Size slider", "100", null},
         {QAccessible::EditableText, "Size", "100", null},
         {QAccessible::Slider, "Vertical slider", "0", null},
         {QAccessible::Button, "Clear image", null, null},
         {QAccessible::Button, "Open preset", null, null},
         {QAccessible::Button, "Save preset", null, null}},
        {{QAccessible::Button, "Date", null, today},
         {QAccessible::Slider, "Opacity slider", "50", null},
         {QAccessible::Button, "Open preset", null, null},
         {QAccessible::Button, "Save preset", null, null}},
        {{QAccessible::Slider, "Horizontal slider", "0", null},
         {QAccessible::Button, "Open preset", null, null},
         {QAccessible::Button, "Save preset", null, null}},
    };
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(window.tab->tabRow()->tabs()[size_t(page)].title);
        QTest::mouseClick(window.tab->tabRow()->button(page), Qt::LeftButton);
        window.settle();
        if (page == 2) {
            // The date and name rows show.
            window.tab->stampPanel()->nameAndDate()->includeToggle()->toggleSwitch()->click();
            window.settle();
        }
        const std::vector<Heard> heard =
            heardUnder({window.tab->textListSlot(), window.tab->panels()->currentWidget()});
        expectNamedOnce(heard);
        expectCarried(heard, expected[page]);
    }
}

TEST(AccessibleNames, TheQrCreatorNamesItsDatesAndWellsByWhatTheySet) {
    QRCodeDBModel model;
    QRCodeStructure code;
    code.itemname = "Launch";
    QMainWindow window;
    auto* editor = new QRCodeCreatorDetails(model, code, [] {});
    window.setCentralWidget(editor);
    window.resize(760, 600);
    window.show();
    const QString null;
    for (int type = 0; type < 5; ++type) {
        SCOPED_TRACE(type);
        QTest::mouseClick(editor->selector()->button(type), Qt::LeftButton);
        QCoreApplication::processEvents();
        const std::vector<Heard> heard = heardUnder({editor});
        expectNamedOnce(heard);
        std::vector<Carried> expected = {
            {QAccessible::Button, "Background colour palette", null, "FFFFFF"},
            {QAccessible::Button, "Background colour dialog", null, null},
            {QAccessible::Button, "Foreground colour palette", null, "000000"},
            {QAccessible::Button, "Foreground colour dialog", null, null},
        };
        if (type == 3) {
            // An event without dates.
            expected.push_back({QAccessible::Button, "Start date", null, "No date"});
            expected.push_back({QAccessible::Button, "End date", null, "No date"});
        }
        expectCarried(heard, expected);
    }
}

TEST(AccessibleNames, ThePasswordDialogHasNoBlankLabelWhileThePasswordsMatch) {
    QWidget window;
    window.show();
    FenPasswordPanel* panel = FenPasswordPanel::presentPasswordPanel(&window, [](const auto&) {});
    const struct {
        const char* password;
        bool told;
    } steps[] = {{"", false}, {"a", true}, {"", false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.password);
        panel->passwordField()->setText(step.password);
        const std::vector<Heard> heard = heardUnder({panel});
        expectNamedOnce(heard);
        expectCarried(heard, {{QAccessible::EditableText, "Password", QString(), QString()},
                              {QAccessible::EditableText, "Verify", QString(), QString()}});
        EXPECT_EQ(find(heard, QAccessible::StaticText, "Passwords do not match").has_value(),
                  step.told);
    }
    delete panel;
}

} // namespace
} // namespace fen
