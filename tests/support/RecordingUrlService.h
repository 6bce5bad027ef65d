#pragma once
// A URL service for tests: records what would have been opened and opens nothing.

#include "platform/UrlService.h"

#include <QStringList>

class RecordingUrlService : public platform::UrlService {
public:
    RecordingUrlService() { platform::setUrlService(this); }
    ~RecordingUrlService() override { platform::setUrlService(nullptr); }

    QStringList files; // the files and addresses opened, in order

    void shellOpen(const QString&, const QString& file, const QString&, const QString&, int) override { files << file; }
};
