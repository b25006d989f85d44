// Opening the files the show reads (its pictures, and the song in the sound library) as a file
// descriptor, so that what was opened can be asked what it is (fstat) before a byte is read,
// then read through a stream (fdopen) or given back (close). A name may stand for a named pipe,
// whose opening waits for a writer, or a device that never ends: asked before opening, it may
// be swapped for one in between. Here the opening doesn't wait (O_NONBLOCK), and the file is
// kept from any program the process starts (O_CLOEXEC). Windows opens no such pipe by a file's
// name, and has neither flag: there the C library's binary open, kept from child processes.
#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>

inline int OpenFileToRead(const char* name) {
  return _open(name, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
#else
#include <unistd.h>

inline int OpenFileToRead(const char* name) {
  return open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
#endif
