// The document window's editor: the time from opening a long text document to its first page on
// the screen, the redraw of a full-window text page after a change of the watermark text, and the
// peak memory after scrolling through every page. Runs offscreen.
//   bench_window [--pages N] [--runs N] [--keep DIR]
#include "BenchSupport.h"

#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainSettingsTabView.h"
#include "document/PDFViewEdit.h"
#include "document/SettingsTabController.h"
#include "shell/KvDocument.h"
#include "ui/QtMainQueue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace fen;

// A figure of /proc/self/status in MiB ("VmHWM" is the peak resident memory, "VmRSS" the current).
double statusMiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stod(line.substr(key.size() + 1)) / 1024.0;
        }
    }
    return 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const bench::BenchOptions options = bench::BenchOptions::parse(argc, argv, 40);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    ui::QtMainQueue::install();
    bench::WorkFolder folder(options.keep);
    const std::filesystem::path input = folder.path() / "input.pdf";
    bench::makeTextInput(input, options.pages);
    const double baseMiB = statusMiB("VmRSS");

    // Opening: the file read, the window built and shown, the load, the first page drawn.
    QElapsedTimer clock;
    clock.start();
    auto document = std::make_shared<KvDocument>(Url::fileURL(input));
    DocumentView view(document);
    view.resize(1400, 1000);
    FenDocumentView* body = view.content()->body();
    PDFViewEdit* pdf = body->main()->pdfArea()->pdfView();
    qint64 firstPage = -1;
    QObject::connect(pdf, &PDFViewEdit::pageDrawn, &view, [&](int) {
        if (firstPage < 0) {
            firstPage = clock.nsecsElapsed();
        }
    });
    view.show();
    while (firstPage < 0 && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (firstPage < 0) {
        std::fprintf(stderr, "bench_window: no page was drawn\n");
        return 1;
    }

    // The pages within a screen of the view are rendered after the first paint; let that end.
    for (std::uint64_t seen = ~0ULL; seen != pdf->contentRenderCount();) {
        seen = pdf->contentRenderCount();
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
        }
    }

    // Redraw after a change of the text: the change, the queued refresh and the repaint.
    SettingsTabController& tab = body->settingsTab()->controller();
    std::vector<double> redraws;
    const std::uint64_t rendersBefore = pdf->contentRenderCount();
    for (int run = 0; run < options.runs; ++run) {
        QElapsedTimer redraw;
        redraw.start();
        tab.setSelectedTextItem(
            TextListItem{"bench", run % 2 ? "CONFIDENTIAL" : "Draft for review"});
        QCoreApplication::processEvents();
        pdf->viewport()->repaint();
        redraws.push_back(static_cast<double>(redraw.nsecsElapsed()) / 1e6);
    }
    const bool contentKept = pdf->contentRenderCount() == rendersBefore;

    // Scrolling through every page, half a screen at a time.
    QScrollBar* bar = pdf->verticalScrollBar();
    QElapsedTimer scroll;
    scroll.start();
    int most = 0;
    for (int top = 0; top <= bar->maximum(); top += pdf->viewport()->height() / 2) {
        bar->setValue(top);
        pdf->viewport()->repaint();
        QCoreApplication::processEvents();
        most = std::max(most, pdf->cachedPageCount());
    }
    const double scrollSeconds = static_cast<double>(scroll.nsecsElapsed()) / 1e9;

    std::printf("pages: %d, window 1400x1000, page scale %.3f\n", pdf->pageCount(),
                pdf->scaleFactor());
    std::printf("open to first page drawn: %.3f s\n", static_cast<double>(firstPage) / 1e9);
    std::printf("redraw after a text change: median %.2f ms, worst %.2f ms over %d runs%s\n",
                median(redraws), *std::max_element(redraws.begin(), redraws.end()), options.runs,
                contentKept ? "" : " (content rendered again!)");
    std::printf("scroll through every page: %.2f s, at most %d pages held\n", scrollSeconds, most);
    std::printf("memory: peak resident %.1f MiB (before opening %.1f MiB, now %.1f MiB)\n",
                statusMiB("VmHWM"), baseMiB, statusMiB("VmRSS"));
    return 0;
}
