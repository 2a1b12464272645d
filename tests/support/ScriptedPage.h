#pragma once

#include "platform/graphics/Context.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"

#include <functional>
#include <memory>
#include <utility>

namespace fen::test {

// A PDF page whose drawing is the test's function: it decides what is drawn around the page's
// own content, and whether that content (drawContent, the base draw) is drawn at all.
class ScriptedPage : public pdf::Page {
public:
    using Script = std::function<void(ScriptedPage& page, pdf::Box box, gfx::Context& ctx)>;

    ScriptedPage(pdf::Document& document, int index, Script script)
        : Page(document, index), script_(std::move(script)) {}
    void draw(pdf::Box box, gfx::Context& ctx) override { script_(*this, box, ctx); }
    void drawContent(pdf::Box box, gfx::Context& ctx) { Page::draw(box, ctx); }

    // Makes every page of `document` a ScriptedPage running `script`.
    static void install(pdf::Document& document, Script script) {
        document.setPageFactory([script](pdf::Document& d, int index) {
            return std::make_unique<ScriptedPage>(d, index, script);
        });
    }

private:
    Script script_;
};

} // namespace fen::test
