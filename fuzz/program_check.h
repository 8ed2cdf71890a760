// What every stored program must look like, whatever the host loaded or set:
// a terminated name, flags of 0 or 1 and every number inside its parameter's range.
#pragma once

#include "engine/program/bank.h"

bool ProgramValid(const velk::engine::VSTPluginProgram& program);

// The same settings and the same name (compared as text: what follows the
// terminator does not count).
bool SameProgram(const velk::engine::VSTPluginProgram& a, const velk::engine::VSTPluginProgram& b);
