#include "platform/pdf/PdfMarker.h"

namespace fen::pdf {

bool looksLikePDF(std::string_view bytes) {
    return bytes.substr(0, pdfMarkerWindow).find("%PDF") != std::string_view::npos;
}

} // namespace fen::pdf
