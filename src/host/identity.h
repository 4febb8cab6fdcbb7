// The plug-in's name and version, and the author, e-mail address and web
// page its descriptor gives: defined once here. The code takes them for the
// descriptor, the load announcement, every error line and the help title;
// the version resource for its texts; CMake (cmake/version.cmake) for the
// project's version, the package and its user guide, and the signature.
// Plain macros, one per line, so that the resource compiler and CMake can
// read this file too.
#ifndef TOLVARIS_IDENTITY_H
#define TOLVARIS_IDENTITY_H

#define TOLVARIS_NAME "Tolvaris"
#define TOLVARIS_VERSION_MAJOR 1
#define TOLVARIS_VERSION_MINOR 0
#define TOLVARIS_VERSION_BUILD 1
// The fourth number of the file's version resource (MAJOR.MINOR.BUILD.REVISION).
#define TOLVARIS_VERSION_REVISION 1

#define TOLVARIS_AUTHOR "The Tolvaris developers"
#define TOLVARIS_EMAIL "tolvaris@users.noreply.example"
#define TOLVARIS_WEB_PAGE "https://tolvaris.example/"

#ifndef RC_INVOKED
#define TOLVARIS_WIDEN_(text) L##text
#define TOLVARIS_WIDEN(text) TOLVARIS_WIDEN_(text)

static const wchar_t PluginName[] = TOLVARIS_WIDEN(TOLVARIS_NAME);
#endif

#endif
