#pragma once
// Between the shared part of stopping and its platform files.

namespace compiler {

// Marks that a stop was asked for; safe in a signal handler.
void MarkStopRequested();

// Runs the stop actions, then removes the registered paths.
void CleanUpForStop();

}  // namespace compiler
