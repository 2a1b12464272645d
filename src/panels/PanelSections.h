#pragma once

#include "controls/FormContainers.h"
#include "controls/PositionSelectorView.h"
#include "controls/SlidersBlock.h"
#include "controls/WMAnglesView.h"

#include <QObject>

#include <cstdint>
#include <utility>
#include <vector>

namespace fen {

// The source row that opens a watermark panel: a section reaching 10 points further towards the
// leading side than the other sections.
void addSourceSection(FenForm* form, QWidget* source);

// Scrolls the panel's column, once its layout has taken in what was just shown, so that the
// whole of `shown` is in view (its top when it is taller than the view). For what a switch
// reveals, which may open below the bottom of the column.
void revealInForm(QWidget* shown);

// The placement sections that the stamp and image panels share: position, angle, and size with
// opacity, each writing its edits into the panel's working copies (`Logic` has position(),
// selectionAngle(), sizeOpacity() and their setters).
struct PlacementSections {
    PositionSelectorView* position;
    WMAnglesView* angles;
    SlidersBlockSizeOpacity* sizeOpacity;
};

template <class Logic>
PlacementSections addPlacementSections(FenForm* form, QObject* context, Logic& logic,
                                       const std::vector<Positions>& positionItems,
                                       std::vector<WMAngles> angleItems, std::int64_t largestSize) {
    PlacementSections sections{new PositionSelectorView(logic.position(), positionItems),
                               new WMAnglesView(std::move(angleItems), logic.selectionAngle()),
                               new SlidersBlockSizeOpacity(logic.sizeOpacity(), largestSize)};
    form->addRow(SectionPositionModifier::apply(sections.position, QString()));
    QObject::connect(sections.position, &PositionSelectorView::positionEdited, context,
                     [&logic](Positions position) { logic.setPosition(position); });
    form->addRow(SectionModifier::apply(sections.angles, QString()));
    QObject::connect(sections.angles, &WMAnglesView::selectionAngleEdited, context,
                     [&logic](WMAngles angle) { logic.setSelectionAngle(angle); });
    form->addRow(SectionModifier::apply(sections.sizeOpacity, QString()));
    QObject::connect(sections.sizeOpacity, &SlidersBlockSizeOpacity::valueEdited, context,
                     [&logic](const SizeOpacitySetting& value) { logic.setSizeOpacity(value); });
    return sections;
}

} // namespace fen
