#include "LanguageRegistry.h"

#include "KixLexer.h"

LanguageRegistry& LanguageRegistry::instance()
{
    static LanguageRegistry registry;
    return registry;
}

void LanguageRegistry::RegisterLanguage(const QString& name, std::shared_ptr<const LanguageDefinition> def)
{
    if (name.isEmpty() || !def)
        return;
    languages_.insert(name.toCaseFolded(), Registered{name, std::move(def)});
}

std::shared_ptr<const LanguageDefinition> LanguageRegistry::find(const QString& name) const
{
    const auto it = languages_.constFind(name.toCaseFolded());
    return it == languages_.constEnd() ? nullptr : it->def;
}

QsciLexer* LanguageRegistry::createLexer(const QString& name, QObject* parent) const
{
    const auto it = languages_.constFind(name.toCaseFolded());
    if (it == languages_.constEnd())
        return nullptr;
    return new KixLexer(it->name, it->def, parent);
}
