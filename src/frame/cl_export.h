#pragma once

// Only what carries CL_EXPORT is visible outside libcl.so; everything else is
// compiled with hidden visibility.
#define CL_EXPORT __attribute__((visibility("default")))
