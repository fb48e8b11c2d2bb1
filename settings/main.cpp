#include "TessalyApp.h"

// The application object, constructed before the entry point runs.
CTessalyApp theApp;
