#include "panels/PanelSections.h"

namespace fen {

void addSourceSection(FenForm* form, QWidget* source) {
    QWidget* section = SectionModifier::apply(source, QString());
    section->setContentsMargins(-10, 0, 0, 0);
    form->addRow(section);
}

} // namespace fen
