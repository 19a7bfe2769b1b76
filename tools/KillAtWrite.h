#pragma once

// Kills the process with SIGKILL as the database engine writes its n-th page
// into the file whose name ends with `name` (every other file is left alone).
// Since commits only append to the log, a write into the database file itself
// is a write-back: this stops one half-way. Call before the first connection.
void killAtWrite(const char* name, int n);
