#include "modKixLanguage.h"

#include "LanguageRegistry.h"

CaseInsensitiveOrderedMap CommandTable;
CaseInsensitiveOrderedMap MacroTable;
QString ScopeKeywordText;

namespace {

const char* const kMacroNames[] = {
    "ADDRESS", "BUILD", "COMMENT", "CRLF", "CSD", "CURDIR", "DATE", "DAY", "DOMAIN", "DOS", "ERROR",
    "FULLNAME", "HOMEDIR", "HOMEDRIVE", "HOMESHR", "HOSTNAME", "INWIN", "IPADDRESS1", "IPADDRESS2",
    "IPADDRESS3", "KIX", "LANROOT", "LDOMAIN", "LDRIVE", "LM", "LONGHOMEDIR", "LSERVER", "MAXPWAGE",
    "MDAYNO", "MONTHNO", "MONTH", "MSECS", "PRIMARYGROUP", "PRIV", "PRODUCTSUITE", "PRODUCTTYPE",
    "PWAGE", "RAS", "RSERVER", "SCRIPTDIR", "SERROR", "SID", "SITE", "STARTDIR", "SYSLANG", "TICKS",
    "TIME", "USERID", "USERLANG", "WDAYNO", "WKSTA", "WUSERID", "YDAYNO", "YEAR"
};

} // namespace

void BuildReferenceTables()
{
    // Keys in the order the code tips, keyword list and help lookups expect them.
    CommandTable = CaseInsensitiveOrderedMap{
    {":", 1},
    {"?", 1},
    {"AddKey", QStringLiteral("\"SubKey\"")},
    {"AddPrinterConnection", QStringLiteral("\"Printer Name\"")},
    {"AddProgramGroup", QStringLiteral("\"Group Name\", Common Group Flag")},
    {"AddProgramItem", QStringLiteral("\"Command Line\", \"Name\", \"Icon Path\", Icon Index, \"Default Directory\", Minimize, Replace, Run In Own Space")},
    {"ASC", QStringLiteral("\"Character\"")},
    {"AT", QStringLiteral("Row, Column")},
    {"Beep", 1},
    {"Big", 1},
    {"Box", QStringLiteral("Top Left Row, Top Left Column, Bottom Right Row, Bottom Right Column, \"Line Style\"")},
    {"Break", 1},
    {"Call", QStringLiteral("\"Script Name\"")},
    {"CD", QStringLiteral("\"Directory\"")},
    {"Chr", QStringLiteral("Character Code")},
    {"Close", QStringLiteral("File Number")},
    {"CLS", 1},
    {"Color", 1},
    {"CompareFileTime", QStringLiteral("\"File1\", \"File2\"")},
    {"Cookie1", 1},
    {"Copy", QStringLiteral("\"Source\", \"Destination\", [/h]")},
    {"Debug", QStringLiteral("\"On | Off\"")},
    {"DecToHex", QStringLiteral("Decimal Value")},
    {"Del", QStringLiteral("\"Filename\"")},
    {"DelKey", QStringLiteral("\"SubKey\"")},
    {"DelPrinterConnection", QStringLiteral("\"Printer Name\"")},
    {"DelProgramGroup", QStringLiteral("\"Group Name\", Common Group Flag")},
    {"DelProgramItem", QStringLiteral("\"Item Name\"")},
    {"DelTree", QStringLiteral("\"SubKey\"")},
    {"DelValue", QStringLiteral("\"SubKey\", \"Entry\"")},
    {"Dim", QStringLiteral("\"Variable\"")},
    {"Dir", QStringLiteral("\"Path\", Index")},
    {"Display", QStringLiteral("\"Filename\"")},
    {"EnumGroup", QStringLiteral("Index")},
    {"EnumIPInfo", QStringLiteral("Index, Type")},
    {"EnumKey", QStringLiteral("\"SubKey\", Index")},
    {"EnumLocalGroup", QStringLiteral("Index, \"SubKey\"")},
    {"EnumValue", QStringLiteral("\"SubKey\", Index")},
    {"Execute", QStringLiteral("\"Script Code\"")},
    {"Exist", QStringLiteral("\"File Name\"")},
    {"ExistKey", QStringLiteral("\"SubKey\"")},
    {"Exit", 1},
    {"ExpandEnvironmentVars", QStringLiteral("\"String\"")},
    {"FlushKB", 1},
    {"Each", 1},
    {"EndFunction", 1},
    {"Function", 1},
    {"Get", 1},
    {"GetDiskSpace", QStringLiteral("\"Drive\"")},
    {"GetFileAttr", QStringLiteral("\"Filename\"")},
    {"GetFileSize", QStringLiteral("\"Filename\"")},
    {"GetFileTime", QStringLiteral("\"Filename\"")},
    {"GetFileVersion", QStringLiteral("\"Filename\", \"Version Field\"")},
    {"Gets", 1},
    {"Global", QStringLiteral("\"Variable\"")},
    {"Go", 1},
    {"Gosub", 1},
    {"Goto", 1},
    {"Else", 1},
    {"InGroup", QStringLiteral("\"Group Name\"")},
    {"InStr", QStringLiteral("\"String to Search\", \"String to Search For\"")},
    {"InStrRev", QStringLiteral("\"String to Search\", \"String to Search For\"")},
    {"KBHit", QStringLiteral("")},
    {"KeyExist", QStringLiteral("\"SubKey\"")},
    {"Lcase", QStringLiteral("\"String\"")},
    {"Left", QStringLiteral("\"String\", Length")},
    {"Len", QStringLiteral("\"String\"")},
    {"LoadHive", QStringLiteral("\"Key\", \"File Name\"")},
    {"LoadKey", QStringLiteral("\"SubKey\", \"File Name\"")},
    {"LoadEvent", QStringLiteral("Type, ID, \"SubKey\", Target, Source")},
    {"LogOff", QStringLiteral("Force")},
    {"Ltrim", QStringLiteral("\"String\"")},
    {"MD", 1},
    {"MessageBox", QStringLiteral("\"Message\", \"Title\", Style, [Time-out]")},
    {"OLECallFunc", QStringLiteral("Object Handle, \"Method Name\", \"Type List\", \", Optional Arguments\"")},
    {"OLECallProc", QStringLiteral("Object Handle, \"Method Name\", \"Type List\", \", Optional Arguments\"")},
    {"OLECreateObject", QStringLiteral("\"ServerClassName\"")},
    {"OLEGetObject", QStringLiteral("Mode, \"Object Name\", \"Class Name\"")},
    {"OLEGetProperty", QStringLiteral("Object Handle, \"Property Name\"")},
    {"OLEGetSubObject", QStringLiteral("Object Handle, \"Method Name\", \"Type List\", \"Optional Arguments\"")},
    {"OLEPutProperty", QStringLiteral("Object Handle, \"Property Name\", \"Value\"")},
    {"OLEReleaseObject", QStringLiteral("Object Handle")},
    {"Open", QStringLiteral("File Number, \"Filename\", mode")},
    {"Password", 1},
    {"Play", 1},
    {"Quit", 1},
    {"RD", 1},
    {"ReadLine", QStringLiteral("File Number")},
    {"ReadProfileString", QStringLiteral("\"Filename\", \"Section\", \"Key\"")},
    {"ReadType", QStringLiteral("\"SubKey\", \"Entry\"")},
    {"ReadValue", QStringLiteral("\"SubKey\", \"Entry\"")},
    {"ReDim", 1},
    {"ReDirectOutput", QStringLiteral("\"Filename\", Overwrite")},
    {"Return", 1},
    {"Right", QStringLiteral("\"String\", Length")},
    {"Rnd", QStringLiteral("[Range]")},
    {"Rtrim", QStringLiteral("\"String\"")},
    {"Run", 1},
    {"SaveKey", QStringLiteral("\"SubKey\", \"File Name\"")},
    {"Case", 1},
    {"SendKeys", QStringLiteral("\"Keys\"")},
    {"SendMessage", QStringLiteral("\"Recipient\", \"Message\"")},
    {"Set", 1},
    {"SetASCII", QStringLiteral("\"Mode\"")},
    {"SetConsole", QStringLiteral("\"Mode\"")},
    {"SetDefaultPrinter", QStringLiteral("\"Printer Name\"")},
    {"SetFileAttr", QStringLiteral("\"Filename\", Attributes")},
    {"SetFocus", QStringLiteral("\"Title\"")},
    {"SetL", 1},
    {"SetM", 1},
    {"SetOption", QStringLiteral("\"Option\", \"Value\"")},
    {"SetSystemState", QStringLiteral("Mode, Force")},
    {"SetTime", QStringLiteral("\"Source\"")},
    {"SetTitle", QStringLiteral("\"Title\"")},
    {"SetWallpaper", QStringLiteral("\"Wallpaper Name\"")},
    {"Shell", 1},
    {"ShowProgramGroup", QStringLiteral("\"Group Name\", Show Command, Common Group Flag")},
    {"Shutdown", QStringLiteral("\"Computer\", \"Message\", Wait, Force, Options")},
    {"SIDtoName", QStringLiteral("\"SID\"")},
    {"Sleep", 1},
    {"Small", 1},
    {"Split", QStringLiteral("\"String\", \"Delimiter\", Count")},
    {"SRND", QStringLiteral("Seed")},
    {"SubStr", QStringLiteral("\"String\", Start, Length")},
    {"Trim", QStringLiteral("\"String\"")},
    {"Ubound", QStringLiteral("Array")},
    {"Ucase", QStringLiteral("\"String\"")},
    {"UnloadHive", QStringLiteral("\"Key\"")},
    {"Use", 1},
    {"Val", QStringLiteral("\"String\"")},
    {"VarType", QStringLiteral("Variable")},
    {"VarTypeName", QStringLiteral("Variable")},
    {"WriteLine", QStringLiteral("File Number, \"Line To Write\"")},
    {"WriteProfileString", QStringLiteral("\"Filename\", \"Section\", \"Key\", \"String\"")},
    {"WriteValue", QStringLiteral("\"SubKey\", \"Entry\", \"Expression\", \"Data Type\"")},
    };

    CaseInsensitiveOrderedMap macros;
    for (const char* name : kMacroNames)
        macros.insert(QString::fromLatin1(name), 1);
    MacroTable = std::move(macros);
}

std::shared_ptr<const LanguageDefinition> RegisterKixLanguage()
{
    auto def = std::make_shared<LanguageDefinition>();
    def->setCaseSensitive(false);

    BuildReferenceTables();
    def->setKeywords(CommandTable.keys().join(QLatin1Char('\n')));

    def->setLanguageStyle(0);
    def->setOperators(QStringLiteral("+\n-\n*\n/\n<>\n<\n>\n>=\n<=\n=\n==\nAND\nOR\nNOT\n&\n|"));
    def->setSingleLineComments(QStringLiteral(";"));
    def->setMultiLineComments1(QString());
    def->setMultiLineComments2(QString());
    def->setScopeKeywords1(QStringLiteral("Do\nFor\nIf\nSelect\nWhile"));
    def->setScopeKeywords2(QStringLiteral("Until\nNext\nEndIf\nEndSelect\nLoop"));
    ScopeKeywordText = def->scopeKeywords1() + QLatin1Char('\n') + def->scopeKeywords2();
    def->setStringDelimiters(QStringLiteral("\"\n'"));
    def->setEscapeChar(QString());
    def->setTerminatorChar(QChar(0));

    std::shared_ptr<const LanguageDefinition> registered = std::move(def);
    LanguageRegistry::instance().RegisterLanguage(KixLanguageName, registered);
    return registered;
}
