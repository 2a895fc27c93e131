#pragma once

// Only what carries CL_EXPORT is visible outside libcl.so; everything else is
// compiled with hidden visibility.
#define CL_EXPORT __attribute__((visibility("default")))

// Members of an exported class that only this library and its tools call: kept out of
// libcl.so's exports.
#define CL_INTERNO __attribute__((visibility("hidden")))
