#include "app/app.h"

BenchmarkApp::BenchmarkApp() { ResetScene(&scene); }

// Teardown runs once more here; every release nulls what it released, so
// after a completed ReleaseApp this pass does nothing.
BenchmarkApp::~BenchmarkApp() { ReleaseApp(this); }
