#include "document/editor/ScriptPrinter.h"

#include <Qsci/qsciscintillabase.h>

#include <QPageRanges>
#include <QPainter>
#include <QPrinter>

#include <memory>
#include <vector>

namespace {

using Sci = QsciScintillaBase;

// The pages the user asked for; empty = every page.
QPageRanges requestedPages(const QPrinter& printer)
{
    return printer.printRange() == QPrinter::PageRange ? printer.pageRanges() : QPageRanges();
}

// Gives `to` every style of `from`, so that text copied with its style numbers looks the same.
void copyStyles(const Sci& from, Sci& to)
{
    for (unsigned long style = 0; style <= Sci::STYLE_MAX; ++style) {
        const long length = from.SendScintilla(Sci::SCI_STYLEGETFONT, style, static_cast<void*>(nullptr));
        std::vector<char> font(std::size_t(qMax(0L, length)) + 1, '\0');
        from.SendScintilla(Sci::SCI_STYLEGETFONT, style, static_cast<void*>(font.data()));
        to.SendScintilla(Sci::SCI_STYLESETFONT, uintptr_t(style), static_cast<const char*>(font.data()));
        for (auto [get, set] : {std::pair{Sci::SCI_STYLEGETSIZEFRACTIONAL, Sci::SCI_STYLESETSIZEFRACTIONAL},
                                std::pair{Sci::SCI_STYLEGETWEIGHT, Sci::SCI_STYLESETWEIGHT},
                                std::pair{Sci::SCI_STYLEGETITALIC, Sci::SCI_STYLESETITALIC},
                                std::pair{Sci::SCI_STYLEGETUNDERLINE, Sci::SCI_STYLESETUNDERLINE},
                                std::pair{Sci::SCI_STYLEGETFORE, Sci::SCI_STYLESETFORE},
                                std::pair{Sci::SCI_STYLEGETBACK, Sci::SCI_STYLESETBACK},
                                std::pair{Sci::SCI_STYLEGETEOLFILLED, Sci::SCI_STYLESETEOLFILLED},
                                std::pair{Sci::SCI_STYLEGETCHARACTERSET, Sci::SCI_STYLESETCHARACTERSET},
                                std::pair{Sci::SCI_STYLEGETCASE, Sci::SCI_STYLESETCASE},
                                std::pair{Sci::SCI_STYLEGETVISIBLE, Sci::SCI_STYLESETVISIBLE}})
            to.SendScintilla(set, style, from.SendScintilla(get, style));
    }
    for (auto [get, set] : {std::pair{Sci::SCI_GETCODEPAGE, Sci::SCI_SETCODEPAGE},
                            std::pair{Sci::SCI_GETTABWIDTH, Sci::SCI_SETTABWIDTH},
                            std::pair{Sci::SCI_GETVIEWWS, Sci::SCI_SETVIEWWS},
                            std::pair{Sci::SCI_GETVIEWEOL, Sci::SCI_SETVIEWEOL},
                            std::pair{Sci::SCI_GETPRINTMAGNIFICATION, Sci::SCI_SETPRINTMAGNIFICATION}})
        to.SendScintilla(set, static_cast<unsigned long>(from.SendScintilla(get)));
}

// A hidden control holding exactly the bytes [start, end) of `editor`, styled as they are there.
// Scintilla prints whole lines, so a selection that starts or ends inside a line is printed from this.
std::unique_ptr<Sci> selectionCopy(Sci& editor, long start, long end)
{
    editor.SendScintilla(Sci::SCI_COLOURISE, 0UL, end);
    std::vector<char> cells(std::size_t(2 * (end - start) + 2), '\0');
    editor.SendScintilla(Sci::SCI_GETSTYLEDTEXT, start, end, cells.data());
    auto copy = std::make_unique<Sci>();
    copyStyles(editor, *copy);
    copy->SendScintilla(Sci::SCI_SETMARGINWIDTHN, 0UL, 0L); // its line numbers would start again at 1
    copy->SendScintilla(Sci::SCI_ADDSTYLEDTEXT, static_cast<unsigned long>(2 * (end - start)),
                        static_cast<void*>(cells.data()));
    return copy;
}

} // namespace

bool ScriptPrinter::print(QsciScintillaBase& editor, QPrinter& printer)
{
    Sci* source = &editor;
    std::unique_ptr<Sci> copy;
    const long selectionStart = editor.SendScintilla(Sci::SCI_GETSELECTIONSTART);
    const long selectionEnd = editor.SendScintilla(Sci::SCI_GETSELECTIONEND);
    if (printer.printRange() == QPrinter::Selection && selectionEnd > selectionStart) {
        copy = selectionCopy(editor, selectionStart, selectionEnd);
        source = copy.get();
    }
    const long to = source->SendScintilla(Sci::SCI_GETLENGTH);
    const QPageRanges pages = requestedPages(printer);

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    source->SendScintilla(Sci::SCI_SETPRINTCOLOURMODE, Sci::SC_PRINT_COLOURONWHITE);
    source->SendScintilla(Sci::SCI_SETPRINTWRAPMODE, Sci::SC_WRAP_WORD);
    const QRect area(0, 0, printer.width(), printer.height());
    bool ok = true;
    bool printedAPage = false;
    for (long pos = 0, page = 1; pos < to; ++page) {
        if (!pages.isEmpty() && page > pages.lastPage())
            break;
        // Pages outside the chosen range are only measured, to know where the next one begins.
        const bool wanted = pages.isEmpty() || pages.contains(int(page));
        if (wanted && printedAPage && !printer.newPage()) {
            ok = false;
            break;
        }
        const long next = source->SendScintilla(Sci::SCI_FORMATRANGE, wanted ? 1UL : 0UL, &painter, area, pos, to);
        if (next <= pos)
            break; // nothing more fits on a page: stop rather than loop
        printedAPage = printedAPage || wanted;
        pos = next;
    }
    painter.end();
    return ok;
}
