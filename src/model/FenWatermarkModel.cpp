#include "model/FenWatermarkModel.h"

namespace fen {

FenWatermarkModel::FenWatermarkModel() : otherConf(defaultPageNumberSettings()) {}

PageNumberSettings FenWatermarkModel::defaultPageNumberSettings() {
    PageNumberSettings settings;
    settings.numberTextColor = std::nullopt;
    settings.position = Positions::topleft;
    settings.font = FontSetting{FontSetting::defaultFamilyName(), FontSetting::defaultStyle(), 18};
    settings.pagenumberConf = PageNumberConfiguration{1, 2, 1, 2};
    settings.style = OtherStyles::style1;
    settings.distanceToEdge = DistanceToEdgeSetting{0, 0};
    return settings;
}

} // namespace fen
