// Runs a command and prints the peak resident memory of it, in KiB:
//   peak_memory COMMAND [ARGUMENT...]
// The command's own output is passed through; its exit status is not
// looked at. Only POSIX, so that the memory cases run wherever the tool
// does, with no time(1) of a particular flavour.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
	if (argc < 2) {
		fprintf(stderr, "usage: peak_memory COMMAND [ARGUMENT...]\n");
		return 2;
	}
	pid_t child = fork();
	if (child < 0) {
		perror("peak_memory: fork");
		return 2;
	}
	if (child == 0) {
		execvp(argv[1], argv + 1);
		fprintf(stderr, "peak_memory: %s: %s\n", argv[1], strerror(errno));
		_exit(127);
	}
	int status;
	if (waitpid(child, &status, 0) < 0) {
		perror("peak_memory: waitpid");
		return 2;
	}
	struct rusage usage;
	if (getrusage(RUSAGE_CHILDREN, &usage) != 0) {
		perror("peak_memory: getrusage");
		return 2;
	}
	long peak = usage.ru_maxrss;
#ifdef __APPLE__
	peak /= 1024; // macOS counts bytes, the others KiB
#endif
	printf("%ld\n", peak);
	return 0;
}
