/* Writes every system message text for the codes -100..7000 to the file named by argv[1], one
 * line per code that has a message: the code in decimal, a tab, the text with backslash, tab, CR
 * and LF escaped. Built with mingw-w64 and run under a Windows-compatible system (Wine). */
#include <windows.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    static char text[32767]; /* the largest buffer FormatMessage accepts */
    FILE* out;
    long code;
    if (argc != 2) {
        fprintf(stderr, "usage: win32_messages OUTPUT\n");
        return 2;
    }
    out = fopen(argv[1], "wb");
    if (!out)
        return 1;
    for (code = -100; code <= 7000; ++code) {
        /* The editor's own flags: system table, inserts left alone, line breaks dropped; the
         * user's default language. A large buffer records the whole text: the editor itself
         * treats a text that would not fit its 256-character buffer as no message. */
        DWORD length = FormatMessageA(0x12FF, NULL, (DWORD)code, 0x400, text, sizeof text, NULL);
        DWORD i;
        if (length == 0)
            continue;
        fprintf(out, "%ld\t", code);
        for (i = 0; i < length; ++i) {
            unsigned char c = (unsigned char)text[i];
            if (c == '\\') fputs("\\\\", out);
            else if (c == '\t') fputs("\\t", out);
            else if (c == '\r') fputs("\\r", out);
            else if (c == '\n') fputs("\\n", out);
            else fputc(c, out);
        }
        fputc('\n', out);
    }
    return fclose(out) == 0 ? 0 : 1;
}
