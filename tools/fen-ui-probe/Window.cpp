// "fen-ui-probe window FILE [--text T] [--grab FILE]": a document window on FILE. With --grab,
// offscreen: waits for the first page to be drawn, writes the grab and prints the window's state.
// Without it, a real window that stays open until it is closed (the end-to-end tests).
#include "Probe.h"

#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainSettingsTabView.h"
#include "document/MainToolBarView.h"
#include "document/PDFViewEdit.h"
#include "document/SettingsTabController.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/Uuid.h"
#include "shell/KvDocument.h"

#include <QApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QMainWindow>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace fen::probe {

int usage();

int window(const QStringList& args) {
    QString file;
    QString text;
    QString grab;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--text" && i + 1 < args.size()) {
            text = args[++i];
        } else if (args[i] == "--grab" && i + 1 < args.size()) {
            grab = args[++i];
        } else if (file.isEmpty()) {
            file = args[i];
        } else {
            return usage();
        }
    }
    if (file.isEmpty()) {
        return usage();
    }
    auto document =
        std::make_shared<KvDocument>(Url::fileURL(std::filesystem::absolute(file.toStdString())));
    // A main window, as the program's scenes are: a frame to the accessibility tree.
    QMainWindow frame;
    auto* view = new DocumentView(document, &frame);
    frame.setCentralWidget(view);
    frame.setWindowTitle(QString::fromStdString(
        document->info && document->info->name ? *document->info->name : std::string("Unknown")));
    frame.resize(1000, 700);
    FenDocumentView* body = view->content()->body();
    FelDocumentViewMain* main = body->main();
    if (!text.isEmpty()) {
        QObject::connect(main, &FelDocumentViewMain::loadFinished, &frame, [body, text] {
            body->settingsTab()->controller().setSelectedTextItem(
                TextListItem{newUuidString(), text.toStdString()});
        });
    }
    frame.show();
    if (grab.isEmpty()) {
        std::printf("{\"event\":\"shown\"}\n");
        std::fflush(stdout);
        return QApplication::exec();
    }
    if (!QTest::qWaitForWindowExposed(&frame) ||
        !QTest::qWaitFor([main] { return main->isLoaded(); }, 10000)) {
        std::fprintf(stderr, "fen-ui-probe: the document was not loaded\n");
        return 1;
    }
    PDFViewEdit* pdf = main->pdfArea()->pdfView();
    bool drawn = false;
    QObject::connect(pdf, &PDFViewEdit::pageDrawn, &frame, [&drawn] { drawn = true; });
    pdf->viewport()->update();
    (void)QTest::qWaitFor([&drawn] { return drawn; }, 10000);
    const QImage picture = frame.grab().toImage();
    MainToolBarView* toolBar = main->toolBar();
    QJsonArray buttons;
    for (QWidget* button : {static_cast<QWidget*>(toolBar->moreButton()),
                            static_cast<QWidget*>(toolBar->exportButton()),
                            static_cast<QWidget*>(toolBar->shareButton())}) {
        buttons.push_back(accessibleJson(button));
    }
    const std::shared_ptr<FenWatermarkModel>& model = body->model();
    QJsonObject out{
        {"title", toolBar->titleLabel()->text()},
        {"size", QJsonArray{frame.width(), frame.height()}},
        {"pages", pdf->pageCount()},
        {"scale", pdf->scaleFactor()},
        {"locked", body->documentIsLocked()},
        {"maxNumberOfPage", static_cast<qint64>(model->maxNumberOfPage)},
        {"processorID", QString::fromStdString(model->processorID.value_or(""))},
        {"text", QString::fromStdString(model->selectedTextItem ? model->selectedTextItem->text
                                                                : std::string())},
        {"buttons", buttons},
        {"drawn", drawn},
    };
    if (!picture.save(grab)) {
        std::fprintf(stderr, "fen-ui-probe: cannot write %s\n", grab.toUtf8().constData());
        return 1;
    }
    out["grab"] = grab;
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return drawn ? 0 : 1;
}

} // namespace fen::probe
