// The QR code creator: the sheet's list of stored codes and the editor of one code.
#include "Probe.h"

#include "controls/CustomSegmentedPickerView.h"
#include "panels/QRCodeCreatorDetails.h"
#include "panels/QRCodeCreatorDetailsForm.h"
#include "panels/QRCodeCreatorListView.h"
#include "storage/FenDatabaseManager.h"
#include "storage/QRCodeDBModel.h"

#include <QLineEdit>
#include <QTest>

namespace fen::probe {

namespace {

QRCodeDBModel& model() {
    static QRCodeDBModel model;
    return model;
}

void list(Probe& p, QWidget* host) {
    probeListSheet(p, new QRCodeCreatorListView(model(), host), "QR Codes");
}

// The editor of the first stored code; "click:N" presses the N-th type tab.
void editor(Probe& p, QWidget* host) {
    const std::vector<QRCodeStructure> stored = FenDatabaseManager::loadQRCodes();
    auto* editor = new QRCodeCreatorDetails(
        model(), stored.empty() ? QRCodeStructure{} : stored.front(), [&p] { ++p.actions; }, host);
    editor->setMinimumSize(640, 480);
    editor->setAccessibleName("QR Code");
    p.target = p.shown = editor;
    p.act = [editor](const QString& action) {
        if (!action.startsWith("click:")) {
            return false;
        }
        QWidget* tab = editor->selector()->button(action.mid(6).toInt());
        if (!tab) {
            return false;
        }
        QTest::mouseClick(tab, Qt::LeftButton, {}, tab->rect().center());
        return true;
    };
    p.state = [&p, editor] {
        const QRCodeStructure& code = editor->qrcode();
        QJsonArray tabs;
        for (int i = 0; i < int(editor->selector()->tabs().size()); ++i) {
            tabs.push_back(accessibleJson(editor->selector()->button(i)));
        }
        return QJsonObject{{"name", editor->nameField()->text()},
                           {"type", editor->selector()->selection()},
                           {"tabs", tabs},
                           {"payload", QString::fromStdString(code.qrPayloadString())},
                           {"background", QString::fromStdString(code.backgroundColor)},
                           {"foreground", QString::fromStdString(code.foregroundColor)},
                           {"preview", editor->preview()->hasImage()},
                           {"dismissed", p.actions}};
    };
}

const Registration qrCodes{
    {"qr-list", list},
    {"qr-editor", editor},
};

} // namespace

} // namespace fen::probe
