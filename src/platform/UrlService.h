#pragma once
// Opening web addresses and documents with the desktop's own handler (the browser for an
// address). Tests install a recording service so that nothing is started.

#include <QString>

namespace platform {

class UrlService {
public:
    virtual ~UrlService() = default;
    // Opens `file` (an address or a path) with the verb ("open"); the parameters, the working
    // directory and the show mode (1 = normal window) go to the program that opens it where the
    // system supports them. Returns at once; the outcome is not reported.
    virtual void shellOpen(const QString& verb, const QString& file, const QString& parameters,
                           const QString& directory, int showMode) = 0;
};

// The service in use: the desktop implementation unless a test has installed another.
UrlService& urls();
// Installs a service (not owned); nullptr restores the desktop implementation.
void setUrlService(UrlService* service);

} // namespace platform
