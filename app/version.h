/* Version numbers of hint. This header is the one place they are written
   down: the resource script reads them through the rc preprocessor, and C++
   code may include it as well, so it holds nothing but plain macros. */
#ifndef HINT_VERSION_H
#define HINT_VERSION_H

#define HINT_VERSION_MAJOR 1
#define HINT_VERSION_MINOR 0
#define HINT_VERSION_PATCH 0
#define HINT_VERSION_BUILD 0

/* The same numbers as text, for the version block's string table. */
#define HINT_VERSION_STRING "1.0.0.0"

#endif /* HINT_VERSION_H */
