#pragma once

// The language of the texts the toolkits write themselves: the buttons and questions of GTK's and
// wxWidgets' dialogs (the file chooser, its overwrite question, the message boxes' buttons) and
// the context menu of the styled text controls.

namespace controles {

// Makes GTK and wxWidgets speak Brazilian Portuguese, whatever language the user's environment
// names: the C library's locale becomes pt_BR.UTF-8 when it is installed (otherwise the
// environment's, with messages still taken in Portuguese where a translation exists), and the
// texts wxWidgets writes itself are translated for pt_BR. LC_NUMERIC stays "C": printf, strtod
// and the toolkit's number conversions keep reading and writing "." decimals. Called at
// start-up, after the toolkit has started and before any window is created.
void FalarPortugues();

}  // namespace controles
