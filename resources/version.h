// The one place the program's version lives; the .rc and the release scripts read it.
#pragma once

#define KORVANI_VERSION_NUMBERS 1, 0, 0, 1
#define KORVANI_VERSION_TEXT "1.00.0001"
