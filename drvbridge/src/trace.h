// The bridge's failure report: one OutputDebugStringA line for whoever
// listens (a debugger or a debug-output viewer), and the cause as the
// thread's last-error value.
#pragma once

#include "failure.h"

// Sends the line, then sets the last-error value to failure.error, so the
// trace cannot change what the caller reads. Call it last, after every
// clean-up of the failing call.
void ReportFailure(const char* exportName, const char* printer, const Failure& failure);
