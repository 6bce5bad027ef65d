#pragma once
// The languages the editing control can colour, by name (letter case ignored). Registering a name
// again replaces the earlier definition; controls that already have a lexer keep theirs until they
// select the language again.

#include "LanguageDefinition.h"

#include <QHash>
#include <QString>

#include <memory>

class QObject;
class QsciLexer;

class LanguageRegistry {
public:
    static LanguageRegistry& instance();

    void RegisterLanguage(const QString& name, std::shared_ptr<const LanguageDefinition> def);
    std::shared_ptr<const LanguageDefinition> find(const QString& name) const;
    // A new lexer colouring by the named definition, owned by parent; nullptr when the name is unknown.
    QsciLexer* createLexer(const QString& name, QObject* parent) const;

private:
    LanguageRegistry() = default;

    struct Registered {
        QString name; // spelling of the latest registration
        std::shared_ptr<const LanguageDefinition> def;
    };
    QHash<QString, Registered> languages_; // case-folded name → definition
};
