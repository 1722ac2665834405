#pragma once

// Name and message helpers of OutputFile; no file system access except where noted.
#include <string>
#include <string_view>

namespace dexmora {

// The descriptor a path names by itself ("/dev/stdout", "/dev/fd/3",
// "/proc/self/fd/3"), or -1.
int descriptorNamedBy(std::string_view path);

// The descriptor N when the link `name` in the directory `dirFd`, followed
// link by link, ends at an entry of this process's descriptor directory:
// /proc/self/fd/N, and so /dev/stdout, /dev/fd/N and links to them. -1 for
// any other name, or one that cannot be followed.
int descriptorReachedBy(int dirFd, const std::string& name);

// The name of the file or directory `fd` refers to, as the kernel resolved it
// (read from /proc/self/fd); "" when unknown.
std::string nameOfDescriptor(int fd);

// `path` split into directory and last name the way the kernel parses it ("a" -> ".", "a").
void splitPath(const std::string& path, std::string& dir, std::string& name);

// `name` in the directory `dir` as a path: "a.png" in ".", "out/a.png" in "out".
std::string joinPath(const std::string& dir, const std::string& name);

// strerror, without the shared buffer.
std::string errorText(int errnum);

// "cannot write 'PATH': <cause>" with control bytes escaped.
std::string fileMessage(std::string_view path, std::string_view cause);

// "cannot write 'PATH': cannot create a file in directory 'DIR': <cause>".
std::string directoryMessage(std::string_view path, std::string_view dir, int errnum);

}  // namespace dexmora
