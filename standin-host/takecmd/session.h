// takecmd/session.h, part of the stand-in TakeCmd.dll: commands read from
// standard input. Its one entry is an export, declared in takecmd.h:
// HostRunSession.
#ifndef STANDIN_SESSION_H
#define STANDIN_SESSION_H

#include "takecmd.h"

#endif
