// The benchmark's stopwatch: runs a command and prints its wall time in
// nanoseconds and its peak resident memory in KiB, on any POSIX system
// (GNU date's %N and GNU time's -f are not everywhere):
//   measure [-n RUNS] [-o FILE] COMMAND [ARG...]
// The command's standard output goes to FILE, created or truncated for
// each run (default /dev/null), and its standard error to /dev/null. With
// -n it runs RUNS times in a row and the total time is printed; the peak
// is that of the largest run. A run that fails (exits other than with 0)
// ends the runs: the figures are printed all the same, and measure exits
// with 1. The tests measure with it too.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

static int print_usage()
{
	fprintf(stderr, "usage: measure [-n RUNS] [-o FILE] COMMAND [ARG...]\n");
	return 2;
}

// Runs the command once; 0 if it ran and exited with status 0.
static int run(char **command, const char *output)
{
	pid_t child = fork();
	if (child < 0) {
		fprintf(stderr, "measure: fork: %s\n", strerror(errno));
		return 1;
	}
	if (child == 0) {
		int out = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0666);
		int err = open("/dev/null", O_WRONLY);
		if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
			fprintf(stderr, "measure: %s could not be opened: %s\n", output,
			        strerror(errno));
			_exit(127);
		}
		close(out);
		close(err);
		execvp(command[0], command);
		fprintf(stderr, "measure: %s could not be run: %s\n", command[0],
		        strerror(errno));
		_exit(127);
	}
	int status;
	if (waitpid(child, &status, 0) != child) {
		fprintf(stderr, "measure: waitpid: %s\n", strerror(errno));
		return 1;
	}
	if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
		fprintf(stderr, "measure: %s failed\n", command[0]);
		return 1;
	}
	return 0;
}

int main(int argc, char **argv)
{
	long runs = 1;
	const char *output = "/dev/null";
	int arg = 1;

	for (; arg + 1 < argc && argv[arg][0] == '-'; arg += 2) {
		if (strcmp(argv[arg], "-n") == 0)
			runs = strtol(argv[arg + 1], nullptr, 10);
		else if (strcmp(argv[arg], "-o") == 0)
			output = argv[arg + 1];
		else
			return print_usage();
	}
	if (arg >= argc || runs < 1)
		return print_usage();

	auto begin = std::chrono::steady_clock::now();
	int failed = 0;
	for (long i = 0; i < runs && !failed; i++)
		failed = run(argv + arg, output);
	auto end = std::chrono::steady_clock::now();

	struct rusage usage;
	if (getrusage(RUSAGE_CHILDREN, &usage) != 0) {
		fprintf(stderr, "measure: getrusage: %s\n", strerror(errno));
		return 1;
	}
#ifdef __APPLE__
	long peak = usage.ru_maxrss / 1024; // bytes there, KiB elsewhere
#else
	long peak = usage.ru_maxrss;
#endif
	printf("%lld %ld\n",
	       static_cast<long long>(
	               std::chrono::duration_cast<std::chrono::nanoseconds>(end - begin)
	                       .count()),
	       peak);
	return failed;
}
