#include "document/ScriptPrinter.h"

#include <Qsci/qsciscintillabase.h>

#include <QPainter>
#include <QPrinter>

bool ScriptPrinter::print(QsciScintillaBase& editor, QPrinter& printer)
{
    long from = 0;
    long to = editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const long selectionStart = editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long selectionEnd = editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    if (printer.printRange() == QPrinter::Selection && selectionEnd > selectionStart) {
        from = selectionStart;
        to = selectionEnd;
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    editor.SendScintilla(QsciScintillaBase::SCI_SETPRINTCOLOURMODE, QsciScintillaBase::SC_PRINT_COLOURONWHITE);
    editor.SendScintilla(QsciScintillaBase::SCI_SETPRINTWRAPMODE, QsciScintillaBase::SC_WRAP_WORD);
    const QRect area(0, 0, printer.width(), printer.height());
    bool ok = true;
    for (long pos = from; pos < to;) {
        const long next = editor.SendScintilla(QsciScintillaBase::SCI_FORMATRANGE, 1UL, &painter, area, pos, to);
        if (next <= pos)
            break; // nothing more fits on a page: stop rather than loop
        pos = next;
        if (pos < to && !printer.newPage()) {
            ok = false;
            break;
        }
    }
    painter.end();
    return ok;
}
