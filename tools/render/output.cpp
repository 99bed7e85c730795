#include "output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

OutputFile::~OutputFile() {
  if (fd >= 0) close(fd);
  if (!finished && !temp.empty()) unlink(temp.c_str());
}

int output_claim(OutputFile *file, const char *path) {
  file->path = path;
  file->temp = file->path + ".part" + std::to_string(getpid());
  file->fd = open(file->temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (file->fd < 0) file->temp.clear();
  return file->fd >= 0;
}

int output_write(OutputFile *file, const void *data, size_t size) { return write_all(file->fd, data, size); }

int write_all(int fd, const void *data, size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size) {
    ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return 1;
}

int output_finish(OutputFile *file) {
  int ok = !file->temp.empty();
  if (file->fd >= 0 && close(file->fd) != 0) ok = 0;
  file->fd = -1;
  if (!ok || std::rename(file->temp.c_str(), file->path.c_str()) != 0) return 0;
  file->finished = true;
  return 1;
}
