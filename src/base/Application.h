#pragma once

// Asking the program to end: the message loop ends (or never starts) and no close
// question is asked. Used by a failed connect and a cancelled login.
void RequestTerminate();
bool TerminateRequested();
// Tests start each case with no request pending.
void ClearTerminateRequest();
