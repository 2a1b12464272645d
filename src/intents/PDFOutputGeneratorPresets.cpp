// The operations of PDFOutputGenerator that apply stored presets.

#include "intents/PDFOutputGenerator.h"

#include "intents/WatermarkAndWritePDF.h"
#include "model/FenWatermarkModel.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "storage/FenDatabaseManager.h"

#include <filesystem>
#include <system_error>

namespace fen {

namespace {

// Removes the temporary copy of an image preset's picture, which the store wrote out for this
// one file, together with its folder once that is empty.
void removePictureCopy(const std::optional<ImageSettings>& settings) {
    if (!settings || !settings->imageURL || !settings->imageURL->isFileURL()) {
        return;
    }
    std::error_code ec;
    const std::filesystem::path picture = settings->imageURL->path();
    std::filesystem::remove(picture, ec);
    const std::filesystem::path folder = picture.parent_path();
    if (!folder.empty() && std::filesystem::is_empty(folder, ec) && !ec) {
        std::filesystem::remove(folder, ec);
    }
}

// A fresh model with the look of the text preset `presetID`, and the preset's own texts; nothing
// for an unknown identifier.
std::optional<std::pair<std::shared_ptr<FenWatermarkModel>, std::vector<std::string>>>
textPresetModel(const std::string& presetID) {
    auto preset = FenDatabaseManager::loadTextPreset(presetID);
    if (!preset) {
        return std::nullopt;
    }
    auto model = std::make_shared<FenWatermarkModel>();
    model->textConf = preset->second;
    model->watermarkModelPublisher.emit();
    return std::make_pair(std::move(model), std::move(preset->first));
}

} // namespace

std::vector<PDFOutput> PDFOutputGenerator::watermarkFileWithPreset(
    PresetStoreKind kind, const std::string& bytes, const std::string& fileName,
    const std::string& presetID,
    const std::function<void(PresetProblem, const std::string& detail)>& leftOut) {
    if (kind == PresetStoreKind::text) {
        auto preset = textPresetModel(presetID);
        if (!preset) {
            return {};
        }
        return watermarkAndWritePDF(preset->first, bytes, preset->second, fileName, false,
                                    std::nullopt, false);
    }

    // The picture of an image preset, written out by the store for this file only.
    std::optional<ImageSettings> picture;
    auto tell = [&](PresetProblem problem, const std::string& detail = {}) {
        if (leftOut) {
            leftOut(problem, detail);
        }
    };
    auto configure = [&](FenWatermarkModel& model, const FenDocument& document) {
        // A preset that is gone, or of another shape, leaves its record empty: the copy is
        // written without that watermark.
        auto settings = FenDatabaseManager::loadPreset(kind, presetID);
        if (!settings) {
            // The action found this image preset by its name, so what is gone is its picture.
            if (kind == PresetStoreKind::image && !presetID.empty()) {
                tell(PresetProblem::pictureMissing);
            }
            return;
        }
        if (auto* stamp = std::get_if<StampSettings>(&*settings);
            stamp && kind == PresetStoreKind::stamp) {
            model.stampConf = *stamp;
        } else if (auto* pageNumber = std::get_if<PageNumberSettings>(&*settings);
                   pageNumber && kind == PresetStoreKind::pageNumber) {
            // The range the preset was saved with belongs to another document.
            const std::int64_t pages = document.pageCount();
            pageNumber->pagenumberConf = PageNumberConfiguration{1, pages, 1, pages};
            model.otherConf = *pageNumber;
        } else if (auto* image = std::get_if<ImageSettings>(&*settings);
                   image && kind == PresetStoreKind::image) {
            model.imageConf = *image;
            picture = *image;
        }
    };
    PDFOutput output =
        writeWithModel(bytes, fileName, configure, [&](const FenObjectHolder& holder) {
            if (!picture || !holder.imageImage.isNull() || holder.imagePDFPage) {
                return;
            }
            if (holder.imageProblem && holder.imageProblem->tooLarge) {
                tell(PresetProblem::pictureTooLarge,
                     std::to_string(holder.imageProblem->width) + " \u00D7 " +
                         std::to_string(holder.imageProblem->height) + " pixels");
            } else {
                tell(PresetProblem::notAPicture);
            }
        });
    removePictureCopy(picture);
    return {output};
}

std::vector<PDFOutput> PDFOutputGenerator::watermarkFileWithTextPreset(const std::string& text,
                                                                       const std::string& bytes,
                                                                       const std::string& fileName,
                                                                       const std::string& presetID,
                                                                       bool textAtStart) {
    auto preset = textPresetModel(presetID);
    if (!preset) {
        return {};
    }
    return watermarkAndWritePDF(preset->first, bytes, {text}, fileName, false, std::nullopt,
                                textAtStart);
}

} // namespace fen
