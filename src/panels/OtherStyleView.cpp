#include "panels/OtherStyleView.h"

#include "ui/Tr.h"

namespace fen {

namespace {

QStringList styleSamples(const std::vector<OtherStyles>& styles) {
    QStringList samples;
    for (OtherStyles style : styles) {
        const std::string_view sample = styleLabel(style);
        samples.push_back(QString::fromUtf8(sample.data(), static_cast<qsizetype>(sample.size())));
    }
    return samples;
}

} // namespace

OtherStyleView::OtherStyleView(std::vector<OtherStyles> styles, OtherStyles selectionStyle,
                               QWidget* parent)
    : PickerRowOf(ui::tr("Style"), styles, styleSamples(styles), selectionStyle, parent) {}

std::vector<OtherStyles> OtherStyleView::allStyles() {
    return {OtherStyles::style1, OtherStyles::style2, OtherStyles::style3,
            OtherStyles::style4, OtherStyles::style5, OtherStyles::style6};
}

} // namespace fen
