#pragma once
// The server side of the stand-in's tests, in plain POSIX: the test decides exactly when bytes
// are read and written. Kept apart because the system headers define names the stand-in uses.

#include <cstddef>

namespace posix_peer {
int listenLoopback(int& port);
int acceptOne(int listener);
// A blocking client connection to a loopback port.
int connectLoopback(int port);
// A second descriptor for the same connection.
int duplicate(int fd);
bool writeBytes(int fd, const char* bytes, std::size_t n);
// Reads whatever is there without blocking.
void drain(int fd);
// Closes with a reset instead of an orderly shutdown.
void abortiveClose(int fd);
void closeFd(int fd);
}  // namespace posix_peer
