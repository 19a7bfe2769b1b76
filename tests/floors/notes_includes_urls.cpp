// Built only by the floors test, which expects it to fail: one feature sees
// only the features it builds on, and notes does not build on urls.
#include "urls/UrlsTab.h"
