// Compiled in the toolkit's layer: the entry's header, two layers up, must not be found.
#include "plugin/entry/application.h"
