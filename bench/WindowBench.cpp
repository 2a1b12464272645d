// The document window's editor, offscreen, in three cases. A long text document: the time from
// opening it to its first page on the screen, the redraw of a full-window text page after a
// change of the watermark text, and the peak memory after scrolling through every page. A heavy
// page (two million small rectangles, opened and zoomed twice) and a huge page (14400 pt a side,
// zoomed step by step to the highest scale): the time to the first page and, for each case, the
// longest the GUI thread kept the event loop waiting and the peak memory.
//   bench_window [--pages N] [--runs N] [--keep DIR]
#include "BenchSupport.h"
#include "support/WindowMeasures.h"

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
#include <QTimer>

#include <cairo-pdf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace fen;
using test::runEventsUntil;
using test::StallMeter;
using test::statusMiB;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A window on `input`, 1400×1000, that counts the pages drawn with their content.
struct Window {
    std::shared_ptr<KvDocument> document;
    DocumentView view;
    PDFViewEdit* pdf;
    int drawn = 0;

    explicit Window(const std::filesystem::path& input)
        : document(std::make_shared<KvDocument>(Url::fileURL(input))), view(document),
          pdf(view.content()->body()->main()->pdfArea()->pdfView()) {
        view.resize(1400, 1000);
        QObject::connect(pdf, &PDFViewEdit::pageDrawn, &view, [this](int) { ++drawn; });
    }

    // Waits until every page in view is drawn with its content.
    bool waitDrawn() {
        drawn = 0;
        pdf->viewport()->update();
        return runEventsUntil([this] {
            if (drawn == 0) {
                return false;
            }
            const QRect view = pdf->viewport()->rect();
            for (int i = 0; i < pdf->pageCount(); ++i) {
                if (pdf->pageRect(i).intersects(view) && !pdf->hasContent(i)) {
                    return false;
                }
            }
            return true;
        });
    }
};

void writeWith(const std::filesystem::path& path, double width, double height,
               const std::function<void(cairo_t*)>& draw) {
    FILE* f = std::fopen(path.c_str(), "wb");
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(bench::writeToFile, f, width, height);
    cairo_t* cr = cairo_create(surface);
    draw(cr);
    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    std::fclose(f);
}

// The time to the first page, the worst event-loop gap and the peak memory of one case, whose
// `steps` run once the first page is drawn.
struct CaseFigures {
    double firstPage = 0;
    double worstGapMs = 0;
    double peakMiB = 0;
    int steps = 0;
};

CaseFigures runCase(const std::filesystem::path& input,
                    const std::function<bool(PDFViewEdit*)>& step) {
    test::restartPeakMemory();
    CaseFigures figures;
    StallMeter meter;
    QElapsedTimer clock;
    clock.start();
    Window window(input);
    window.view.show();
    if (!window.waitDrawn()) {
        std::fprintf(stderr, "bench_window: %s was not drawn\n", input.c_str());
        std::exit(1);
    }
    figures.firstPage = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    while (step(window.pdf)) {
        ++figures.steps;
        if (!window.waitDrawn()) {
            std::fprintf(stderr, "bench_window: %s was not drawn after a zoom\n", input.c_str());
            std::exit(1);
        }
    }
    figures.worstGapMs = meter.worstMs();
    figures.peakMiB = statusMiB("VmHWM");
    return figures;
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

    double textGapMs = 0;
    {
        StallMeter meter;
        // Opening: the file read, the window built and shown, the load, the first page drawn.
        QElapsedTimer clock;
        clock.start();
        Window window(input);
        PDFViewEdit* pdf = window.pdf;
        qint64 firstPage = -1;
        QObject::connect(pdf, &PDFViewEdit::pageDrawn, &window.view, [&](int) {
            if (firstPage < 0) {
                firstPage = clock.nsecsElapsed();
            }
        });
        window.view.show();
        if (!runEventsUntil([&] { return firstPage >= 0; }, 60000)) {
            std::fprintf(stderr, "bench_window: no page was drawn\n");
            return 1;
        }

        // The pages within a screen of the view are rendered after the first paint; let that
        // end (no picture arrives for 100 ms).
        for (std::uint64_t seen = ~0ULL; seen != pdf->contentRenderCount();) {
            seen = pdf->contentRenderCount();
            QElapsedTimer quiet;
            quiet.start();
            runEventsUntil([&] { return quiet.elapsed() > 100; });
        }

        // Redraw after a change of the text: the change, the queued refresh and the repaint.
        SettingsTabController& tab = window.view.content()->body()->settingsTab()->controller();
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

        // Scrolling through every page, half a screen at a time, each view drawn with its
        // content before the next.
        QScrollBar* bar = pdf->verticalScrollBar();
        QElapsedTimer scroll;
        scroll.start();
        int most = 0;
        for (int top = 0; top <= bar->maximum(); top += pdf->viewport()->height() / 2) {
            bar->setValue(top);
            if (!window.waitDrawn()) {
                std::fprintf(stderr, "bench_window: a page was not drawn while scrolling\n");
                return 1;
            }
            most = std::max(most, pdf->cachedPageCount());
        }
        const double scrollSeconds = static_cast<double>(scroll.nsecsElapsed()) / 1e9;
        textGapMs = meter.worstMs();

        std::printf("pages: %d, window 1400x1000, page scale %.3f\n", pdf->pageCount(),
                    pdf->scaleFactor());
        std::printf("open to first page drawn: %.3f s\n", static_cast<double>(firstPage) / 1e9);
        std::printf("redraw after a text change: median %.2f ms, worst %.2f ms over %d runs%s\n",
                    median(redraws), *std::max_element(redraws.begin(), redraws.end()),
                    options.runs, contentKept ? "" : " (content rendered again!)");
        std::printf("scroll through every page: %.2f s, at most %d pages held\n", scrollSeconds,
                    most);
        std::printf("memory: peak resident %.1f MiB (before opening %.1f MiB, now %.1f MiB)\n",
                    statusMiB("VmHWM"), baseMiB, statusMiB("VmRSS"));
        std::printf("text document: worst event-loop gap %.1f ms\n", textGapMs);
    }

    // Two million small rectangles on a letter page, each filled on its own.
    const std::filesystem::path heavy = folder.path() / "heavy.pdf";
    std::ofstream(heavy, std::ios::binary) << test::heavyPagePdf();
    int zooms = 0;
    const CaseFigures heavyFigures = runCase(heavy, [&zooms](PDFViewEdit* pdf) {
        if (zooms++ == 2) {
            return false;
        }
        pdf->zoomIn();
        return true;
    });
    std::printf("heavy page (2,000,000 rectangles): first page drawn %.2f s, %d zoom steps, "
                "worst event-loop gap %.1f ms, peak resident %.1f MiB\n",
                heavyFigures.firstPage, heavyFigures.steps, heavyFigures.worstGapMs,
                heavyFigures.peakMiB);

    // One page of 14400 pt a side, zoomed in step by step up to the highest scale.
    const std::filesystem::path huge = folder.path() / "huge.pdf";
    writeWith(huge, 14400, 14400, [](cairo_t* cr) {
        for (int i = 0; i < 144; ++i) {
            cairo_set_source_rgb(cr, i % 2, 0.3, 1 - i % 2);
            cairo_rectangle(cr, i * 100, 0, 100, 14400);
            cairo_fill(cr);
        }
    });
    double highest = 0;
    const CaseFigures hugeFigures = runCase(huge, [&highest](PDFViewEdit* pdf) {
        highest = pdf->scaleFactor();
        if (pdf->scaleFactor() >= pdf->highestScale()) {
            return false;
        }
        pdf->zoomIn();
        return true;
    });
    std::printf("huge page (14400 pt): first page drawn %.2f s, %d zoom steps up to scale %.2f, "
                "worst event-loop gap %.1f ms, peak resident %.1f MiB\n",
                hugeFigures.firstPage, hugeFigures.steps, highest, hugeFigures.worstGapMs,
                hugeFigures.peakMiB);
    return 0;
}
