#pragma once

#include <QStringList>

#include <string>
#include <vector>

namespace fen {

// The addresses given at a start that name no file, as the program tells them, on standard error
// and in the window's notice alike: the first few, each on one line and cut to its two ends when
// far longer than any line shows, and how many more there are. So the telling stays small however
// many addresses there are and however long each is.
struct NoFileAddresses {
    // The most addresses listed; of more, one fewer is listed and the rest are counted.
    static constexpr qsizetype mostListed = 5;
    // The characters kept of each end of an address far longer than any line shows.
    static constexpr qsizetype keptEnds = 400;

    // The addresses listed, in their order: a control character (a line break among them) shown as
    // the replacement character.
    QStringList listed;
    // How many addresses follow the listed ones.
    qsizetype more = 0;

    static NoFileAddresses of(const std::vector<std::string>& addresses);
};

} // namespace fen
