#pragma once

#include <QObject>
#include <QPointer>

class QGraphicsOpacityEffect;
class QWidget;

namespace fen {

class KeyWindowNodifier;

// Draws `content`'s accent colour (the palette's Highlight, read at paint time) as the accent
// while its window is the key window and as the standard grey otherwise. It starts coloured and
// follows a KeyWindowNodifier placed in the content.
class KvWindowKeyResignAccentColorModifier : public QObject {
    Q_OBJECT
public:
    explicit KvWindowKeyResignAccentColorModifier(QWidget* content);
    ~KvWindowKeyResignAccentColorModifier() override;
    bool isColored() const { return isColored_; }

private:
    void setColored(bool colored);

    QWidget* content_;
    // Goes with the modifier, so it never reports to a modifier that is gone.
    QPointer<KeyWindowNodifier> nodifier_;
    bool isColored_ = true;
};

// Draws `content` at full opacity while its window is the key window and at half opacity
// otherwise (the space it takes stays). It starts as key and follows a KeyWindowNodifier placed
// in the content.
class KvWindowKeyResignToolbarButtonModifier : public QObject {
    Q_OBJECT
public:
    explicit KvWindowKeyResignToolbarButtonModifier(QWidget* content);
    ~KvWindowKeyResignToolbarButtonModifier() override;
    bool isKey() const { return isKey_; }

private:
    void setKey(bool key);

    QWidget* content_;
    QGraphicsOpacityEffect* effect_;
    QPointer<KeyWindowNodifier> nodifier_;
    bool isKey_ = true;
};

} // namespace fen
