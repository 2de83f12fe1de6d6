// The few things the tool needs that POSIX systems and Windows do
// differently. Each system has its own source file behind this header;
// the build picks one, so the rest of the tool has no #ifdefs.
#ifndef TAPEWRIGHT_PLATFORM_H
#define TAPEWRIGHT_PLATFORM_H

#include <cstdio>

// Nonzero when the open listing and the existing file named tape_name are
// one file on disk, under whatever name or link; opening the tape would
// then truncate the listing before it is read. Zero when the name does
// not exist, is not a file on disk, or its identity cannot be learnt: the
// tape's own open then decides.
int same_file(FILE *listing, const char *tape_name);

// Nonzero when name is a regular file on disk, not a device or a folder:
// one that may be removed without harm to the system.
int regular_file(const char *name);

// Nonzero when the stream is a terminal (a console on Windows), where a
// person types the input and sees the output as it comes.
int is_terminal(FILE *stream);

// Makes an open stream read bytes as they are, where the system tells text
// from binary streams (Windows); 0, or -1 with errno set.
int binary_stream(FILE *stream);

#endif
