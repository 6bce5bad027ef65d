#pragma once
// The preference values held in memory, filled by LoadPreferences from the preferences key, with
// their defaults and the choices the preferences dialog offers. A stored value that does not convert
// to the needed type, or lies outside those choices, loads as its default.

#include <QString>
#include <QtGlobal>

#include <array>

namespace Options {

extern qint32 LineNum;
extern qint32 WhiteSpace;
extern qint32 TabSize;
extern qint32 AutoIndentMode;
extern QString KixPath;
extern QString ScriptPath;
extern qint32 MRUSize;
extern QString ExecuteConfirm;
extern qint32 ColorComments;
extern qint32 ColorKeywords;
extern qint32 ColorNumbers;
extern qint32 ColorOperators;
extern qint32 ColorStrings;
extern qint32 ColorText;
extern qint32 StyleComments;
extern qint32 StyleKeywords;
extern qint32 StyleNumbers;
extern qint32 StyleOperators;
extern qint32 StyleStrings;
extern qint32 StyleText;
extern QString StyleFont;
extern qint32 StyleFontSize;

namespace Defaults {
inline constexpr qint32 LineNum = 0;
inline constexpr qint32 WhiteSpace = 0;
inline constexpr qint32 TabSize = 5;
inline constexpr qint32 AutoIndentMode = 2;
inline constexpr char KixPath[] = "";
inline constexpr char ScriptPath[] = "";
inline constexpr qint32 MRUSize = 4;
inline constexpr char ExecuteConfirm[] = "1";
// Colours are 0x00BBGGRR.
inline constexpr qint32 ColorComments = 0x00008000; // green
inline constexpr qint32 ColorKeywords = 0x00FF0000; // blue
inline constexpr qint32 ColorNumbers = 0x00000000;  // black
inline constexpr qint32 ColorOperators = 0x000000FF; // red
inline constexpr qint32 ColorStrings = 0x00800080;  // purple
inline constexpr qint32 ColorText = 0x00000000;     // black
inline constexpr qint32 StyleComments = 2;          // Italic
inline constexpr qint32 StyleKeywords = 1;          // Bold
inline constexpr qint32 StyleNumbers = 0;
inline constexpr qint32 StyleOperators = 0;
inline constexpr qint32 StyleStrings = 0;
inline constexpr qint32 StyleText = 0;
inline constexpr char StyleFont[] = "Lucida Console";
inline constexpr qint32 StyleFontSize = 11;
} // namespace Defaults

// What the preferences dialog offers.
namespace Choices {
inline constexpr qint32 MinTabSize = 2;
inline constexpr qint32 MaxTabSize = 15;
inline constexpr qint32 MaxAutoIndentMode = 2;
inline constexpr qint32 MinMRUSize = 1;
inline constexpr qint32 MaxMRUSize = 9;
inline constexpr qint32 MaxColor = 0x00FFFFFF;
// Style numbers: 0 Normal, 1 Bold, 2 Italic, 3 Bold + Italic, 4 Underline.
inline constexpr std::array<const char*, 5> StyleNames{"Normal", "Bold", "Italic", "Bold + Italic", "Underline"};
inline constexpr std::array<const char*, 4> FontFaces{"Andale Mono", "Courier New", "Lucida Console",
                                                      "Letter Gothic"};
inline constexpr std::array<qint32, 7> FontSizes{8, 9, 10, 11, 12, 14, 16};
} // namespace Choices

// Reads every value above through PrefRegistry() (created if absent).
void LoadPreferences();
// Puts every variable back to its default without touching the registry.
void ResetToDefaults();

} // namespace Options
