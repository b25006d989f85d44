// Our own demo assets: three pictures and a song, all made here.
#pragma once
#include <string>

// Writes "min.raw", "min2.raw" and "min3.raw" into folder. False, with a message on standard
// error, when a file can't be written.
bool WritePictures(const std::string& folder);
// Writes the song "Terminal.s3m" into folder. False, with a message on standard error, on failure.
bool WriteSong(const std::string& folder);
