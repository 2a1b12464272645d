#pragma once

#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainSettingsTabView.h"
#include "document/PDFViewEdit.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "shell/KvDocument.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fen::test {

// A document window shown on a fixture file written to a fresh temporary folder, loaded, with
// the settings tab and the editor's PDF view at hand and the model's change values counted.
struct DocumentWindow {
    std::filesystem::path file = freshFolder() / "fixture.pdf";
    std::shared_ptr<KvDocument> document;
    std::unique_ptr<DocumentView> view;
    MainSettingsTabView* tab = nullptr;
    PDFViewEdit* pdf = nullptr;
    int sends = 0;
    Connection counting;

    explicit DocumentWindow(const std::string& bytes = wordPages(1, 400, 500)) {
        writeFile(file, bytes);
        document = std::make_shared<KvDocument>(Url::fileURL(file));
        view = std::make_unique<DocumentView>(document, HorizontalSizeClass::regular);
        FenDocumentView* body = view->content()->body();
        tab = body->settingsTab();
        pdf = body->main()->pdfArea()->pdfView();
        counting = body->model()->watermarkModelPublisher.connect([this] { ++sends; });
        view->resize(1000, 760);
        view->show();
        EXPECT_TRUE(QTest::qWaitFor([body] { return body->main()->isLoaded(); }, 20000));
        settle();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }
    std::string id() const { return view->content()->channel()->id(); }
    const std::shared_ptr<FenWatermarkModel>& sharedModel() const {
        return view->content()->body()->model();
    }
    const FenWatermarkModel& model() const { return *sharedModel(); }
};

} // namespace fen::test
