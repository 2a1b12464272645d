// The document window's memory around an export with Secure Saving, run as the Export button runs
// it (the saver, the render on its worker, the export picker's copy), offscreen: the resident
// memory of the idle window with the document drawn, the peak during the export, and the idle
// window once the copy is made and the loop has been quiet for two seconds; and the processor time
// (user and system, every thread) the export took. With --password the save asks for one, and the
// password panel is answered with it, so the output is encrypted as Password Protected makes it.
//   bench_exportmemory [--pages N] [--keep DIR] [--password TEXT]
#include "BenchSupport.h"
#include "support/WindowMeasures.h"

#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentExportPicker.h"
#include "document/FelDocumentSaverView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/FenPasswordPanel.h"
#include "document/PDFViewEdit.h"
#include "model/FenWatermarkModel.h"
#include "shell/KvDocument.h"
#include "ui/QtMainQueue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <CLI/CLI.hpp>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace {

using namespace fen;
using test::runEventsUntil;
using test::statusMiB;

void idle(qint64 milliseconds) {
    QElapsedTimer clock;
    clock.start();
    runEventsUntil([&clock, milliseconds] { return clock.elapsed() > milliseconds; },
                   milliseconds + 1000);
}

// The processor time of the whole process so far, user and system, in seconds.
double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::optional<std::string> password;
    bench::BenchOptions options = bench::BenchOptions::parse(argc, argv, 1, [&](CLI::App& cli) {
        cli.add_option("--password", password, "Encrypt the export with this password");
    });
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    ui::QtMainQueue::install();
    bench::WorkFolder folder(options.keep);
    const std::filesystem::path input = folder.path() / "input.pdf";
    const std::filesystem::path output = folder.path() / "exported.pdf";
    bench::makeTextInput(input, options.pages);

    auto document = std::make_shared<KvDocument>(Url::fileURL(input));
    DocumentView view(document);
    view.resize(1400, 1000);
    view.show();
    FelDocumentViewMain* main = view.content()->body()->main();
    PDFViewEdit* pdf = main->pdfArea()->pdfView();
    if (!runEventsUntil(
            [&] { return main->isLoaded() && pdf->pageCount() > 0 && pdf->hasContent(0); },
            120000)) {
        std::fprintf(stderr, "bench_exportmemory: the document was not shown\n");
        return 1;
    }
    idle(2000);
    const double before = statusMiB("VmRSS");
    test::restartPeakMemory();

    const std::shared_ptr<FenWatermarkModel>& model = view.content()->body()->model();
    model->isSecureSaving = true;
    model->isPasswordProtected = password.has_value();
    bool copied = false;
    FelDocumentExportPicker::Dialogs dialogs;
    dialogs.chooseFile = [&output](QWidget*, const QString&, const QString&,
                                   FelDocumentExportPicker::Answer answer) {
        answer(QString::fromStdString(output.string()));
    };
    FelDocumentSaverView* saver = main->saverView();
    saver->setPickerDialogs(dialogs);
    saver->setPickerDone([&copied](const std::vector<std::filesystem::path>&) { copied = true; });
    QElapsedTimer clock;
    clock.start();
    const double processorBefore = processorSeconds();
    if (!saver->saverModel().handleSaveRequest(false)) {
        std::fprintf(stderr, "bench_exportmemory: the export did not start\n");
        return 1;
    }
    if (password) {
        if (!runEventsUntil([&] { return saver->passwordPanel() != nullptr; }, 60000)) {
            std::fprintf(stderr, "bench_exportmemory: no password was asked for\n");
            return 1;
        }
        FenPasswordPanel* panel = saver->passwordPanel();
        panel->passwordField()->setText(QString::fromStdString(*password));
        panel->verifyField()->setText(QString::fromStdString(*password));
        panel->okButton()->click();
    }
    if (!runEventsUntil([&] { return copied && !saver->saverModel().isRenderRunning(); },
                        3600000)) {
        std::fprintf(stderr, "bench_exportmemory: the export did not end\n");
        return 1;
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double processor = processorSeconds() - processorBefore;
    idle(2000);
    const double peak = statusMiB("VmHWM");
    const double after = statusMiB("VmRSS");
    std::error_code ec;
    std::printf("pages: %d, Secure Saving export%s %.1f s (processor %.1f s), %ju bytes\n",
                options.pages, password ? " with a password" : "", seconds, processor,
                static_cast<std::uintmax_t>(std::filesystem::file_size(output, ec)));
    std::printf("resident memory: idle before %.1f MiB, peak during %.1f MiB, idle after %.1f "
                "MiB (target <= %.1f MiB: 1.3 x before + 30)\n",
                before, peak, after, 1.3 * before + 30);
    return after <= 1.3 * before + 30 ? 0 : 1;
}
