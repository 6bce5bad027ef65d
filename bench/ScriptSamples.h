#pragma once
// Test scripts shared by the benchmarks and the side-by-side driver (plain C++, no Qt).
//
// realisticScript: logon scripts of the usual kind joined one after another, CRLF, about 41 bytes a
// line, with what such a join brings: Functions and labels defined again by later parts (about one
// problem every 24 lines), Goto targets, strings, comments, nested blocks, and "$Result" three
// times a part. hostileScript: the inputs that once made the structure check quadratic.

#include <cstddef>
#include <string>

namespace samples {

inline std::string realisticScript(std::size_t bytes)
{
    std::string s;
    s.reserve(bytes + 4096);
    for (unsigned n = 0; s.size() < bytes; ++n) {
        const std::string i = std::to_string(n);
        s += "; ---- logon part " + i + " (drives, printers, inventory) ----\r\n"
             "Break On ; keep the logon window open while the script runs\r\n"
             "$Server = \"\\\\fs" + std::to_string(n % 17) + ".corp.example\"\r\n"
             "$Result = 0\r\n"
             ":Start\r\n"
             "If InGroup(\"Staff" + i + "\") And @INWIN = 1\r\n"
             "\tUse H: /Delete /Persistent ; a stale mapping from a former session\r\n"
             "\tUse H: $Server + \"\\home\\\" + @USERID\r\n"
             "\tIf @ERROR <> 0\r\n"
             "\t\t$Result = LogLine(\"H: failed \" + @SERROR)\r\n"
             "\tEndIf\r\n"
             "Else ; not a member: the drives stay as they are for this user\r\n"
             "\t? \"Not in Staff" + i + ", skipping drives\"\r\n"
             "EndIf\r\n"
             "Select\r\n"
             "\tCase @PRODUCTTYPE = \"Windows 10 Professional\"\r\n"
             "\t\tAddPrinterConnection(\"\\\\print01\\floor" + i + "\")\r\n"
             "\tCase @DOS >= \"6.1\"\r\n"
             "\t\tAddPrinterConnection(\"\\\\print02\\floor" + i + "\")\r\n"
             "\tCase 1 ; anything else, including servers and older desktops\r\n"
             "\t\t; no printer for older systems\r\n"
             "EndSelect ; printers are mapped by operating system version\r\n"
             "For Each $Key In EnumKey(\"HKCU\\Software\\Corp\", 0)\r\n"
             "\t$Value = ReadValue(\"HKCU\\Software\\Corp\\\" + $Key, \"Path\")\r\n"
             "\tIf Len($Value) > 0 And Exist($Value) = 0\r\n"
             "\t\tWriteLine(1, $Key + \" missing: \" + $Value + @CRLF)\r\n"
             "\tEndIf\r\n"
             "Next ; every key under HKCU\\Software\\Corp has been looked at\r\n"
             "$Count = 0 ; the home share may take a moment after a reconnect\r\n"
             "Do\r\n"
             "\t$Count = $Count + 1\r\n"
             "\tSleep 1 ; one second between tries, three tries at most\r\n"
             "Until $Count >= 3 Or Exist(\"H:\\logon.ok\")\r\n"
             "If $Result <> 0 Goto Start EndIf\r\n"
             "Gosub Inventory" + i + "\r\n"
             "Exit 0 ; the inventory below runs only through Gosub\r\n"
             ":Inventory" + i + "\r\n"
             "$obj = GetObject(\"winmgmts:\\\\.\\root\\cimv2\")\r\n"
             "For $Index = 0 To 3 Step 1 $Total = $Total + $Index Next\r\n"
             "Return ; back to the caller after the inventory is written\r\n"
             "Function LogLine($Text, optional $Level)\r\n"
             "\tDim $Handle ; the log is opened, written and closed at each call\r\n"
             "\t$Handle = FreeFileHandle()\r\n"
             "\tIf Open($Handle, \"%TEMP%\\logon" + i + ".log\", 5) = 0\r\n"
             "\t\t$LogLine = WriteLine($Handle, @DATE + \" \" + @TIME + \" \" + $Text + @CRLF)\r\n"
             "\t\t$ = Close($Handle)\r\n"
             "\tEndIf\r\n"
             "EndFunction\r\n";
    }
    return s;
}

// One line of `bytes` bytes: statements and a long data string, without a line break.
inline std::string longLineScript(std::size_t bytes)
{
    std::string s;
    s.reserve(bytes + 256);
    for (unsigned n = 0; s.size() < bytes; ++n)
        s += "$Data[" + std::to_string(n) + "] = \"k" + std::to_string(n * 7919 % 100000) +
             "=v\" + @USERID  $Total = $Total + " + std::to_string(n % 97) + "  ";
    s.resize(bytes);
    return s;
}

enum class Hostile { EndIfsOnOneLine, EndIfLines, OpenersThenClosers };

// About `bytes` bytes of one hostile shape: "endif" repeated on one line; one "endif" per line; or
// "if 1" lines followed by as many "loop" lines (every closer unmatched, every opener left open).
inline std::string hostileScript(Hostile kind, std::size_t bytes)
{
    std::string s;
    s.reserve(bytes + 16);
    switch (kind) {
    case Hostile::EndIfsOnOneLine:
        while (s.size() < bytes)
            s += "endif ";
        break;
    case Hostile::EndIfLines:
        while (s.size() < bytes)
            s += "endif\r\n";
        break;
    case Hostile::OpenersThenClosers: {
        const std::size_t pairs = bytes / 12;
        for (std::size_t i = 0; i < pairs; ++i)
            s += "if 1\r\n";
        for (std::size_t i = 0; i < pairs; ++i)
            s += "loop\r\n";
        break;
    }
    }
    return s;
}

} // namespace samples
