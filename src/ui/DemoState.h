#pragma once

#include <QString>

class TMainForm;

// Puts the window into a state described by a text of "key=value" pairs
// separated by ";", as a user would get there: source=<path>, format=<name>,
// quality=<0|1>, page=<0|1>, device=<button index>, scroll=<pixels>,
// menu=<options|source|view|file|help>. Used to take pictures of the window
// (the FROBNIK_UI_DEMO environment variable); unknown keys are ignored.
void ApplyDemoState(TMainForm &_window, const QString &_state);
