#include "document/FelDocumentExportPicker.h"

#include "export/FenExportCopies.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPointer>

#include <memory>

namespace fen {

namespace fs = std::filesystem;

namespace {

// Calls `answer` at most once, whichever of the dialog's signals comes first.
FelDocumentExportPicker::Answer once(FelDocumentExportPicker::Answer answer) {
    auto shared = std::make_shared<FelDocumentExportPicker::Answer>(std::move(answer));
    return [shared](std::optional<QString> result) {
        if (auto call = std::exchange(*shared, nullptr)) {
            call(std::move(result));
        }
    };
}

QFileDialog* exportDialog(QWidget* parent, const QString& folder,
                          const FelDocumentExportPicker::Answer& answer) {
    auto* dialog = new QFileDialog(parent, QStringLiteral("Export"), folder);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAccessibleName(QStringLiteral("Export"));
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [answer](const QString& path) { answer(path); });
    QObject::connect(dialog, &QDialog::rejected, dialog, [answer] { answer(std::nullopt); });
    return dialog;
}

// Copies each file off the main thread; then, on the main queue, reports the copies that failed
// (if any) and hands over the ones made.
void copyAll(std::vector<std::pair<fs::path, fs::path>> copies, FelDocumentExportPicker::Done done,
             std::function<void(const QStringList&)> failed) {
    Background::run([copies = std::move(copies), done = std::move(done),
                     failed = std::move(failed)] {
        std::vector<fs::path> made;
        QStringList failures;
        for (const auto& [source, destination] : copies) {
            if (const std::error_code error = FenExportCopies::copyReplacing(source, destination)) {
                log::message(log::Level::error, "The file " + destination.string() +
                                                    " could not be written: " + error.message());
                failures.push_back(QString::fromStdString(destination.filename().string()) +
                                   QStringLiteral(": ") + QString::fromStdString(error.message()));
            } else {
                made.push_back(destination);
            }
        }
        if (done || (failed && !failures.empty())) {
            MainQueue::post([done, made, failed, failures] {
                if (failed && !failures.empty()) {
                    failed(failures);
                }
                if (done) {
                    done(made);
                }
            });
        }
    });
}

// Selects the name's stem in the save dialog's name field, as desktop save dialogs do: typing
// replaces the name and keeps its ".pdf". Once the dialog has read its folder it selects a file
// of that name in its list and, unless the field has the keyboard focus (a window not yet
// active), writes the name into the field again, which drops the selection: until the user edits
// the name, the stem is selected again after each reading.
void selectStem(QFileDialog* dialog) {
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!field) {
        return;
    }
    const QString name = field->text();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const int stem = static_cast<int>(dot > 0 ? dot : name.size());
    field->setFocus();
    field->setSelection(0, stem);
    if (auto* files = dialog->findChild<QFileSystemModel*>()) {
        const QMetaObject::Connection again = QObject::connect(
            files, &QFileSystemModel::directoryLoaded, field,
            [field, name, stem] {
                if (field->text() == name) {
                    field->setSelection(0, stem);
                }
            },
            Qt::QueuedConnection);
        QObject::connect(field, &QLineEdit::textEdited, field,
                         [again] { QObject::disconnect(again); });
    }
}

// One export's way through the dialog and the Replace question, as often as Cancel at the
// question brings the dialog back. Each pending dialog or question holds it.
struct Round : std::enable_shared_from_this<Round> {
    QPointer<QWidget> parent;
    std::vector<Url> urls;
    FelDocumentExportPicker::Dialogs dialogs;
    FelDocumentExportPicker::Done done;
    std::optional<fs::path> opened;
    bool asked = false;

    // Failed copies are told over the window, while it is there.
    std::function<void(const QStringList&)> failed() const {
        return [guard = parent, report = dialogs.reportFailures](const QStringList& failures) {
            if (guard && report) {
                report(guard, failures);
            }
        };
    }

    // Shows the dialog in `folder`, suggesting `name` for one file. A dialog brought back needs
    // its window still there.
    void ask(const QString& folder, const QString& name) {
        if (std::exchange(asked, true) && !parent) {
            return;
        }
        auto self = shared_from_this();
        if (urls.size() == 1) {
            dialogs.chooseFile(parent, folder, name, [self](std::optional<QString> path) {
                if (path && !path->isEmpty()) {
                    self->place({fs::path(path->toStdString())});
                }
            });
            return;
        }
        dialogs.chooseFolder(parent, folder, [self](std::optional<QString> chosen) {
            if (!chosen || chosen->isEmpty()) {
                return;
            }
            std::vector<fs::path> destinations;
            for (const Url& url : self->urls) {
                destinations.push_back(fs::path(chosen->toStdString()) / url.lastPathComponent());
            }
            self->place(destinations);
        });
    }

    // The destinations chosen: copies of files already there wait for the user's word.
    void place(const std::vector<fs::path>& destinations) {
        std::vector<std::pair<fs::path, fs::path>> fresh;
        std::vector<std::pair<fs::path, fs::path>> replacing;
        QStringList names;
        QString openedName;
        for (size_t i = 0; i < urls.size(); ++i) {
            std::error_code error;
            auto& list = fs::exists(destinations[i], error) ? replacing : fresh;
            list.emplace_back(urls[i].path(), destinations[i]);
            if (&list == &replacing) {
                const QString name = QString::fromStdString(destinations[i].filename().string());
                names.push_back(name);
                // The same file by any of its paths (a link, another spelling of the folder).
                if (opened && fs::equivalent(destinations[i], *opened, error)) {
                    openedName = name;
                }
            }
        }
        if (replacing.empty() || !dialogs.confirmReplace || !parent) {
            copyAll(std::move(fresh), done, failed());
            return;
        }
        using ReplaceAnswer = FelDocumentExportPicker::ReplaceAnswer;
        // Brought back where the user left it: the folder chosen and, for one file, its name.
        const fs::path again = destinations.front();
        dialogs.confirmReplace(
            parent, names, openedName,
            [self = shared_from_this(), fresh, replacing, again](ReplaceAnswer answer) mutable {
                if (answer == ReplaceAnswer::chooseAnother) {
                    self->ask(QString::fromStdString(again.parent_path().string()),
                              QString::fromStdString(again.filename().string()));
                    return;
                }
                if (answer == ReplaceAnswer::replace) {
                    fresh.insert(fresh.end(), replacing.begin(), replacing.end());
                }
                copyAll(std::move(fresh), self->done, self->failed());
            });
    }
};

} // namespace

FelDocumentExportPicker::Dialogs FelDocumentExportPicker::systemDialogs() {
    Dialogs dialogs;
    dialogs.chooseFile = [](QWidget* parent, const QString& folder, const QString& name,
                            Answer answer) {
        QFileDialog* dialog = exportDialog(parent, folder, once(std::move(answer)));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        // The picker asks itself, and only when the copy would replace a file.
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(name);
        ui::openFileDialog(dialog);
        selectStem(dialog);
    };
    dialogs.chooseFolder = [](QWidget* parent, const QString& folder, Answer answer) {
        QFileDialog* dialog = exportDialog(parent, folder, once(std::move(answer)));
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        ui::openFileDialog(dialog);
    };
    dialogs.reportFailures = [](QWidget* parent, const QStringList& failures) {
        ui::presentNotice(parent, ui::tr("The files could not all be copied"),
                          failures.join(QLatin1Char('\n')));
    };
    dialogs.confirmReplace = [](QWidget* parent, const QStringList& names, const QString& opened,
                                std::function<void(ReplaceAnswer)> answer) {
        // Cancel is the default: Return, like a click on it, brings the dialog back. Escape (and
        // closing the question) rejects it: the files stay and the export ends. The answer comes
        // once the question has closed, so a dialog brought back opens in front.
        auto chosen = std::make_shared<ReplaceAnswer>(ReplaceAnswer::keep);
        QDialog* alert = ui::makeAlert(
            parent, replaceQuestion(names.size()), replaceDetails(names, opened),
            {ui::AlertButton{ui::tr("Cancel"), [chosen] { *chosen = ReplaceAnswer::chooseAnother; },
                             true, false},
             ui::AlertButton{ui::tr("Replace"), [chosen] { *chosen = ReplaceAnswer::replace; },
                             false, false}});
        QObject::connect(alert, &QDialog::finished, alert,
                         [chosen, answer = std::move(answer)] { answer(*chosen); });
        alert->open();
    };
    return dialogs;
}

QString FelDocumentExportPicker::startFolder(const std::optional<fs::path>& folder) {
    std::error_code error;
    if (folder && !folder->empty() && fs::is_directory(*folder, error)) {
        return QString::fromStdString(folder->string());
    }
    return QDir::homePath();
}

QString FelDocumentExportPicker::replaceQuestion(qsizetype count) {
    return count == 1 ? ui::tr("Replace the existing file?")
                      : ui::tr("Replace the existing files?");
}

QString FelDocumentExportPicker::replaceDetails(const QStringList& names, const QString& opened) {
    QStringList parts;
    // One name that is the opened document is said by the sentence alone.
    if (names.size() != 1 || names.front() != opened) {
        parts.push_back(names.join(QLatin1Char('\n')));
    }
    if (!opened.isEmpty()) {
        parts.push_back(ui::tr("\u201C%1\u201D is the document open in this window.").arg(opened));
    }
    return parts.join(QStringLiteral("\n\n"));
}

void FelDocumentExportPicker::present(QWidget* parent, const std::vector<Url>& urls,
                                      const Dialogs& dialogs, Done done,
                                      const std::optional<fs::path>& folder,
                                      const std::optional<fs::path>& opened) {
    if (urls.empty()) {
        return;
    }
    auto round = std::make_shared<Round>();
    round->parent = parent;
    round->urls = urls;
    round->dialogs = dialogs;
    round->done = std::move(done);
    round->opened = opened;
    round->ask(startFolder(folder),
               QString::fromStdString(urls.size() == 1 ? urls.front().lastPathComponent() : ""));
}

} // namespace fen
