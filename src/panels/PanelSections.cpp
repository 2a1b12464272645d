#include "panels/PanelSections.h"

#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>

namespace fen {

void addSourceSection(FenForm* form, QWidget* source) {
    QWidget* section = SectionModifier::apply(source, QString());
    section->setContentsMargins(-10, 0, 0, 0);
    form->addRow(section);
}

void revealInForm(QWidget* shown) {
    QScrollArea* form = nullptr;
    for (QWidget* above = shown->parentWidget(); above && !form; above = above->parentWidget()) {
        form = qobject_cast<QScrollArea*>(above);
    }
    if (!form || !form->isVisible()) {
        return;
    }
    // Showing a row only asks for a new layout; the column and its scroll range grow when the
    // requests up the tree have run, which is done here rather than a turn later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (shown->height() > form->viewport()->height()) {
        form->verticalScrollBar()->setValue(shown->mapTo(form->widget(), QPoint(0, 0)).y());
    } else {
        form->ensureWidgetVisible(shown, 0, 0);
    }
}

} // namespace fen
