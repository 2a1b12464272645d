#pragma once

#include "shell/KvScene.h"

class QApplication;

namespace fen {

// Runs the window program: hands the files of the command line to a fenmoor that already runs
// for this user (and returns 0), or becomes that program: the launch sequence, the windows kept
// at the last quit, the files given (else the document browser), then the event loop.
int runFenmoor(QApplication& app, DocumentViewFactory documentView);

} // namespace fen
