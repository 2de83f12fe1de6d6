// Runs the fuzzer's checks once on each input in the folders given, without
// the fuzzer: so that every test run holds the converter and tapelist to
// what the fuzzer found, and a change that breaks one of its invariants on
// the saved inputs fails the suite, on any compiler. A broken invariant
// aborts, naming it.
#include <dirent.h>

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static int replay(const std::string &path)
{
	FILE *f = fopen(path.c_str(), "rb");
	if (!f) {
		perror(path.c_str());
		return 1;
	}
	std::string bytes;
	char block[4096];
	size_t got;
	while ((got = fread(block, 1, sizeof block, f)) > 0)
		bytes.append(block, got);
	int failed = ferror(f);
	fclose(f);
	if (failed) {
		fprintf(stderr, "%s could not be read\n", path.c_str());
		return 1;
	}
	fprintf(stderr, "%s\n", path.c_str());
	LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
	return 0;
}

int main(int argc, char **argv)
{
	int inputs = 0;
	for (int i = 1; i < argc; i++) {
		DIR *folder = opendir(argv[i]);
		if (!folder) {
			perror(argv[i]);
			return 1;
		}
		// One thread reads the folder: readdir is safe here.
		// cppcheck-suppress readdirCalled
		while (const dirent *entry = readdir(folder)) {
			if (entry->d_name[0] == '.')
				continue;
			if (replay(std::string(argv[i]) + "/" + entry->d_name)) {
				closedir(folder);
				return 1;
			}
			inputs++;
		}
		closedir(folder);
	}
	// The checks write to standard error while they run; what they
	// printed last is the input that broke one.
	fprintf(stdout, "%d inputs, every check held\n", inputs);
	return 0;
}
