#pragma once

#include "state/shell.h"

class QWidget;

namespace tovrin {

// The resume dialog: the chosen save file already holds stream data; resume
// into it, download again over it, or cancel (the default, focused button).
// Modal; closing it any other way cancels.
ResumeChoice AskResume(QWidget* parent);

}  // namespace tovrin
