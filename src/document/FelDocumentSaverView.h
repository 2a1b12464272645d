#pragma once

#include "document/FelDocumentExportPicker.h"
#include "document/FenPasswordPanel.h"
#include "export/FelDocumentSaverModel.h"
#include "export/FelDocumentSaverPresenter.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QDialog;
class QFrame;

namespace fen {

class FelDocumentSaverProgessPanelView;
class FenWatermarkModel;
class NotificationDocumentCenter;

namespace ui {
class FormSheetWrapper;
}

// The invisible saver of a document window, beside its PDF view: Export ("RequestToSave"), the
// menu's export ("MenuReuqestExport") and Share ("RequestToShare") of its own window arrive here
// and run the window's FelDocumentSaverModel, for which this view shows the password panel, the
// progress panel (a form sheet named "Processing the PDFs", whose Cancel Escape presses), the
// share popover and the export picker, asks before the opened file is replaced, and shows the
// alert that tells which files were not written. The popover and the picker's dialogs can be
// replaced, so tests answer them.
class FelDocumentSaverView : public QWidget, public FelDocumentSaverPresenter {
    Q_OBJECT
public:
    using Share =
        std::function<void(const std::vector<Url>& urls, QWidget* anchor, QWidget* window)>;

    FelDocumentSaverView(const std::shared_ptr<NotificationDocumentCenter>& channel,
                         std::shared_ptr<FenWatermarkModel> model,
                         std::function<std::optional<std::string>()> sourcePassword,
                         QWidget* parent = nullptr);
    ~FelDocumentSaverView() override;

    FelDocumentSaverModel& saverModel() const { return *saverModel_; }
    // The progress sheet's presenter; its sheet while one is shown.
    ui::FormSheetWrapper* progressSheet() const { return progressSheet_; }
    // The password panel while it is open.
    FenPasswordPanel* passwordPanel() const { return passwordPanel_; }
    // The share popover last opened, while it is open.
    QFrame* sharePopover() const { return sharePopover_; }
    bool showProgress() const { return showProgress_; }

    void setShare(Share share) { share_ = std::move(share); }
    void setPickerDialogs(FelDocumentExportPicker::Dialogs dialogs) {
        pickerDialogs_ = std::move(dialogs);
    }
    // Runs after the picker's copies are made (tests wait on it).
    void setPickerDone(FelDocumentExportPicker::Done done) { pickerDone_ = std::move(done); }
    // The opened document's file: the picker opens in its folder, while that exists, and tells
    // when a copy would replace the file itself.
    void setOpenedFile(const std::filesystem::path& file) {
        exportFolder_ = file.parent_path();
        openedFile_ = file;
    }
    // The alert that asks before the opened file is replaced, while it is open.
    QDialog* overwriteAlert() const { return overwriteAlert_; }

    void presentPasswordPanel() override;
    void syncProgressPresented() override;
    void presentShareSheet(const std::vector<Url>& urls, const std::any& anchor) override;
    void presentExportPicker(const std::vector<Url>& urls, RenderFolders folders) override;
    void confirmOverwrite(const std::string& name, std::function<void(bool)> answer) override;
    void presentRenderFailures(const std::vector<FenExportRenderer::Output>& failures) override;

    // The lines the alert of presentRenderFailures shows: one per file, its name and the reason.
    static QStringList renderFailureLines(const std::vector<FenExportRenderer::Output>& failures);

private:
    void setProgressPresented(bool presented);

    std::shared_ptr<FelDocumentSaverModel> saverModel_;
    ui::FormSheetWrapper* progressSheet_;
    // The content of the progress sheet while it shows.
    QPointer<FelDocumentSaverProgessPanelView> progressPanel_;
    QPointer<FenPasswordPanel> passwordPanel_;
    QPointer<QFrame> sharePopover_;
    bool showProgress_ = false;
    Share share_;
    FelDocumentExportPicker::Dialogs pickerDialogs_;
    FelDocumentExportPicker::Done pickerDone_;
    std::optional<std::filesystem::path> exportFolder_;
    std::optional<std::filesystem::path> openedFile_;
    QPointer<QDialog> overwriteAlert_;
};

} // namespace fen
