#pragma once

#include <string>

// Where the loadable module `file` is: $`variable` when set (alone); lib/
// beside the program's folder (the build tree); <libdir>/dexmora/ beside it
// (a moved installation); else the installed <libdir>/dexmora/.
std::string findModule(const char* variable, const char* file);
