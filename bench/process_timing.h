#pragma once

#include <string>
#include <vector>

// Whole processes timed from spawn to exit, for the drivers that set a
// program beside the system's floor in the same run.

// Runs `args` (args[0] a path) with standard output and error on /dev/null;
// returns the wall time in seconds, or a negative number when it could not
// run or did not exit 0. `cpuSeconds`, when given, gets the child's user and
// system time, which other programs on a shared machine disturb far less.
double timeProcess(const std::vector<std::string>& args, double* cpuSeconds = nullptr);

// The median of `samples` (reordered).
double median(std::vector<double> samples);

// The `q`-quantile of `samples` (0 to 1, nearest rank; reordered).
double quantile(std::vector<double> samples, double q);

// A fresh, empty directory under /var/tmp (the local disk, not a tmpfs).
std::string freshDirectory(const std::string& name);

// The file's bytes; empty when it cannot be read.
std::string fileBytes(const std::string& path);
