// The font and colour editors: the font rows on the installed fonts ("fonts"), the colour well
// ("well") and the colour and outline editor ("colour"); and "show fonts", a real window with a
// font editor and a colour and outline editor that prints one JSON line per record written.
// The colour dialog is stood in for by a chooser that answers white at once.
#include "Probe.h"

#include "controls/ColorAndTypeView.h"
#include "controls/Color_Color_Selector_View.h"
#include "controls/DFColorWell.h"
#include "controls/FontSelectorView.h"
#include "controls/KvToggle.h"
#include "model/ColorHex.h"

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QTest>
#include <QVBoxLayout>

namespace fen::probe {

namespace {

QString hex(const gfx::Color& color) {
    return QString::fromStdString(colorHexString(color));
}

QJsonObject fontJson(const FontSetting& font) {
    return QJsonObject{{"familyname", QString::fromStdString(font.familyname)},
                       {"style", QString::fromStdString(font.style)},
                       {"size", qint64(font.size)}};
}

QJsonObject colourJson(const ColorOutlineSetting& setting) {
    return QJsonObject{{"color", hex(setting.color)}, {"isOutlined", setting.isOutlined}};
}

DFColorWell::ColorChooser whiteChooser() {
    return [](QWidget*, const QColor&, std::function<void(const QColor&)> chosen) {
        chosen(QColor(Qt::white));
    };
}

// Chooses the entry `text` as the keyboard does: from its neighbour, one arrow key.
bool chooseEntry(QComboBox* box, const QString& text) {
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0 || box->count() < 2) {
        return false;
    }
    box->setCurrentIndex(index > 0 ? index - 1 : 1);
    QTest::keyClick(box, index > 0 ? Qt::Key_Down : Qt::Key_Up);
    return true;
}

const InstalledFontCatalog& installedFonts() {
    static const InstalledFontCatalog catalog;
    return catalog;
}

void fonts(Probe& p, QWidget* host) {
    auto* view = new FontSelectorView({"Helvetica Neue", "Regular", 17}, installedFonts(), host);
    view->setMinimumWidth(320);
    QObject::connect(view, &FontSelectorView::valueEdited, host, [&p, view](const FontSetting& f) {
        ++p.actions;
        view->setValue(f);
    });
    QComboBox* family = view->familyRow()->picker();
    QComboBox* style = view->styleRow()->picker();
    p.target = family;
    p.shown = view;
    // "family:NAME", "style:NAME": a choice in the row, "load:FAMILY,STYLE,SIZE": a record from
    // outside.
    p.act = [view, family, style](const QString& action) {
        if (action.startsWith("family:")) {
            return chooseEntry(family, action.mid(7));
        }
        if (action.startsWith("style:")) {
            return chooseEntry(style, action.mid(6));
        }
        if (action.startsWith("load:")) {
            const QStringList parts = action.mid(5).split(',');
            if (parts.size() != 3) {
                return false;
            }
            view->setValue({parts[0].toStdString(), parts[1].toStdString(), parts[2].toLongLong()});
            return true;
        }
        return false;
    };
    p.state = [&p, view, family, style] {
        QJsonArray styles;
        for (int i = 0; i < style->count(); ++i) {
            styles.push_back(style->itemText(i));
        }
        return QJsonObject{{"font", fontJson(view->value())},
                           {"family", family->currentText()},
                           {"families", family->count()},
                           {"style", style->currentText()},
                           {"size", qint64(view->logic().model().fontSizeValue())},
                           {"styles", styles},
                           {"writes", p.actions}};
    };
}

void well(Probe& p, QWidget* host) {
    auto* well = new DFColorWell(50, {1, 0, 0, 1}, host, whiteChooser());
    QObject::connect(well, &DFColorWell::colorValueEdited, host, [&p] { ++p.actions; });
    p.target = well->colorHalf();
    p.shown = well;
    // "palette": the colour half's click; "pick:N": palette swatch N; "wheel": the wheel half.
    p.act = [well](const QString& action) {
        if (action == "palette") {
            QTest::mouseClick(well->colorHalf(), Qt::LeftButton, {}, QPoint(10, 10));
        } else if (action == "wheel") {
            QTest::mouseClick(well->wheelHalf(), Qt::LeftButton);
        } else if (action.startsWith("pick:") && well->grid()) {
            const auto& swatches = well->grid()->swatches();
            const std::size_t n = action.mid(5).toUInt();
            if (n >= swatches.size()) {
                return false;
            }
            QTest::mouseClick(swatches[n], Qt::LeftButton);
        } else {
            return false;
        }
        return true;
    };
    p.state = [&p, well] {
        QJsonObject state{{"color", hex(well->colorValue())},
                          {"showGrid", well->showGrid()},
                          {"edits", p.actions},
                          {"colorHalf", rectJson(well->colorHalf()->geometry())},
                          {"wheelHalf", rectJson(well->wheelHalf()->geometry())}};
        if (QFrame* popover = well->popover()) {
            const QPoint origin = well->mapToGlobal(QPoint(0, 0));
            state["popover"] = rectJson(popover->geometry().translated(-origin));
        }
        return state;
    };
}

void colour(Probe& p, QWidget* host) {
    auto* view =
        new ColorAndTypeView({{0, 0, 0, 1}, false}, true, {0, 0, 0, 1}, host, whiteChooser());
    view->setMinimumWidth(320);
    QObject::connect(view, &ColorAndTypeView::valueEdited, host,
                     [&p, view](const ColorOutlineSetting& s) {
                         ++p.actions;
                         view->setValue(s);
                     });
    p.target = view->swatchRow()->button(0);
    p.shown = view;
    // "swatch:N": swatch N of the row; "outline": the switch; "palette", "pick:N", "wheel": the
    // well, as for the well's own probe.
    p.act = [view](const QString& action) {
        DFColorWell* well = view->well();
        if (action.startsWith("swatch:")) {
            const int n = action.mid(7).toInt();
            if (n < 0 || n > 2) {
                return false;
            }
            QTest::mouseClick(view->swatchRow()->button(n), Qt::LeftButton);
        } else if (action == "outline") {
            QTest::mouseClick(view->outlineToggle()->toggleSwitch(), Qt::LeftButton);
        } else if (action == "palette" && well->isVisible()) {
            QTest::mouseClick(well->colorHalf(), Qt::LeftButton, {}, QPoint(10, 10));
        } else if (action == "wheel" && well->isVisible()) {
            QTest::mouseClick(well->wheelHalf(), Qt::LeftButton);
        } else if (action.startsWith("pick:") && well->grid()) {
            const std::size_t n = action.mid(5).toUInt();
            if (n >= well->grid()->swatches().size()) {
                return false;
            }
            QTest::mouseClick(well->grid()->swatches()[n], Qt::LeftButton);
        } else {
            return false;
        }
        return true;
    };
    p.state = [&p, view] {
        QJsonObject state = colourJson(view->value());
        state["selectedIdx"] = view->swatchRow()->selectedIdx();
        state["wellShown"] = view->well()->isVisible();
        state["writes"] = p.actions;
        return state;
    };
}

const Registration editors{
    {"fonts", fonts},
    {"well", well},
    {"colour", colour},
};

int showFonts() {
    ShownWindow shown;
    QMainWindow& window = shown.window;
    QVBoxLayout* layout = shown.layout;
    auto* fontEditor = new FontSelectorView({"Helvetica Neue", "Regular", 17}, installedFonts());
    auto* colourEditor =
        new ColorAndTypeView({{0, 0, 0, 1}, false}, true, {0, 0, 0, 1}, nullptr, whiteChooser());
    layout->addWidget(fontEditor);
    layout->addWidget(colourEditor);
    layout->addStretch(1);
    // The owner holds each record written and hands it back, as a panel does.
    QObject::connect(fontEditor, &FontSelectorView::valueEdited, &window,
                     [fontEditor](const FontSetting& font) {
                         printLine({{"event", "font"}, {"font", fontJson(font)}});
                         fontEditor->setValue(font);
                     });
    QObject::connect(colourEditor, &ColorAndTypeView::valueEdited, &window,
                     [colourEditor](const ColorOutlineSetting& setting) {
                         printLine({{"event", "colour"}, {"colour", colourJson(setting)}});
                         colourEditor->setValue(setting);
                     });
    return shown.exec(QSize(460, 280));
}

const ShowRegistration windows{{"fonts", showFonts}};

} // namespace

} // namespace fen::probe
