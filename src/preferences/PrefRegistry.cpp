#include "preferences/PrefRegistry.h"

namespace {
std::unique_ptr<RegistryHandler>& sharedHandler()
{
    static std::unique_ptr<RegistryHandler> handler;
    return handler;
}
} // namespace

RegistryHandler* PrefRegistry()
{
    return sharedHandler().get();
}

RegistryHandler& CreatePrefRegistry()
{
    return CreatePrefRegistry(platform::defaultRegistryStore());
}

RegistryHandler& CreatePrefRegistry(std::shared_ptr<platform::RegistryStore> store)
{
    auto handler = std::make_unique<RegistryHandler>(std::move(store));
    handler->SetHive(platform::HKEY_CURRENT_USER_);
    handler->SetSubKey(QString::fromLatin1(kPreferencesKey));
    sharedHandler() = std::move(handler);
    return *sharedHandler();
}
