#ifndef TOLVARIS_ERROR_PREFIX_H
#define TOLVARIS_ERROR_PREFIX_H

// Writes the start of every error line on standard error: the plug-in's name
// and, while a batch file runs, its name and current line. The caller then
// writes its message, ending the line with "\r\n". Always returns 0.
int WriteErrorPrefix(void);

#endif
