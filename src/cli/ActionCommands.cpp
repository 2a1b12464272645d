#include "cli/ActionCommands.h"

#include "intents/ActionEnumerations.h"
#include "intents/FenAppPageNumberIntent.h"
#include "intents/FenAppSimpleStampIntent.h"
#include "intents/FenAppSimpleTextIntent.h"
#include "intents/IntentPositions.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace fen::cli {

namespace {

// Runs an action and reports as it goes: written files on `out`, skipped inputs on `err`.
template <typename Intent>
int runAction(Intent& intent, const InputOptions& inputs, std::istream& in, std::ostream& out,
              std::ostream& err) {
    ActionReporter reporter(inputs.nulSeparated, out, err);
    intent.intentFiles = inputs.collect(in, reporter);
    return reporter.run(
        [&](const ActionRunObserver& observer) { return intent.perform(observer); });
}

} // namespace

ActionCommands::ActionCommands(CLI::App& app) {
    const auto& pageInfo = FenAppPageNumberIntent::description();
    pageCommand_ = app.add_subcommand(commandName(pageInfo.title), actionHelpText(pageInfo));
    pageInputs_.addTo(*pageCommand_);
    pageCommand_
        ->add_option("--position", pagePosition_,
                     "Position: where the page numbers go (default: " +
                         std::string(rawValue(FenAppPageNumberIntent::defaultPosition)) + ")")
        ->type_name("POSITION");
    pageCommand_->footer("Values of --position:\n" +
                         valueTable(*findActionEnumeration("positions"), "  ") + "\n" +
                         exitStatusHelp);

    const auto& stampInfo = FenAppSimpleStampIntent::description();
    stampCommand_ = app.add_subcommand(commandName(stampInfo.title), actionHelpText(stampInfo));
    stampInputs_.addTo(*stampCommand_);
    stampCommand_->add_option("--text", stampText_, "Text: the stamp's text")
        ->type_name("TEXT")
        ->required();
    stampCommand_->add_flag("--include-date", includeDate_,
                            "Include Today Date: adds today's date below the text (default: off)");
    stampCommand_->footer(exitStatusHelp);

    const auto& textInfo = FenAppSimpleTextIntent::description();
    textCommand_ = app.add_subcommand(commandName(textInfo.title), actionHelpText(textInfo));
    textInputs_.addTo(*textCommand_);
    textCommand_->add_option("--text", text_, "Text: the text written across the pages")
        ->type_name("TEXT")
        ->required();
    textCommand_->footer(exitStatusHelp);
}

std::optional<int> ActionCommands::run(std::istream& in, std::ostream& out, std::ostream& err) {
    if (pageCommand_->parsed()) {
        FenAppPageNumberIntent intent;
        if (pagePosition_) {
            intent.position =
                parseEnumValue<IntentPositions>(*pagePosition_, "--position", "positions");
        }
        return runAction(intent, pageInputs_, in, out, err);
    }
    if (stampCommand_->parsed()) {
        FenAppSimpleStampIntent intent;
        intent.stampText = stampText_;
        intent.isDateIncluded = includeDate_;
        return runAction(intent, stampInputs_, in, out, err);
    }
    if (textCommand_->parsed()) {
        FenAppSimpleTextIntent intent;
        intent.text = text_;
        return runAction(intent, textInputs_, in, out, err);
    }
    return std::nullopt;
}

} // namespace fen::cli
