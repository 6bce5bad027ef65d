#pragma once
// The desktop's handler through QDesktopServices (xdg-open and its kind off Windows).

#include "platform/UrlService.h"

namespace platform {

class QtUrlService : public UrlService {
public:
    void shellOpen(const QString& verb, const QString& file, const QString& parameters,
                   const QString& directory, int showMode) override;
};

} // namespace platform
