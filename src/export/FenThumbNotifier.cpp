#include "export/FenThumbNotifier.h"

#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "rendering/FenObjectHolder.h"

#include <any>

namespace fen {

void FenThumbNotifier::postThumbnail(const gfx::Image& image, const std::string& name) {
    MainQueue::post([image, name] {
        std::any object;
        if (!image.isNull()) {
            object = image;
        }
        NotificationCenter::defaultCenter().post(name, std::move(object));
    });
}

void FenThumbNotifier::attach(FenObjectHolder& holder) {
    holder.thumbnailPoster = &FenThumbNotifier::postThumbnail;
}

} // namespace fen
