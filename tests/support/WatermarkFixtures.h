#pragma once

#include "model/FenWatermarkModel.h"
#include "model/PageNumberSettings.h"
#include "model/TextSettings.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "support/PdfFixtures.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fen::test {

// A watermarking job as the save paths set it up: a model, a holder on it and a document of the
// given bytes with the holder attached, marked as being written.
struct WatermarkJob {
    std::shared_ptr<FenWatermarkModel> model;
    std::shared_ptr<FenObjectHolder> holder;
    std::unique_ptr<FenDocument> document;

    // Prepares the holder from the model's records (the plain updates) and writes the document
    // to `path`; false when the write fails.
    bool write(const std::filesystem::path& path);
};

WatermarkJob makeWatermarkJob(const std::string& pdfBytes);

// A new folder in FenFilesStorage's temporary area, where the window keeps its copies.
std::filesystem::path freshFolder();

// `count` empty pages of `width` × `height` points.
std::string blankPages(int count, double width = 600, double height = 800);

// Text watermark settings: Helvetica Neue Regular at `size`, `color`, opacity 100.
TextSettings textSettings(Positions position, std::int64_t size, const gfx::Color& color,
                          bool inBackground = false, bool outlined = false);
// Page-number settings with a format, a range and a style; Helvetica Neue Regular 18, black.
PageNumberSettings pageNumberSettings(const std::string& format, Positions position,
                                      std::int64_t fromPage, std::int64_t toPage,
                                      std::int64_t startAt,
                                      OtherStyles style = OtherStyles::style1);

// The words of `pdftotext -bbox` on one page (1-based).
std::vector<WordBox> wordsOnPage(const std::vector<WordBox>& words, int page);
// The words of one page joined by single spaces, in reading order.
std::string pageText(const std::vector<WordBox>& words, int page);

// The pixels of a raster that satisfy `match`: how many, their bounding box (pixels, inclusive),
// their centroid and the orientation of their principal axis in degrees (y down, so a line
// rising to the right has a negative angle).
struct Ink {
    int count = 0;
    int minX = 0, minY = 0, maxX = -1, maxY = -1;
    double centerX = 0, centerY = 0;
    double angleDegrees = 0;
};
Ink inkOf(const Raster& raster, const std::function<bool(const Rgb&)>& match);
// Red ink: red high, green and blue low.
bool isRed(const Rgb& c);

} // namespace fen::test
