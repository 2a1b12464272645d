#include "document/FelDocumentSaverView.h"

#include "document/FelDocumentSaverProgessPanelView.h"
#include "document/FelDocumentShareSheetView.h"
#include "document/FenPasswordPanel.h"
#include "export/NotificationDocumentCenter.h"
#include "ui/FormSheetWrapper.h"
#include "ui/Observe.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFrame>
#include <QThread>

namespace fen {

FelDocumentSaverView::FelDocumentSaverView(
    const std::shared_ptr<NotificationDocumentCenter>& channel,
    std::shared_ptr<FenWatermarkModel> model,
    std::function<std::optional<std::string>()> sourcePassword, QWidget* parent)
    : QWidget(parent), pickerDialogs_(FelDocumentExportPicker::systemDialogs()) {
    FelDocumentSaverModel::Environment environment;
    environment.sourcePassword = std::move(sourcePassword);
    saverModel_ = FelDocumentSaverModel::create(channel, std::move(model), std::move(environment));
    saverModel_->setPresenter(this);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);

    share_ = [this](const std::vector<Url>& urls, QWidget* anchor, QWidget* window) {
        sharePopover_ = FelDocumentShareSheetView::presentShareSheet(urls, anchor, window);
    };

    progressSheet_ = new ui::FormSheetWrapper(
        this,
        [this](QWidget* sheet) -> QWidget* {
            progressPanel_ = new FelDocumentSaverProgessPanelView(
                saverModel_->progressModel(),
                [this](bool presented) { setProgressPresented(presented); },
                [this] { saverModel_->cancelSaving(); }, sheet);
            return progressPanel_;
        },
        QStringLiteral("Processing the PDFs"));
    // Escape is the progress's Cancel, as in the program's alerts.
    progressSheet_->onEscape = [this] {
        if (progressPanel_) {
            progressPanel_->cancelButton()->click();
        }
    };
    progressSheet_->onDismiss = [this] { showProgress_ = false; };
    progressSheet_->actionOnClose = [this] { saverModel_->progressPanelDidClose(); };

    // Quitting stops every window's export at once; each window then waits for its own worker
    // as it goes, so the waits overlap instead of following one another.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { saverModel_->close(); });

    for (const auto& [base, isShare] :
         {std::pair{"RequestToSave", false}, std::pair{"MenuReuqestExport", false},
          std::pair{"RequestToShare", true}}) {
        ui::observe(this, channel->scopedName(base),
                    [this, isShare = isShare](const Notification&) {
                        saverModel_->handleSaveRequest(isShare);
                    });
    }
}

FelDocumentSaverView::~FelDocumentSaverView() {
    // A closing window stops its export and waits for the worker to end (one page at most),
    // serving the calls to the main queue meanwhile, so no export outlives the program.
    saverModel_->close();
    QDeadlineTimer deadline(std::chrono::seconds(30));
    while (saverModel_->isRenderRunning() && !deadline.hasExpired()) {
        // Only the main queue's calls (the worker's among them), never a widget's own events.
        QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
        QThread::msleep(2);
    }
}

void FelDocumentSaverView::presentPasswordPanel() {
    std::weak_ptr<FelDocumentSaverModel> weak = saverModel_;
    passwordPanel_ = FenPasswordPanel::presentPasswordPanel(
        this, [weak](const FelDocumentSaverModel::PasswordAnswer& answer) {
            if (auto saver = weak.lock()) {
                saver->passwordEntered(answer);
            }
        });
}

void FelDocumentSaverView::syncProgressPresented() {
    showProgress_ = saverModel_->progressModel().isProgressPresented;
    progressSheet_->update(showProgress_);
}

void FelDocumentSaverView::setProgressPresented(bool presented) {
    showProgress_ = presented;
    saverModel_->progressModel().isProgressPresented = presented;
    progressSheet_->update(presented);
}

void FelDocumentSaverView::presentShareSheet(const std::vector<Url>& urls, const std::any& anchor) {
    QWidget* source = nullptr;
    if (const auto* button = std::any_cast<QPointer<QWidget>>(&anchor)) {
        source = *button;
    }
    if (share_) {
        share_(urls, source, window());
    }
}

void FelDocumentSaverView::presentExportPicker(const std::vector<Url>& urls,
                                               RenderFolders folders) {
    // The folders live as long as the picker's answer may still copy from them.
    auto held = std::make_shared<RenderFolders>(std::move(folders));
    FelDocumentExportPicker::present(
        window(), urls, pickerDialogs_,
        [done = pickerDone_, held](const std::vector<std::filesystem::path>& copies) {
            if (done) {
                done(copies);
            }
        },
        exportFolder_, openedFile_);
}

void FelDocumentSaverView::confirmOverwrite(const std::string& name,
                                            std::function<void(bool)> answer) {
    auto once = std::make_shared<std::function<void(bool)>>(std::move(answer));
    const auto reply = [once](bool replace) {
        if (auto call = std::exchange(*once, nullptr)) {
            call(replace);
        }
    };
    overwriteAlert_ = ui::makeAlert(
        window(),
        QStringLiteral("Replace \u201C%1\u201D with the watermarked copy?")
            .arg(QString::fromStdString(name)),
        {},
        {ui::AlertButton{QStringLiteral("Cancel"), [reply] { reply(false); }, false, true},
         ui::AlertButton{QStringLiteral("Replace"), [reply] { reply(true); }, true, false}});
    overwriteAlert_->open();
}

QStringList
FelDocumentSaverView::renderFailureLines(const std::vector<FenExportRenderer::Output>& failures) {
    using Failure = FenExportRenderer::Failure;
    QStringList lines;
    for (const FenExportRenderer::Output& output : failures) {
        const std::error_code& error = output.writeFailure.error;
        const QString system = QString::fromStdString(error ? error.message() : std::string());
        QString reason;
        switch (output.failure) {
        case Failure::notPDF:
            reason = ui::tr("The document is not a PDF file, or is damaged.");
            break;
        case Failure::locked:
            reason = ui::tr("The document is locked with a password.");
            break;
        case Failure::unreadable:
            reason = ui::tr("The document could not be read: %1").arg(system);
            break;
        case Failure::copyRemoved:
            reason = ui::tr("The temporary copy \u201C%1\u201D of the document was removed, and "
                            "the opened file is no longer the one it was made from.")
                         .arg(QString::fromStdString(output.removedCopy.string()));
            break;
        case Failure::stopped:
            reason = ui::tr("The export was stopped.");
            break;
        case Failure::notWritten:
            if (!output.writeFailure.folder.empty()) {
                reason =
                    ui::tr("The temporary folder \u201C%1\u201D could not be used: %2")
                        .arg(QString::fromStdString(output.writeFailure.folder.string()), system);
            } else if (output.writeFailure.noFolder) {
                reason = ui::tr("No temporary folder could be made: %1").arg(system);
            } else if (error) {
                reason = system;
            } else {
                reason = ui::tr("The file could not be written.");
            }
            break;
        }
        lines.push_back(QString::fromStdString(output.fileName) + QStringLiteral(": ") + reason);
    }
    return lines;
}

void FelDocumentSaverView::presentRenderFailures(
    const std::vector<FenExportRenderer::Output>& failures) {
    ui::presentNotice(window(), ui::tr("The files could not all be written"),
                      renderFailureLines(failures).join(QLatin1Char('\n')));
}

} // namespace fen
