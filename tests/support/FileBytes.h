#pragma once
// Whole PC files as bytes, for tests and benchmarks that hand files to the protocol or check what it
// stored.

#include "SimTypes.h"

#include <string>

// The file's bytes; empty when it cannot be opened.
SimBytes ReadFileBytes(const std::wstring& path);

// Writes the bytes as the whole file; false unless every byte was written.
bool WriteFileBytes(const std::wstring& path, const SimBytes& data);

// The path of `name` in the user's temporary folder.
std::wstring TempPath(const std::wstring& name);

// Bytes of a given size that repeat in no short period (the block number of a transfer cannot
// line up with them), different for each seed.
SimBytes PatternBytes(size_t size, uint8_t seed = 0);
