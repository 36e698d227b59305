#pragma once

#include <QString>

class TMainForm;

// Puts the window into a state described by a text of "key=value" pairs
// separated by ";", as a user would get there: source=<path>, format=<name>,
// quality=<0|1>, page=<0|1>, device=<button index>, scroll=<pixels>,
// menu=<options|source|view|file|help>, dialog=<about|folder>,
// tooltip=progress (the time-left tooltip of a run half done),
// notice=<outcome message id> (what the notice at the end of a long run says,
// drawn beside the window), focus=<control name> (as Tab would put it there).
// Used to take pictures of the window (the FROBNIK_UI_DEMO environment
// variable); unknown keys are ignored.
void ApplyDemoState(TMainForm &_window, const QString &_state);

// Applies _state shortly after the window has opened and, when _picture is
// not empty, saves a picture of the whole screen there once everything has
// settled (after _settleMs) and ends the program.
void StartDemo(TMainForm &_window, const QString &_state, const QString &_picture, int _settleMs);
