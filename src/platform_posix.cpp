// The platform layer on POSIX systems.
#include <sys/stat.h>
#include <unistd.h>

#include "platform.h"

// A file is known by its device and inode numbers, whichever name or
// link leads to it. Only a regular file counts: a terminal or pipe that
// is both input and output is not overwritten by opening it.
int same_file(FILE *listing, const char *tape_name)
{
	struct stat in, out;

	if (fstat(fileno(listing), &in) != 0 || stat(tape_name, &out) != 0)
		return 0;
	return S_ISREG(out.st_mode) && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

int regular_file(const char *name)
{
	struct stat file;
	return lstat(name, &file) == 0 && S_ISREG(file.st_mode);
}

int is_terminal(FILE *stream)
{
	return isatty(fileno(stream));
}

// POSIX streams are the same in text and binary mode.
int binary_stream(FILE * /*stream*/)
{
	return 0;
}
