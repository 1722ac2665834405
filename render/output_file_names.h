#pragma once

// Name and message helpers of OutputFile; no file system access except where noted.
#include <string>
#include <string_view>

namespace dexmora {

// The descriptor a path names by itself ("/dev/stdout", "/dev/fd/3",
// "/proc/self/fd/3"), or -1.
int descriptorNamedBy(std::string_view path);

// The fixed hidden name beside `name` that a complete temporary carries
// between linkat and rename; a later write removes a leftover of it.
std::string linkedTemporaryName(std::string_view name);

// A fresh random hidden name beside `name` for a named temporary where the
// file system has no O_TMPFILE.
std::string randomTemporaryName(std::string_view name);

// The name of the file or directory `fd` refers to, as the kernel resolved it
// (read from /proc/self/fd); "" when unknown.
std::string nameOfDescriptor(int fd);

// `path` split into directory and last name the way the kernel parses it ("a" -> ".", "a").
void splitPath(const std::string& path, std::string& dir, std::string& name);

// strerror, without the shared buffer.
std::string errorText(int errnum);

// "cannot write 'PATH': <cause>" with control bytes escaped.
std::string fileMessage(std::string_view path, std::string_view cause);

// "cannot write 'PATH': cannot create a file in directory 'DIR': <cause>".
std::string directoryMessage(std::string_view path, std::string_view dir, int errnum);

}  // namespace dexmora
