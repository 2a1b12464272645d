#include "model/PageNumberConfiguration.h"

namespace fen {

void to_json(Json& j, const PageNumberConfiguration& conf) {
    j = Json::object();
    j["fromPage"] = conf.fromPage;
    j["toPage"] = conf.toPage;
    j["startAt"] = conf.startAt;
    j["maxPage"] = conf.maxPage;
}

void from_json(const Json& j, PageNumberConfiguration& conf) {
    json::requireObject(j, "PageNumberConfiguration");
    conf.fromPage = json::member<std::int64_t>(j, "fromPage");
    conf.toPage = json::member<std::int64_t>(j, "toPage");
    conf.startAt = json::member<std::int64_t>(j, "startAt");
    conf.maxPage = json::member<std::int64_t>(j, "maxPage");
}

} // namespace fen
