#include "Oskavel3App.h"

// The application object, constructed before the entry point runs.
COskavel3App theApp;
