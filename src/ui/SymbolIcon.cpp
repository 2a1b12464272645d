#include "ui/SymbolIcon.h"

#include "platform/foundation/DataFolder.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QSvgRenderer>
#include <QtMath>

#include <cstdio>
#include <memory>

namespace fen::ui {

namespace {

QString iconPath(const QString& name) {
    static const QString folder =
        QString::fromStdString((dataFolder() / "icons").string()) + QLatin1Char('/');
    return folder + name + QStringLiteral(".svg");
}

double strokeFactor(SymbolIcon::Weight weight) {
    switch (weight) {
    case SymbolIcon::Weight::Regular:
        return 1.0;
    case SymbolIcon::Weight::Medium:
        return 1.15;
    case SymbolIcon::Weight::Semibold:
        return 1.3;
    case SymbolIcon::Weight::Bold:
        return 1.45;
    case SymbolIcon::Weight::Heavy:
        return 1.7;
    }
    return 1.0;
}

// The drawing of a name at a weight: the SVG text with every stroke width scaled. Cached, since
// toolbars repaint on every hover.
QSvgRenderer* rendererFor(const QString& name, SymbolIcon::Weight weight) {
    static QHash<QString, std::shared_ptr<QSvgRenderer>> cache;
    const QString key = name + QLatin1Char('#') + QString::number(static_cast<int>(weight));
    if (auto found = cache.find(key); found != cache.end()) {
        return found->get();
    }
    QFile file(iconPath(name));
    if (!name.contains(QLatin1Char('/')) && file.open(QIODevice::ReadOnly)) {
        QString text = QString::fromUtf8(file.readAll());
        static const QRegularExpression width(QStringLiteral("stroke-width=\"([0-9.]+)\""));
        QString scaled;
        qsizetype last = 0;
        for (auto it = width.globalMatch(text); it.hasNext();) {
            const auto match = it.next();
            scaled += text.mid(last, match.capturedStart() - last);
            scaled += QStringLiteral("stroke-width=\"%1\"")
                          .arg(match.captured(1).toDouble() * strokeFactor(weight));
            last = match.capturedEnd();
        }
        scaled += text.mid(last);
        auto renderer = std::make_shared<QSvgRenderer>(scaled.toUtf8());
        if (renderer->isValid()) {
            cache.insert(key, renderer);
            return renderer.get();
        }
    }
    cache.insert(key, nullptr);
    static QSet<QString> reported;
    if (!reported.contains(name)) {
        reported.insert(name);
        std::fprintf(stderr, "No symbol image named \"%s\"\n", name.toUtf8().constData());
    }
    return nullptr;
}

} // namespace

bool SymbolIcon::exists(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && QFile::exists(iconPath(name));
}

QImage SymbolIcon::image(const QString& name, const QColor& colour, double points, Weight weight,
                         double devicePixelRatio) {
    const int side = qMax(1, qRound(points * devicePixelRatio));
    QImage result(side, side, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    result.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&result);
    paint(painter, QRectF(0, 0, points, points), name, colour, weight);
    return result;
}

void SymbolIcon::paint(QPainter& painter, const QRectF& target, const QString& name,
                       const QColor& colour, Weight weight, bool mirrored) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer* renderer = rendererFor(name, weight);
    if (!renderer) {
        painter.setPen(QPen(colour, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(target.adjusted(1.5, 1.5, -1.5, -1.5));
        painter.restore();
        return;
    }
    // Drawn black into a layer of its own, then coloured: the drawings carry shape only.
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels(qMax(1, qCeil(target.width() * dpr)), qMax(1, qCeil(target.height() * dpr)));
    QImage layer(pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHint(QPainter::Antialiasing);
        if (mirrored) {
            layerPainter.setTransform(QTransform(0, 1, 1, 0, 0, 0));
        }
        renderer->render(&layerPainter, QRectF(QPointF(0, 0), QSizeF(pixels)));
        layerPainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        layerPainter.resetTransform();
        layerPainter.fillRect(layer.rect(), colour);
    }
    layer.setDevicePixelRatio(dpr);
    painter.drawImage(target, layer);
    painter.restore();
}

} // namespace fen::ui
