#pragma once
// The KiXtart vocabulary shared by every document window: the command and function table with the
// parameter texts of the code tips, the macro table, and the registration of the "KixTart" language.

#include "CaseInsensitiveOrderedMap.h"
#include "LanguageDefinition.h"

#include <QString>

#include <memory>

// Name under which the KiXtart language is registered and selected.
inline const QString KixLanguageName = QStringLiteral("KixTart");

// Command or function name → parameter text, the number 1 (no tip), or "" (KBHit).
extern CaseInsensitiveOrderedMap CommandTable;
// Macro names (written after "@" in scripts), each with the number 1.
extern CaseInsensitiveOrderedMap MacroTable;
// The scope-opening words, a line feed, and the scope-closing words, as the definition holds them.
extern QString ScopeKeywordText;

// Replaces both tables with freshly built ones.
void BuildReferenceTables();

// Builds the KiXtart definition (rebuilding the tables) and registers it under KixLanguageName,
// replacing any earlier registration. Returns the registered definition.
std::shared_ptr<const LanguageDefinition> RegisterKixLanguage();
