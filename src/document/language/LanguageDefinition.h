#pragma once
// What the editing control needs to colour a language: its words, operators, comment markers,
// scope words and string delimiters. List properties are set and read as texts whose items are
// separated by line feeds; an empty text is an empty list.

#include <QChar>
#include <QString>
#include <QStringList>

class LanguageDefinition {
public:
    bool caseSensitive() const { return caseSensitive_; }
    void setCaseSensitive(bool on) { caseSensitive_ = on; }

    QString keywords() const { return join(keywords_); }
    void setKeywords(const QString& lines) { keywords_ = split(lines); }
    const QStringList& keywordList() const { return keywords_; }

    int languageStyle() const { return languageStyle_; }
    void setLanguageStyle(int style) { languageStyle_ = style; }

    QString operators() const { return join(operators_); }
    void setOperators(const QString& lines) { operators_ = split(lines); }
    const QStringList& operatorList() const { return operators_; }

    QString singleLineComments() const { return join(singleLineComments_); }
    void setSingleLineComments(const QString& lines) { singleLineComments_ = split(lines); }
    const QStringList& singleLineCommentList() const { return singleLineComments_; }

    QString multiLineComments1() const { return join(multiLineComments1_); }
    void setMultiLineComments1(const QString& lines) { multiLineComments1_ = split(lines); }
    QString multiLineComments2() const { return join(multiLineComments2_); }
    void setMultiLineComments2(const QString& lines) { multiLineComments2_ = split(lines); }

    // Opening scope words; paired by position with the closing ones.
    QString scopeKeywords1() const { return join(scopeKeywords1_); }
    void setScopeKeywords1(const QString& lines) { scopeKeywords1_ = split(lines); }
    const QStringList& scopeOpeningList() const { return scopeKeywords1_; }
    QString scopeKeywords2() const { return join(scopeKeywords2_); }
    void setScopeKeywords2(const QString& lines) { scopeKeywords2_ = split(lines); }
    const QStringList& scopeClosingList() const { return scopeKeywords2_; }

    QString stringDelimiters() const { return join(stringDelimiters_); }
    void setStringDelimiters(const QString& lines) { stringDelimiters_ = split(lines); }
    const QStringList& stringDelimiterList() const { return stringDelimiters_; }

    // Empty: strings have no escape character.
    QString escapeChar() const { return escapeChar_; }
    void setEscapeChar(const QString& c) { escapeChar_ = c; }

    // Character 0: statements have no terminator.
    QChar terminatorChar() const { return terminatorChar_; }
    void setTerminatorChar(QChar c) { terminatorChar_ = c; }

private:
    static QStringList split(const QString& lines)
    {
        return lines.isEmpty() ? QStringList() : lines.split(QLatin1Char('\n'));
    }
    static QString join(const QStringList& items) { return items.join(QLatin1Char('\n')); }

    bool caseSensitive_ = true;
    QStringList keywords_;
    int languageStyle_ = 0;
    QStringList operators_;
    QStringList singleLineComments_;
    QStringList multiLineComments1_;
    QStringList multiLineComments2_;
    QStringList scopeKeywords1_;
    QStringList scopeKeywords2_;
    QStringList stringDelimiters_;
    QString escapeChar_;
    QChar terminatorChar_ = QChar(0);
};
