// The platform layer on Windows. The Windows C runtime leaves st_dev and
// st_ino of a stat empty, so a file's identity comes from the system: the
// serial number of its volume and its index on that volume, the same for
// every spelling of its path (letter case, ".\", a full path, another
// drive letter for the same folder) and for every hard link to it.
//
// It has a folder of its own because the POSIX build's static analysis
// reads src/*.cpp without the Windows headers; .ci/windows analyses it
// against them.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform.h"

int same_file(FILE *listing, const char *tape_name)
{
	BY_HANDLE_FILE_INFORMATION in, out;

	// The C runtime hands out the stream's handle as an integer.
	// NOLINTNEXTLINE(performance-no-int-to-ptr)
	HANDLE input = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(listing)));
	if (input == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(input, &in))
		return 0;
	// No access is asked for, only the file's identity, and every kind
	// of sharing is allowed, so the open cannot fail because the listing
	// is open; backup semantics lets a folder open too, to be told apart
	// below.
	HANDLE tape = CreateFileA(tape_name, 0,
	                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
	                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
	if (tape == INVALID_HANDLE_VALUE)
		return 0;
	int known =
	        GetFileType(tape) == FILE_TYPE_DISK && GetFileInformationByHandle(tape, &out);
	CloseHandle(tape);
	return known && !(out.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
	       in.dwVolumeSerialNumber == out.dwVolumeSerialNumber &&
	       in.nFileIndexHigh == out.nFileIndexHigh && in.nFileIndexLow == out.nFileIndexLow;
}

int regular_file(const char *name)
{
	DWORD attributes = GetFileAttributesA(name);
	return attributes != INVALID_FILE_ATTRIBUTES &&
	       !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

// Any character device counts, the NUL device too; that only costs the
// buffering, never a wrong result.
int is_terminal(FILE *stream)
{
	return _isatty(_fileno(stream));
}

// Standard input is opened in text mode, which would end a tape at its
// first 0x1A frame and drop the carriage returns.
int binary_stream(FILE *stream)
{
	return _setmode(_fileno(stream), _O_BINARY) == -1 ? -1 : 0;
}
