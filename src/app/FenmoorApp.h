#pragma once

#include "app/HandOff.h"
#include "shell/KvScene.h"

#include <string>
#include <vector>

namespace fen {

// Runs the window program for the files and addresses of its command line (`arguments`, the
// bytes of argv after Qt took its own options, the program's name left out): hands them to the
// fenmoor that already runs for this user (and returns 0), or becomes that program: the launch
// sequence, the windows kept at the last quit, the files given (else the document browser), then
// the event loop. A start that can reach no running program of its own user opens its files itself;
// when one runs but did not take them (it is stopped, say), only those files: the windows kept at
// the last quit stay that program's, and this one keeps none at its own quit.
// Quit waits, in the event loop, for the preset saves that wait for the store (QuitWaitAlert);
// once quitting is final the hand-off is let go at once, and the store's work ends before this
// returns, within the store's patience for one write (15 s): what was not stored by then is
// named on standard error.
// An address that names no file is told on standard error (the first few, each in a line, and
// the rest counted); a start that hands its files over then returns 1, and a first start shows
// one alert for them.
// `peerUid` tells the user at the other end of the hand-off socket; `bounds` are the hand-off's.
int runFenmoor(const std::vector<std::string>& arguments, DocumentViewFactory documentView,
               HandOff::PeerUid peerUid = HandOff::socketPeerUid, HandOffBounds bounds = {});

} // namespace fen
