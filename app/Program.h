#pragma once

#include <QString>

// The program from start-up checks to the end of the event loop. Returns the
// process exit code.
int runProgram(const QString &programFolder);
