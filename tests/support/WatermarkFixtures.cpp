#include "support/WatermarkFixtures.h"

#include "export/FenFilesStorage.h"

#include <cmath>
#include <numbers>

namespace fen::test {

bool WatermarkJob::write(const std::filesystem::path& path) {
    holder->updateImageObject(model->imageConf);
    holder->updateStampObject(model->stampConf);
    holder->updateOtherObject(model->otherConf);
    return document->write(path.string());
}

WatermarkJob makeWatermarkJob(const std::string& pdfBytes) {
    WatermarkJob job;
    job.model = std::make_shared<FenWatermarkModel>();
    job.model->processorID = "00000000-0000-4000-8000-000000000001";
    job.holder = std::make_shared<FenObjectHolder>();
    job.holder->model = job.model;
    job.document = FenDocument::fromData(pdfBytes);
    if (job.document) {
        job.document->wmObjectHolder = job.holder;
        job.document->processorID = job.model->processorID;
        job.document->isSaving = true;
    }
    return job;
}

std::filesystem::path freshFolder() {
    std::error_code error;
    return FenFilesStorage::makeTemporaryFolder(error).value();
}

std::string blankPages(int count, double width, double height) {
    return makePdf(std::vector(static_cast<std::size_t>(count),
                               FixturePage{.media = gfx::Rect{0, 0, width, height}}));
}

TextSettings textSettings(Positions position, std::int64_t size, const gfx::Color& color,
                          bool inBackground, bool outlined) {
    TextSettings settings;
    settings.position = position;
    settings.font = {"Helvetica Neue", "Regular", size};
    settings.colorOutline.color = color;
    settings.colorOutline.isOutlined = outlined;
    settings.opacity = 100;
    settings.isWatermarkInBackground = inBackground;
    return settings;
}

PageNumberSettings pageNumberSettings(const std::string& format, Positions position,
                                      std::int64_t fromPage, std::int64_t toPage,
                                      std::int64_t startAt, OtherStyles style) {
    PageNumberSettings settings;
    settings.numberTextColor = StampTextColor{format, gfx::Color{0, 0, 0, 1}};
    settings.position = position;
    settings.font = {"Helvetica Neue", "Regular", 18};
    settings.pagenumberConf = {fromPage, toPage, startAt, toPage};
    settings.style = style;
    return settings;
}

std::vector<WordBox> wordsOnPage(const std::vector<WordBox>& words, int page) {
    std::vector<WordBox> out = words;
    std::erase_if(out, [&](const WordBox& word) { return word.page != page; });
    return out;
}

std::string pageText(const std::vector<WordBox>& words, int page) {
    std::string text;
    for (const auto& word : wordsOnPage(words, page)) {
        text += (text.empty() ? "" : " ") + word.text;
    }
    return text;
}

Ink inkOf(const Raster& raster, const std::function<bool(const Rgb&)>& match) {
    Ink ink;
    ink.minX = raster.width;
    ink.minY = raster.height;
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int y = 0; y < raster.height; ++y) {
        for (int x = 0; x < raster.width; ++x) {
            if (!match(raster.at(x, y))) {
                continue;
            }
            ++ink.count;
            ink.minX = std::min(ink.minX, x);
            ink.maxX = std::max(ink.maxX, x);
            ink.minY = std::min(ink.minY, y);
            ink.maxY = std::max(ink.maxY, y);
            sx += x;
            sy += y;
            sxx += double(x) * x;
            syy += double(y) * y;
            sxy += double(x) * y;
        }
    }
    if (ink.count > 0) {
        double n = ink.count;
        ink.centerX = sx / n;
        ink.centerY = sy / n;
        double cxx = sxx / n - ink.centerX * ink.centerX;
        double cyy = syy / n - ink.centerY * ink.centerY;
        double cxy = sxy / n - ink.centerX * ink.centerY;
        ink.angleDegrees = 0.5 * std::atan2(2 * cxy, cxx - cyy) * 180 / std::numbers::pi;
    }
    return ink;
}

bool isRed(const Rgb& c) {
    return c.r > 180 && c.g < 110 && c.b < 110;
}

} // namespace fen::test
