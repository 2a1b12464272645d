#include "storage/SPAOptions.h"

#include <mutex>

namespace fen {

namespace {

std::mutex translatorMutex;
std::function<std::string(const std::string&)> translatorFunction;

} // namespace

SPAOptions SPAOptions::none() {
    std::function<std::string(const std::string&)> translate;
    {
        std::lock_guard lock(translatorMutex);
        translate = translatorFunction;
    }
    return SPAOptions{kNoneID, translate ? translate("None") : std::string("None")};
}

void SPAOptions::setTranslator(std::function<std::string(const std::string&)> translator) {
    std::lock_guard lock(translatorMutex);
    translatorFunction = std::move(translator);
}

} // namespace fen
