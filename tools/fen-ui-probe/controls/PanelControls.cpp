// The controls the watermark panels are made of: the position grid over the nine text positions
// ("positions", starting at Diagonal; worked by mouse or by the keys alone), the layer selector
// ("layer", starting in front) and the entry field under the text list ("input"); and "show
// controls", a real window with a size-and-opacity block, a "Vertical" row, the grid, the layer
// selector and the entry field that prints one JSON line per value written to its bindings.
#include "Probe.h"

#include "controls/BackgroundForegroundView.h"
#include "controls/PositionSelectorView.h"
#include "controls/SlidersBlock.h"
#include "controls/TextInputs.h"
#include "model/Positions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace fen::probe {

namespace {

const std::vector<Positions> textPositions = {
    Positions::topleft,     Positions::topcenter,  Positions::topright,
    Positions::middle,      Positions::bottomleft, Positions::bottomcenter,
    Positions::bottomright, Positions::diagonal,   Positions::triple};

QString positionName(Positions position) {
    return QString::fromUtf8(caseName(position).data(), int(caseName(position).size()));
}

void positions(Probe& p, QWidget* host) {
    auto* grid = new PositionSelectorView(Positions::diagonal, textPositions, host);
    grid->setMinimumWidth(300);
    // The pages arrive from the paging on the main queue.
    (void)QTest::qWaitFor([grid] { return grid->pageCount() > 0; }, 5000);
    QObject::connect(grid, &PositionSelectorView::positionEdited, host, [&p, grid](Positions v) {
        ++p.actions;
        grid->setPosition(v);
    });
    p.target = p.shown = grid;
    // "click:N": the cell of the N-th offered position, on its page; "page:N": a page dot.
    p.act = [grid](const QString& action) {
        if (action.startsWith("click:")) {
            const std::size_t n = action.mid(6).toUInt();
            if (n >= textPositions.size()) {
                return false;
            }
            grid->setCurrentPage(int(n / 4));
            QTest::mouseClick(grid->cell(textPositions[n]), Qt::LeftButton);
            return true;
        }
        if (action.startsWith("page:") && grid->pageDot(action.mid(5).toInt())) {
            QTest::mouseClick(grid->pageDot(action.mid(5).toInt()), Qt::LeftButton);
            return true;
        }
        return false;
    };
    p.state = [&p, grid] {
        QJsonArray cells;
        for (PositionSelector_Item_View* cell : grid->page(grid->currentPage())->cells()) {
            cells.push_back(accessibleJson(cell));
        }
        const QWidget* focused = QApplication::focusWidget();
        return QJsonObject{{"position", positionName(grid->position())},
                           {"page", grid->currentPage()},
                           {"pages", grid->pageCount()},
                           {"description", grid->accessibleDescription()},
                           {"cells", cells},
                           {"focused", focused ? focused->accessibleName() : QString()},
                           {"writes", p.actions}};
    };
}

void layer(Probe& p, QWidget* host) {
    auto* layer = new BackgroundForegroundView(false, host);
    layer->setMinimumWidth(200);
    QObject::connect(layer, &BackgroundForegroundView::isInBackgroundEdited, host,
                     [&p, layer](bool v) {
                         ++p.actions;
                         layer->setIsInBackground(v);
                     });
    p.target = p.shown = layer;
    // "click:0" the "Behind" button, "click:1" the "In Front" one.
    p.act = [layer](const QString& action) {
        if (action != "click:0" && action != "click:1") {
            return false;
        }
        QTest::mouseClick(layer->selector()->button(action.mid(6).toInt()), Qt::LeftButton);
        return true;
    };
    p.state = [&p, layer] {
        return QJsonObject{{"isInBackground", layer->isInBackground()},
                           {"behind", accessibleJson(layer->selector()->button(0))},
                           {"inFront", accessibleJson(layer->selector()->button(1))},
                           {"writes", p.actions}};
    };
}

void input(Probe& p, QWidget* host) {
    auto* input = new FenViewInputNew(
        "Enter a text watermark", "", [&p] { ++p.actions; }, host);
    input->setMinimumWidth(300);
    input->lineEdit()->setFocus();
    p.target = input->lineEdit();
    p.shown = input;
    // "clear": the clear button.
    p.act = [input](const QString& action) {
        if (action != "clear" || !input->clearButton()->isVisible()) {
            return false;
        }
        QTest::mouseClick(input->clearButton(), Qt::LeftButton);
        return true;
    };
    p.state = [&p, input] {
        return QJsonObject{{"text", input->text()},
                           {"actions", p.actions},
                           {"focused", input->focusState()},
                           {"clearShown", input->clearButton()->isVisible()}};
    };
}

const Registration panelControls{
    {"positions", positions},
    {"layer", layer},
    {"input", input},
};

void printWrite(const char* control, const QJsonValue& value) {
    printLine({{"event", "write"}, {"control", control}, {"value", value}});
}

int showControls() {
    ShownWindow shown;
    QWidget* central = shown.central;
    QVBoxLayout* layout = shown.layout;

    auto* sizeOpacity = new SlidersBlockSizeOpacity({100, 80}, 200, central);
    QObject::connect(sizeOpacity, &SlidersBlockSizeOpacity::valueEdited, sizeOpacity,
                     [sizeOpacity](const SizeOpacitySetting& v) {
                         printWrite("sizeOpacity", QJsonObject{{"size", qint64(v.size)},
                                                               {"opacity", qint64(v.opacity)}});
                         sizeOpacity->setValue(v);
                     });
    layout->addWidget(sizeOpacity);
    auto* vertical = new SlidersBlockUnit("Vertical", 0, -100, 100, "pt", central);
    QObject::connect(vertical, &SlidersBlockUnit::valueEdited, vertical,
                     [vertical](std::int64_t v) {
                         printWrite("vertical", qint64(v));
                         vertical->setValue(v);
                     });
    layout->addWidget(vertical);
    auto* grid = new PositionSelectorView(Positions::diagonal, textPositions, central);
    QObject::connect(grid, &PositionSelectorView::positionEdited, grid, [grid](Positions v) {
        printWrite("position", positionName(v));
        grid->setPosition(v);
    });
    layout->addWidget(grid);
    auto* layer = new BackgroundForegroundView(false, central);
    QObject::connect(layer, &BackgroundForegroundView::isInBackgroundEdited, layer,
                     [layer](bool v) {
                         printWrite("isInBackground", v);
                         layer->setIsInBackground(v);
                     });
    layout->addWidget(layer);
    auto* input = new FenViewInputNew(
        "Enter a text watermark", "",
        [] {
            printLine({{"event", "submit"}});
        },
        central);
    QObject::connect(input, &FenViewInputNew::textEdited, input,
                     [input](const QString& text) { input->setText(text); });
    layout->addWidget(input);
    layout->addStretch(1);
    return shown.exec(QSize(420, 640));
}

const ShowRegistration windows{{"controls", showControls}};

} // namespace

} // namespace fen::probe
