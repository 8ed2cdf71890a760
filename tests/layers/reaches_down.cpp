// Compiled in the toolkit's layer: a header of a layer below it is there.
#include "system/mutex.h"
