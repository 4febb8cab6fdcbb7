// The plug-in's name and version: defined once here and used by the
// descriptor, the load announcement, every error line and the help title.
// Plain macros so that the resource compiler can read this file too.
#ifndef TOLVARIS_IDENTITY_H
#define TOLVARIS_IDENTITY_H

#define TOLVARIS_NAME "Tolvaris"
#define TOLVARIS_VERSION_MAJOR 1
#define TOLVARIS_VERSION_MINOR 0
#define TOLVARIS_VERSION_BUILD 1
// The fourth number of the file's version resource (MAJOR.MINOR.BUILD.REVISION).
#define TOLVARIS_VERSION_REVISION 1

#ifndef RC_INVOKED
#define TOLVARIS_WIDEN_(text) L##text
#define TOLVARIS_WIDEN(text) TOLVARIS_WIDEN_(text)

static const wchar_t PluginName[] = TOLVARIS_WIDEN(TOLVARIS_NAME);

// Sizes of the working buffers, in wide characters, terminator included.
enum {
    ArgumentChars = 8192,  // the host's argument/result buffer
    PrefixChars = 8192,    // the batch-location text of an error line
    LoadCheckChars = 1024, // the expansion that decides the load announcement
    HelpTitleChars = 1024  // the help box's caption
};
#endif

#endif
