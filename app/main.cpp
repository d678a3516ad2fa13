// The program's entry point: the toolkit's GUI entry with AppDashboard as the application.
#include "app/AppDashboard.h"

wxIMPLEMENT_APP(AppDashboard);
