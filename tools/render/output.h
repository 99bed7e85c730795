// output.h - files that appear under their name only when complete.
//
//   OutputFile out;
//   if (!output_claim(&out, path)) fail;   // before any long work
//   output_write(&out, data, size) ...;     // or let another program fill out.temp
//   if (!output_finish(&out)) fail;         // rename into place
//
// The file is written beside its name, under the name plus ".part" and the
// process id, and renamed when complete; an OutputFile that is not finished
// removes its temporary file when it goes.
#pragma once
#include <cstddef>
#include <string>

struct OutputFile {
  std::string path, temp;
  int fd = -1;
  bool finished = false;
  OutputFile() = default;
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;
  ~OutputFile();
};

// Creates the temporary file beside `path`. Returns 0 when it cannot.
int output_claim(OutputFile *file, const char *path);
// Writes all `size` bytes to the file descriptor, retrying interrupted and
// partial writes. Returns 0 on failure.
int write_all(int fd, const void *data, size_t size);
// Appends `size` bytes. Returns 0 on a failed write.
int output_write(OutputFile *file, const void *data, size_t size);
// Closes the temporary file if still open and renames it to its name.
// Returns 0 on failure, and then removes it.
int output_finish(OutputFile *file);
