#include "shell/NoFileAddresses.h"

namespace fen {

namespace {

// One address on one line, no longer than its two kept ends.
QString listedAddress(const std::string& address) {
    QString text = QString::fromStdString(address);
    if (text.size() > 2 * NoFileAddresses::keptEnds) {
        text = text.left(NoFileAddresses::keptEnds) + QChar(0x2026) +
               text.right(NoFileAddresses::keptEnds);
    }
    for (QChar& character : text) {
        if (character.category() == QChar::Other_Control ||
            character.category() == QChar::Separator_Line ||
            character.category() == QChar::Separator_Paragraph) {
            character = QChar::ReplacementCharacter;
        }
    }
    return text;
}

} // namespace

NoFileAddresses NoFileAddresses::of(const std::vector<std::string>& addresses) {
    const auto count = static_cast<qsizetype>(addresses.size());
    const qsizetype listed = count <= mostListed ? count : mostListed - 1;
    NoFileAddresses result;
    for (qsizetype i = 0; i < listed; ++i) {
        result.listed << listedAddress(addresses[static_cast<std::size_t>(i)]);
    }
    result.more = count - listed;
    return result;
}

} // namespace fen
