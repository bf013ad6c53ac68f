#pragma once

#include <QString>
#include <functional>

class QWidget;

// The program from start-up checks to the end of the event loop. Returns the
// process exit code. loginShown, when given, is called once the login screen
// is on the screen (the start-up benchmark ends the program there).
int runProgram(const QString &programFolder, const std::function<void(QWidget *)> &loginShown = {});

// Loads Qt's own Chinese texts (the standard buttons and the file dialogs)
// from the translations Qt was installed with. Returns whether they were
// found.
bool loadQtTranslation();
