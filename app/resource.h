#pragma once
// Resource ids shared by tarnwick.rc and the program. Kept free of C++ so that
// windres can read it.

#define IDI_APP_ICON 101
