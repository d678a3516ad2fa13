#pragma once

// The application object: checks the stored login, runs the login window when the service does
// not accept it, then opens the main window. When the service cannot be heard, the login window
// may open the main window on the stored user's receipts without signing in.

#include <wx/app.h>

class AppDashboard : public wxApp {
public:
    bool OnInit() override;
};

// The start-up of a run, on the GUI thread of a running toolkit: true when the main window has
// been created and shown, false when the program should end (no successful login, or a user
// database that cannot be set up, which has then been reported in a message box).
bool IniciarDashboard();
