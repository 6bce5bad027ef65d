// Reading and writing the document's file, and printing it: the control takes a file block by block
// and gives its text back in the file's own encoding and line breaks.

#include "document/editor/CodeAssist.h"
#include "document/editor/CodeEditor.h"
#include "document/check/ScriptChecker.h"
#include "document/editor/ScriptPrinter.h"

#include <QDir>
#include <QPrinter>

// ---- Files -----------------------------------------------------------------------------------

FileError CodeEditor::LoadFromFile(const QString& path)
{
    const auto startLoading = [this] {
        assist_->closeAll();
        loading_ = true;
        sci(SCI_SETUNDOCOLLECTION, 0);
        sci(SCI_CLEARALL);
    };
    ScriptFile format;
    if (sci(SCI_GETLENGTH) == 0) {
        // An empty control takes the file block by block: no copy of the whole file on the side.
        bool begun = false;
        const FileError error = ScriptFile::stream(
            path, format,
            [&](qint64 length) {
                begun = true;
                startLoading();
                sci(SCI_ALLOCATE, long(std::min<qint64>(length, ScriptFile::MaxFileSize)) + 1024);
                checker_->loadBegins();
            },
            [this](QByteArrayView block) {
                SendScintilla(SCI_APPENDTEXT, uintptr_t(block.size()), block.data());
                checker_->loadPiece(block);
            });
        if (!error.ok()) {
            if (begun) {
                checker_->loadEnded(false);
                sci(SCI_CLEARALL);
                sci(SCI_SETUNDOCOLLECTION, 1);
                loading_ = false;
            }
            return error;
        }
    } else {
        // Text already here stays until the whole file has been read.
        QByteArray text;
        const FileError error = ScriptFile::stream(
            path, format, [&text](qint64 length) { text.reserve(length); },
            [&text](QByteArrayView block) { text.append(block); });
        if (!error.ok())
            return error;
        startLoading();
        // Appended with its length: text with NUL bytes goes in whole.
        SendScintilla(SCI_APPENDTEXT, uintptr_t(text.size()), text.constData());
        checker_->textReplaced(text);
    }
    sci(SCI_SETUNDOCOLLECTION, 1);
    sci(SCI_EMPTYUNDOBUFFER);
    sci(SCI_SETSAVEPOINT);
    loading_ = false;
    format.setLineBreakFrom(QByteArray::fromRawData(
        static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER)), sci(SCI_GETLENGTH)));

    file_ = format;
    switch (format.lineBreak()) {
    case ScriptFile::LineBreak::Lf:
        setEolMode(EolUnix);
        break;
    case ScriptFile::LineBreak::Cr:
        setEolMode(EolMac);
        break;
    case ScriptFile::LineBreak::CrLf:
        setEolMode(EolWindows);
        break;
    }
    clearHighlight();
    checker_->loadEnded(true);
    sci(SCI_GOTOPOS, 0);
    updateLineNumberMargin();
    emit Change();
    return {};
}

FileError CodeEditor::SaveToFile(const QString& path, bool)
{
    const auto* text = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    const ScriptFile::Encoded encoded = file_.encode(text, sci(SCI_GETLENGTH));
    // Never a change of encoding or text the user did not choose: encodingQuestion asks first.
    if (!ScriptFile::readsBack(encoded))
        return {FileError::Other, QStringLiteral("%1 cannot be saved in %2 without changing its text.")
                                      .arg(QDir::toNativeSeparators(path), ScriptFile::encodingName(encoded.encoding))};
    const FileError error = ScriptFile::write(path, encoded.bom, encoded.body);
    if (!error.ok())
        return error;
    sci(SCI_SETSAVEPOINT);
    return {};
}

QByteArray CodeEditor::utf8Text() const
{
    // Copied around the control's gap: asking for the text in one piece would move the gap to the
    // end, and the next key typed would move it back through the whole text.
    return bytesBetween(0, int(sci(SCI_GETLENGTH)));
}

void CodeEditor::restoreText(const QByteArray& utf8, const ScriptFile& format)
{
    assist_->closeAll();
    loading_ = true;
    sci(SCI_CLEARALL);
    sci(SCI_EMPTYUNDOBUFFER);
    sci(SCI_SETSAVEPOINT);
    // An undoable insert: Scintilla counts a document as modified only away from its save point.
    SendScintilla(SCI_APPENDTEXT, uintptr_t(utf8.size()), utf8.constData());
    loading_ = false;
    file_ = format;
    setEolMode(format.lineBreak() == ScriptFile::LineBreak::Lf   ? EolUnix
               : format.lineBreak() == ScriptFile::LineBreak::Cr ? EolMac
                                                                 : EolWindows);
    sci(SCI_GOTOPOS, 0);
    updateLineNumberMargin();
    checker_->textReplaced(utf8);
    emit Change();
}

ScriptFile::SaveQuestion CodeEditor::encodingQuestion() const
{
    const auto* text = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return file_.saveQuestion(text, sci(SCI_GETLENGTH));
}

// ---- Printing --------------------------------------------------------------------------------

bool CodeEditor::PrintText(QPrinter& printer, int) { return ScriptPrinter::print(*this, printer); }
