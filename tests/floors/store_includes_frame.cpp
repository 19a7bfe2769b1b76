// Built only by the floors test, which expects it to fail: the store floor
// cannot see the frame above it.
#include "frame/TFormMain.h"
