#pragma once

#include <QWidget>

#include <string>
#include <vector>

namespace fen {

class FlexibleLayout;

// A page-number format drawn as its words, wrapped to the width with 5 points between them: a
// tag as a token (white on the accent colour, corners of 6 points), any other word in the primary
// colour. Every word keeps its place, a repeated word or an empty one (two spaces) included.
// Used as the label of each format row and, following the field as it is typed, in the editor.
class FormatTokensView : public QWidget {
    Q_OBJECT
public:
    FormatTokensView(const std::string& text, std::vector<std::string> tags,
                     QWidget* parent = nullptr);

    void setText(const std::string& text);
    const std::vector<std::string>& words() const { return words_; }
    // The word widgets in order, for probes and tests.
    std::vector<QWidget*> wordWidgets() const;

private:
    std::vector<std::string> tags_;
    std::vector<std::string> words_;
    FlexibleLayout* layout_;
};

// Every tag of a format as a token, wrapped with 10 points between them (the editor's list of
// the tags there are; they are typed into the field, not pressed).
class FormatTagListView : public QWidget {
    Q_OBJECT
public:
    explicit FormatTagListView(const std::vector<std::string>& tags, QWidget* parent = nullptr);
};

} // namespace fen
