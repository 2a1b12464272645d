#include "ui/WindowKeyModifiers.h"

#include "ui/KeyWindowNodifier.h"
#include "ui/Theme.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

namespace fen {

KvWindowKeyResignAccentColorModifier::KvWindowKeyResignAccentColorModifier(QWidget* content)
    : QObject(content), content_(content),
      nodifier_(new KeyWindowNodifier([this](bool key) { setColored(key); }, content)) {}

KvWindowKeyResignAccentColorModifier::~KvWindowKeyResignAccentColorModifier() {
    delete nodifier_.data();
}

void KvWindowKeyResignAccentColorModifier::setColored(bool colored) {
    if (colored == isColored_) {
        return;
    }
    isColored_ = colored;
    QPalette palette = content_->palette();
    if (colored) {
        // The accent is inherited again, so a change of the desktop's palette still shows.
        QPalette::ResolveMask mask = palette.resolveMask();
        for (int group = 0; group < QPalette::NColorGroups; ++group) {
            mask &= ~(QPalette::ResolveMask(1)
                      << (group * QPalette::NColorRoles + int(QPalette::Highlight)));
        }
        palette.setResolveMask(mask);
    } else {
        palette.setColor(QPalette::Highlight, ui::Theme::gray());
    }
    content_->setPalette(palette);
}

KvWindowKeyResignToolbarButtonModifier::KvWindowKeyResignToolbarButtonModifier(QWidget* content)
    : QObject(content), content_(content), effect_(new QGraphicsOpacityEffect(content)) {
    effect_->setOpacity(1.0);
    effect_->setEnabled(false);
    content->setGraphicsEffect(effect_);
    nodifier_ = new KeyWindowNodifier([this](bool key) { setKey(key); }, content);
}

KvWindowKeyResignToolbarButtonModifier::~KvWindowKeyResignToolbarButtonModifier() {
    delete nodifier_.data();
}

void KvWindowKeyResignToolbarButtonModifier::setKey(bool key) {
    if (key == isKey_) {
        return;
    }
    isKey_ = key;
    effect_->setOpacity(key ? 1.0 : 0.5);
    // At full opacity the content is drawn directly.
    effect_->setEnabled(!key);
}

} // namespace fen
