#pragma once
// A URL service for tests: records what would have been opened and opens nothing.

#include "platform/UrlService.h"

#include <QStringList>

class RecordingUrlService : public platform::UrlService {
public:
    RecordingUrlService() { platform::setUrlService(this); }
    ~RecordingUrlService() override { platform::setUrlService(nullptr); }

    struct Call {
        QString verb, file, parameters, directory;
        int showMode = 0;
    };
    QList<Call> calls;

    QStringList files() const
    {
        QStringList result;
        for (const Call& call : calls)
            result << call.file;
        return result;
    }

    void shellOpen(const QString& verb, const QString& file, const QString& parameters, const QString& directory,
                   int showMode) override
    {
        calls.append({verb, file, parameters, directory, showMode});
    }
};
