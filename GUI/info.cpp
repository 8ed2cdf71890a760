#include "GUI/info.h"

#include <cstdio>

void SInfo(const char* text, const char* title) {
    fprintf(stderr, "%s: %s\n", title ? title : "", text ? text : "");
    fflush(stderr);
}
