#pragma once

#include <nlohmann/json.hpp>

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;

namespace fen {

// One feature row of the welcome page: a symbol, a title and a description (text keys).
struct OnBoardingWhatsNewItem {
    std::string id;
    std::string imagename;
    std::string title;
    std::string description;
};

// What the welcome window shows: the welcome page after a first start, the "What's New" page
// after a new build (stored style 1). The rows are the first row given and "Shortcuts"; the
// cloud-sync row is left out, since this program keeps nothing in a cloud.
struct OnBoardingWhatsNew {
    bool isUpdate = false;
    // Shown under "Welcome to": the bundle's "CFBundleExecutable", empty when it has none.
    std::string appName;
    std::vector<OnBoardingWhatsNewItem> items;

    static OnBoardingWhatsNew forStyle(int presentationStyle, const nlohmann::json& bundleInfo);
    static std::vector<OnBoardingWhatsNewItem> rows(const std::string& title,
                                                    const std::string& description);
};

// The page of the welcome window: a heavy title sized from the window (7.5 % of its shorter
// side), the program's name in the accent colour on the welcome page, the feature rows and a
// "Continue" button that calls `dismiss`.
class WelcomeWhatsNewView : public QWidget {
    Q_OBJECT
public:
    WelcomeWhatsNewView(OnBoardingWhatsNew page, std::function<void()> dismiss,
                        QWidget* parent = nullptr);

    const OnBoardingWhatsNew& page() const { return page_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    OnBoardingWhatsNew page_;
    QLabel* title_;
    QLabel* subtitle_ = nullptr;
};

} // namespace fen
