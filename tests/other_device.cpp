// Preloaded into the tool, this makes a tape named other-device.rim seem
// to lie on another device while it has the inode number of the listing
// in.oct: the tool must not take the two for the same file. (No test can
// make such a pair of files without the right to mount a file system.)
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstring>

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): glibc's are reserved
extern "C" int stat(const char *path, struct stat *status) noexcept
{
	using stat_function = int (*)(const char *, struct stat *);
	static auto real_stat = reinterpret_cast<stat_function>(dlsym(RTLD_NEXT, "stat"));
	struct stat listing;

	int result = real_stat(path, status);
	if (result == 0 && strcmp(path, "other-device.rim") == 0 &&
	    real_stat("in.oct", &listing) == 0) {
		status->st_dev = listing.st_dev + 1;
		status->st_ino = listing.st_ino;
	}
	return result;
}
