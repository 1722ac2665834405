/* The floor for a batch's files: one thread creating COUNT files of SIZE
 * bytes in DIR, named 1.png to COUNT.png, each as --batch promises them
 * (written unnamed through O_TMPFILE, then linked to its name complete), the
 * directory opened once, and one syncfs at the end as the batch does.
 * Usage: floor_files DIR COUNT SIZE */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: floor_files DIR COUNT SIZE\n");
    return 64;
  }
  const long count = atol(argv[2]);
  const size_t size = (size_t)atol(argv[3]);
  char* bytes = malloc(size + 1);
  const int dir = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!bytes || dir < 0) return 73;
  memset(bytes, 'x', size);
  for (long n = 1; n <= count; ++n) {
    char self[32];
    char name[32];
    const int fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 || write(fd, bytes, size) != (ssize_t)size) return 73;
    snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    snprintf(name, sizeof name, "%ld.png", n);
    if (linkat(AT_FDCWD, self, dir, name, AT_SYMLINK_FOLLOW) != 0 || close(fd) != 0) return 73;
  }
  const int synced = syncfs(dir);
  close(dir);
  free(bytes);
  return synced == 0 ? 0 : 74;
}
