#include "intents/PDFOutputGenerator.h"

#include "export/FenExportRenderer.h"
#include "export/FenFilesStorage.h"
#include "model/FenWatermarkModel.h"
#include "model/StartOfToday.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/Uuid.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"

#include <filesystem>
#include <system_error>

namespace fen {

namespace {

constexpr gfx::Color standardBlack{0, 0, 0, 1};
constexpr gfx::Color standardRed{1, 0, 0, 1};

} // namespace

PageNumberSettings PDFOutputGenerator::pageNumberSettings(Positions position,
                                                          std::int64_t pageCount) {
    PageNumberSettings settings;
    settings.numberTextColor = StampTextColor{"#currentPage", standardBlack};
    settings.position = position;
    settings.font = FontSetting{FontSetting::defaultFamilyName(), FontSetting::defaultStyle(), 18};
    settings.pagenumberConf = PageNumberConfiguration{1, pageCount, 1, pageCount};
    settings.style = OtherStyles::style1;
    settings.distanceToEdge = DistanceToEdgeSetting{0, 0};
    return settings;
}

StampSettings PDFOutputGenerator::stampSettings(const std::string& stampText, bool includeDate) {
    StampSettings settings;
    settings.stampTextColor = StampTextColor{stampText, standardRed};
    settings.position = Positions::topleft;
    settings.angle = WMAngles::auto_;
    settings.sizeopacity = SizeOpacitySetting{50, 50};
    settings.datename.isIncluded = includeDate;
    settings.datename.isNameActive = false;
    settings.datename.nameValue = "";
    settings.datename.isDateActive = includeDate;
    settings.datename.dateValue = startOfToday();
    settings.datename.isDateCurrent = true;
    settings.image = nullptr;
    return settings;
}

TextSettings PDFOutputGenerator::textSettings() {
    TextSettings settings;
    settings.position = Positions::diagonal;
    settings.font = FontSetting{"Helvetica Neue", FontSetting::defaultStyle(), 48};
    settings.colorOutline = ColorOutlineSetting{standardBlack, false};
    settings.opacity = 40;
    settings.isWatermarkInBackground = false;
    return settings;
}

std::unique_ptr<FenDocument> PDFOutputGenerator::makeDocument(const std::string& bytes,
                                                              PDFOutput& failure) {
    std::unique_ptr<FenDocument> document;
    MainQueue::invokeAndWait([&] { document = FenDocument::fromData(bytes); });
    if (!document) {
        failure = PDFOutput::failed(SkipReason::damaged);
    } else if (document->isLocked()) {
        // A locked document has no pages to draw: writing it would give an empty or broken copy.
        failure = PDFOutput::failed(SkipReason::locked);
        document.reset();
    }
    return document;
}

std::shared_ptr<FenObjectHolder>
PDFOutputGenerator::makeHolder(const std::shared_ptr<FenWatermarkModel>& model,
                               bool isSecureSaving) {
    auto holder = std::make_shared<FenObjectHolder>();
    holder->model = model;
    holder->isSecureSaving = isSecureSaving;
    if (auto alive = holder->model.lock()) {
        holder->updateImageObject(alive->imageConf);
        holder->updateStampObject(alive->stampConf);
        holder->updateOtherObject(alive->otherConf);
    }
    return holder;
}

PDFOutput PDFOutputGenerator::writeDocument(FenDocument& document,
                                            const std::shared_ptr<FenObjectHolder>& holder,
                                            const std::string& name,
                                            const std::optional<std::string>& password) {
    document.wmObjectHolder = holder;
    document.isSaving = true;
    FenFilesStorage::WriteFailure failure;
    std::optional<Url> location =
        FenFilesStorage::writeDocumentToTemporaryFile(&document, password, name, nullptr, &failure);
    // The pages draw from the holder only while they are written.
    document.wmObjectHolder.reset();
    if (!location) {
        return PDFOutput::writeFailed(failure);
    }
    return PDFOutput::written(*location);
}

PDFOutput PDFOutputGenerator::writeWithModel(
    const std::string& bytes, const std::string& fileName,
    const std::function<void(FenWatermarkModel&, const FenDocument&)>& configure,
    const std::function<void(const FenObjectHolder&)>& prepared) {
    PDFOutput failure;
    auto document = makeDocument(bytes, failure);
    if (!document) {
        return failure;
    }
    auto model = std::make_shared<FenWatermarkModel>();
    configure(*model, *document);
    model->watermarkModelPublisher.emit();
    auto holder = makeHolder(model);
    if (prepared) {
        prepared(*holder);
    }
    return writeDocument(*document, holder,
                         FenExportRenderer::distinctFileNames({fileName}).front());
}

PDFOutput PDFOutputGenerator::watermarkFileWithPageNumber(Positions position,
                                                          const std::string& bytes,
                                                          const std::string& fileName) {
    return writeWithModel(bytes, fileName, [&](FenWatermarkModel& model, const FenDocument& doc) {
        model.otherConf = pageNumberSettings(position, doc.pageCount());
    });
}

PDFOutput PDFOutputGenerator::watermarkFileWithStamp(const std::string& stampText,
                                                     const std::string& bytes,
                                                     const std::string& fileName,
                                                     bool includeDate) {
    return writeWithModel(bytes, fileName, [&](FenWatermarkModel& model, const FenDocument&) {
        model.stampConf = stampSettings(stampText, includeDate);
    });
}

PDFOutput PDFOutputGenerator::watermarkFileWithText(const std::string& text,
                                                    const std::string& bytes,
                                                    const std::string& fileName) {
    return writeWithModel(
        bytes, fileName,
        [&](FenWatermarkModel& model, const FenDocument&) {
            model.textConf = textSettings();
            model.watermarkModelPublisher.emit();
            model.selectedTextItem = TextListItem{newUuidString(), text};
        },
        [&](const FenObjectHolder& holder) {
            holder.noticeScope().tellWhenCut(WatermarkNotices::Kind::textCut, "The text watermark",
                                             text);
        });
}

} // namespace fen
