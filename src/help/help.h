// The plug-in's help topics: one row per name the host may ask about.
#ifndef TOLVARIS_HELP_H
#define TOLVARIS_HELP_H

// Room for a topic's name, in wide characters, terminator included; the
// rest of the field is zero-filled.
enum { HelpNameChars = 11 };

// The table is two parallel arrays indexed by row, searched in order. Its
// size is this constant, not a sentinel row.
enum { HelpTopicCount = 1 };
extern const wchar_t HelpTopicNames[HelpTopicCount][HelpNameChars];
extern const wchar_t *const HelpTopicTexts[HelpTopicCount];

#endif
