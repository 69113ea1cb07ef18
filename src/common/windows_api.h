#pragma once
// <windows.h> for gbcode's Windows code: without the min and max macros, which would break
// std::min and std::max, and without the rarely used parts that only slow the build.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
